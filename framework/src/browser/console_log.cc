#include "src/browser/console_log.h"

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

std::string ConsoleLog::Format(cef_log_severity_t severity,
                               const CefString& message,
                               const CefString& source,
                               int line) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char prefix[80];
  snprintf(prefix, sizeof(prefix), "[%02u%02u/%02u%02u%02u:%s:CONSOLE(%d)] ",
           now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond,
           SeverityName(severity), line);
  return std::string(prefix) + "\"" + message.ToString() +
         "\", source: " + source.ToString() + " (" + std::to_string(line) + ")";
}

void ConsoleLog::Write(const CefSettings& settings,
                       cef_log_severity_t severity,
                       const CefString& message,
                       const CefString& source,
                       int line) {
  cef_log_severity_t threshold = settings.log_severity == LOGSEVERITY_DEFAULT
                                     ? LOGSEVERITY_INFO
                                     : settings.log_severity;
  // LOGSEVERITY_DISABLE is above every severity.
  if (severity < threshold)
    return;
  std::string text = Format(severity, message, source, line) + "\n";
  // Like the real framework: the log file when one is set, else stderr.
  CefString log_file(&settings.log_file);
  if (log_file.empty()) {
    fwrite(text.data(), 1, text.size(), stderr);
    fflush(stderr);
    return;
  }
  HANDLE file = CreateFileW(log_file.c_str(), FILE_APPEND_DATA,
                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
  CloseHandle(file);
}

}  // namespace cef_internal
