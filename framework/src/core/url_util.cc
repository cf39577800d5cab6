#include "src/core/url_util.h"

#include <windows.h>

#include <algorithm>

namespace cef_internal {

namespace {

bool IsSchemeChar(wchar_t c, bool first) {
  if ((c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z'))
    return true;
  if (first)
    return false;
  return (c >= L'0' && c <= L'9') || c == L'+' || c == L'-' || c == L'.';
}

int HexValue(wchar_t c) {
  if (c >= L'0' && c <= L'9')
    return c - L'0';
  if (c >= L'a' && c <= L'f')
    return c - L'a' + 10;
  if (c >= L'A' && c <= L'F')
    return c - L'A' + 10;
  return -1;
}

std::wstring Utf8ToWide(const std::string& bytes) {
  if (bytes.empty())
    return std::wstring();
  int size = MultiByteToWideChar(CP_UTF8, 0, bytes.data(),
                                 static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring out(size, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()),
                      &out[0], size);
  return out;
}

std::string WideToUtf8(const std::wstring& wide) {
  if (wide.empty())
    return std::string();
  int size = WideCharToMultiByte(CP_UTF8, 0, wide.data(),
                                 static_cast<int>(wide.size()), nullptr, 0,
                                 nullptr, nullptr);
  std::string out(size, '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                      &out[0], size, nullptr, nullptr);
  return out;
}

}  // namespace

std::wstring UrlUtil::Scheme(const std::wstring& url) {
  size_t colon = url.find(L':');
  if (colon == std::wstring::npos || colon == 0)
    return std::wstring();
  std::wstring scheme;
  for (size_t i = 0; i < colon; ++i) {
    if (!IsSchemeChar(url[i], i == 0))
      return std::wstring();
    scheme.push_back(static_cast<wchar_t>(towlower(url[i])));
  }
  return scheme;
}

std::wstring UrlUtil::Canonicalize(const std::wstring& url) {
  std::wstring scheme = Scheme(url);
  if (scheme.empty())
    return url;
  HttpUrlParts parts;
  if ((scheme == L"http" || scheme == L"https") && ParseHttp(url, &parts))
    return parts.Url();
  return scheme + url.substr(scheme.size());
}

bool UrlUtil::ParseHttp(const std::wstring& url, HttpUrlParts* parts) {
  const std::wstring scheme = Scheme(url);
  if (scheme != L"http" && scheme != L"https")
    return false;
  size_t at = scheme.size() + 1;
  // "http:\\host", "http:/host" and "http:host" all name the host as well.
  while (at < url.size() && (url[at] == L'/' || url[at] == L'\\'))
    ++at;
  const size_t authority_end =
      std::min(url.find_first_of(L"/\\?#", at), url.size());
  std::wstring authority = url.substr(at, authority_end - at);
  const size_t user_end = authority.rfind(L'@');
  if (user_end != std::wstring::npos)
    authority.erase(0, user_end + 1);
  parts->secure = scheme == L"https";
  const int default_port = parts->secure ? 443 : 80;
  parts->port = default_port;
  // An IPv6 literal's colons are its own.
  const size_t bracket = authority.rfind(L']');
  const size_t colon =
      authority.find(L':', bracket == std::wstring::npos ? 0 : bracket);
  if (colon != std::wstring::npos) {
    const std::wstring digits = authority.substr(colon + 1);
    authority.resize(colon);
    if (!digits.empty()) {
      if (digits.size() > 5 ||
          digits.find_first_not_of(L"0123456789") != std::wstring::npos) {
        return false;
      }
      parts->port = std::stoi(digits);
      if (parts->port > 65535)
        return false;
    }
  }
  parts->default_port = parts->port == default_port;
  if (authority.empty())
    return false;
  for (wchar_t& c : authority) {
    if (c <= L' ' || c == 0x7F || c == L'%' || c == L'<' || c == L'>' ||
        c == L'^' || c == L'|' || c == L'"' || c == L'`' || c == L'{' ||
        c == L'}') {
      return false;
    }
    c = static_cast<wchar_t>(towlower(c));
  }
  parts->host = authority;
  std::wstring rest = url.substr(authority_end);
  const size_t hash = rest.find(L'#');
  parts->fragment =
      hash == std::wstring::npos ? std::wstring() : rest.substr(hash);
  if (hash != std::wstring::npos)
    rest.resize(hash);
  // Backslashes in the path are slashes, as for every hierarchical scheme.
  const size_t query = std::min(rest.find(L'?'), rest.size());
  for (size_t i = 0; i < query; ++i) {
    if (rest[i] == L'\\')
      rest[i] = L'/';
  }
  if (rest.empty() || rest[0] != L'/')
    rest.insert(0, L"/");
  parts->target = rest;
  return true;
}

std::wstring HttpUrlParts::Url() const {
  std::wstring url = secure ? L"https://" : L"http://";
  url += host;
  if (!default_port)
    url += L":" + std::to_wstring(port);
  return url + target + fragment;
}

std::wstring UrlUtil::UnescapeUtf8(const std::wstring& text) {
  // Escapes stand for bytes; the bytes of one character may span several.
  std::string bytes = WideToUtf8(text);
  std::string out;
  out.reserve(bytes.size());
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (bytes[i] == '%' && i + 2 < bytes.size()) {
      int high = HexValue(bytes[i + 1]);
      int low = HexValue(bytes[i + 2]);
      if (high >= 0 && low >= 0) {
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
        continue;
      }
    }
    out.push_back(bytes[i]);
  }
  return Utf8ToWide(out);
}

bool UrlUtil::FileUrlToPath(const std::wstring& url, std::wstring* path) {
  if (Scheme(url) != L"file")
    return false;
  std::wstring rest = url.substr(5);
  // Query and fragment are not part of the path.
  size_t end = rest.find_first_of(L"?#");
  if (end != std::wstring::npos)
    rest.resize(end);
  if (rest.compare(0, 2, L"//") != 0)
    return false;
  rest = rest.substr(2);
  size_t slash = rest.find(L'/');
  std::wstring host = rest.substr(0, slash);
  std::wstring file_path =
      slash == std::wstring::npos ? std::wstring() : rest.substr(slash);
  file_path = UnescapeUtf8(file_path);
  if (file_path.find(L'\0') != std::wstring::npos)
    return false;
  for (wchar_t& c : file_path) {
    if (c == L'/')
      c = L'\\';
  }
  if (!host.empty() && _wcsicmp(host.c_str(), L"localhost") != 0) {
    *path = L"\\\\" + host + file_path;
    return true;
  }
  // "\C:\dir\x.html" -> "C:\dir\x.html"; a path without a drive keeps its
  // leading backslash (root of the current drive).
  if (file_path.size() >= 3 && file_path[0] == L'\\' && file_path[2] == L':')
    file_path = file_path.substr(1);
  if (file_path.empty())
    return false;
  *path = file_path;
  return true;
}

}  // namespace cef_internal
