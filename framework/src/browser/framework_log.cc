#include "src/browser/framework_log.h"

#include <windows.h>

#include <cstdio>

namespace cef_internal {

namespace {

const char* SeverityName(cef_log_severity_t severity) {
  switch (severity) {
    case LOGSEVERITY_VERBOSE:
      return "VERBOSE1";
    case LOGSEVERITY_WARNING:
      return "WARNING";
    case LOGSEVERITY_ERROR:
      return "ERROR";
    default:
      return "INFO";
  }
}

}  // namespace

std::string FrameworkLog::Format(cef_log_severity_t severity,
                                 const char* file,
                                 int line,
                                 const std::string& text) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char prefix[160];
  snprintf(prefix, sizeof(prefix), "[%02u%02u/%02u%02u%02u:%s:%s(%d)] ",
           now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
           SeverityName(severity), file, line);
  return prefix + text;
}

void FrameworkLog::Write(const CefSettings& settings,
                         cef_log_severity_t severity,
                         const char* file,
                         int line,
                         const std::string& text) {
  cef_log_severity_t threshold = settings.log_severity == LOGSEVERITY_DEFAULT
                                     ? LOGSEVERITY_INFO
                                     : settings.log_severity;
  // LOGSEVERITY_DISABLE is above every severity.
  if (severity < threshold)
    return;
  std::string out = Format(severity, file, line, text) + "\n";
  CefString log_file(&settings.log_file);
  if (log_file.empty()) {
    fwrite(out.data(), 1, out.size(), stderr);
    fflush(stderr);
    return;
  }
  HANDLE handle = CreateFileW(log_file.c_str(), FILE_APPEND_DATA,
                              FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(handle, out.data(), static_cast<DWORD>(out.size()), &written,
            nullptr);
  CloseHandle(handle);
}

}  // namespace cef_internal
