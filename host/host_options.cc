#include "host/host_options.h"

#include <cwchar>

#include "app/simple_app.h"
#include "common/origin_allow_list.h"
#include "include/internal/cef_string.h"

const char kHostUsage[] =
    "usage: kxhost.exe --url=URL [--normal-voice=TEXT]... [--horn-voice=TEXT]"
    "... [--record-file=PATH] [--bounds=L,T,R,B] [--timeout-ms=N] "
    "[--single-process] [--allow-origin=ORIGIN]... [--show] "
    "[--remote-debugging-port=N] [--options=JSON] [--avatar-url=URL]";

namespace {

bool StartsWith(const std::wstring& text, const wchar_t* prefix, size_t* rest) {
  const size_t length = std::wcslen(prefix);
  if (text.compare(0, length, prefix) != 0)
    return false;
  *rest = length;
  return true;
}

bool ParseInt(const std::wstring& text, long* value) {
  if (text.empty())
    return false;
  wchar_t* end = nullptr;
  errno = 0;
  *value = std::wcstol(text.c_str(), &end, 10);
  return errno == 0 && *end == L'\0';
}

bool ParseBounds(const std::wstring& text, RECT* bounds) {
  long values[4];
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    size_t comma = text.find(L',', start);
    if ((i < 3) != (comma != std::wstring::npos))
      return false;
    if (!ParseInt(text.substr(start, comma - start), &values[i]))
      return false;
    start = comma + 1;
  }
  const RECT parsed = {values[0], values[1], values[2], values[3]};
  if (!SimpleApp::HasWindowSize(parsed))
    return false;
  *bounds = parsed;
  return true;
}

}  // namespace

bool ParseHostOptions(const std::vector<std::wstring>& args,
                      HostOptions* options,
                      std::string* error) {
  for (const std::wstring& arg : args) {
    size_t at = 0;
    if (StartsWith(arg, L"--url=", &at)) {
      options->url = arg.substr(at);
    } else if (StartsWith(arg, L"--avatar-url=", &at)) {
      options->avatar_url = arg.substr(at);
    } else if (StartsWith(arg, L"--normal-voice=", &at)) {
      options->normal_voices.push_back(arg.substr(at));
    } else if (StartsWith(arg, L"--horn-voice=", &at)) {
      options->horn_voices.push_back(arg.substr(at));
    } else if (StartsWith(arg, L"--record-file=", &at)) {
      options->record_file = arg.substr(at);
      if (options->record_file.empty()) {
        *error = "--record-file needs a path";
        return false;
      }
    } else if (StartsWith(arg, L"--bounds=", &at)) {
      if (!ParseBounds(arg.substr(at), &options->bounds)) {
        *error =
            "--bounds takes L,T,R,B with R >= L and B >= T, at most 2147483647 "
            "apart";
        return false;
      }
    } else if (StartsWith(arg, L"--timeout-ms=", &at)) {
      long value = 0;
      if (!ParseInt(arg.substr(at), &value) || value <= 0) {
        *error = "--timeout-ms takes a positive number";
        return false;
      }
      options->timeout_ms = static_cast<int>(value);
    } else if (StartsWith(arg, L"--allow-origin=", &at)) {
      const std::string origin = CefString(arg.substr(at)).ToString();
      if (OriginAllowList::OriginOfEntry(origin).empty()) {
        *error = "--allow-origin takes scheme://host[:port] or file://";
        return false;
      }
      options->allowed_origins.push_back(origin);
    } else if (StartsWith(arg, L"--remote-debugging-port=", &at)) {
      long port = 0;
      // The framework takes no port below 1024.
      if (!ParseInt(arg.substr(at), &port) || port < 1024 || port > 65535) {
        *error = "--remote-debugging-port takes a port from 1024 to 65535";
        return false;
      }
      options->remote_debugging_port = static_cast<int>(port);
    } else if (StartsWith(arg, L"--options=", &at)) {
      if (!ParseOptionJson(CefString(arg.substr(at)),
                           &options->initial_options)) {
        *error = "--options takes a JSON array of filters";
        return false;
      }
      options->seed_options = true;
    } else if (arg == L"--single-process") {
      options->single_process = true;
    } else if (arg == L"--show") {
      options->show = true;
    } else {
      *error = "unknown argument";
      return false;
    }
  }
  if (options->url.empty()) {
    *error = "--url is required";
    return false;
  }
  return true;
}
