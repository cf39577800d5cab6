// The logging macros' side of the log: lines are built here and handed to
// cef_log.
#include "include/base/cef_logging.h"

#include <windows.h>

#include <cstdio>

namespace cef {
namespace logging {

SystemErrorCode GetLastSystemErrorCode() {
  return ::GetLastError();
}

std::string SystemErrorCodeToString(SystemErrorCode error_code) {
  char text[512] = {};
  DWORD length =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                     nullptr, error_code, 0, text, sizeof(text), nullptr);
  std::string message(text, length);
  while (!message.empty() && (message.back() == '\n' ||
                              message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  char code[32];
  std::snprintf(code, sizeof(code), "(0x%lX)", error_code);
  return message.empty() ? std::string("Error ") + code : message + " " + code;
}

LogMessage::LogMessage(const char* file, int line, LogSeverity severity)
    : file_(file),
      line_(line),
      severity_(severity),
      last_error_(GetLastSystemErrorCode()) {}

LogMessage::LogMessage(const char* file, int line, std::string* result)
    : LogMessage(file, line, LOG_FATAL, result) {}

LogMessage::LogMessage(const char* file,
                       int line,
                       LogSeverity severity,
                       std::string* result)
    : LogMessage(file, line, severity) {
  stream_ << "Check failed: " << *result;
  delete result;
}

LogMessage::~LogMessage() {
  cef_log(file_, line_, severity_, stream_.str().c_str());
  ::SetLastError(last_error_);
}

Win32ErrorLogMessage::Win32ErrorLogMessage(const char* file,
                                           int line,
                                           LogSeverity severity,
                                           SystemErrorCode error)
    : LogMessage(file, line, severity), error_(error) {}

Win32ErrorLogMessage::~Win32ErrorLogMessage() {
  stream() << ": " << SystemErrorCodeToString(error_);
}

}  // namespace logging
}  // namespace cef
