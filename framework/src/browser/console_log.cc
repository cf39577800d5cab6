#include "src/browser/console_log.h"

#include <windows.h>

#include <cstdio>

namespace cef_internal {

std::string ConsoleLog::Format(const CefString& message,
                               const CefString& source,
                               int line) {
  SYSTEMTIME now;
  GetLocalTime(&now);
  char prefix[64];
  snprintf(prefix, sizeof(prefix), "[%02u%02u/%02u%02u%02u:INFO:CONSOLE(%d)] ",
           now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond, line);
  return std::string(prefix) + "\"" + message.ToString() +
         "\", source: " + source.ToString() + " (" + std::to_string(line) + ")";
}

void ConsoleLog::Write(const CefSettings& settings,
                       const CefString& message,
                       const CefString& source,
                       int line) {
  if (settings.log_severity > LOGSEVERITY_INFO)
    return;  // WARNING, ERROR and DISABLE leave out INFO lines.
  std::string text = Format(message, source, line) + "\n";
  fwrite(text.data(), 1, text.size(), stderr);
  fflush(stderr);
  if (settings.log_file.empty())
    return;
  HANDLE file = CreateFileW(settings.log_file.c_str(), FILE_APPEND_DATA,
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
