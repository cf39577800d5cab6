// Logging into the framework's log: LOG(severity) << ...; LOG_IF(severity,
// condition) << ...; PLOG(severity) << ... adds the calling thread's last
// Win32 error ("...: The system cannot find the file specified. (0x2)").
// Severities: INFO, WARNING, ERROR, FATAL (which ends the process). A line
// below the framework's minimum severity is neither built nor written.
#ifndef CEF_INCLUDE_BASE_CEF_LOGGING_H_
#define CEF_INCLUDE_BASE_CEF_LOGGING_H_

#include <sstream>
#include <string>

#include "include/internal/cef_logging_internal.h"

namespace cef {
namespace logging {

typedef int LogSeverity;
const LogSeverity LOG_VERBOSE = -1;
const LogSeverity LOG_INFO = 0;
const LogSeverity LOG_WARNING = 1;
const LogSeverity LOG_ERROR = 2;
const LogSeverity LOG_FATAL = 3;
const LogSeverity LOG_NUM_SEVERITIES = 4;
// <windows.h> defines ERROR as 0: LOG(ERROR) then names this one.
const LogSeverity LOG_0 = LOG_ERROR;

inline int GetMinLogLevel() {
  return cef_get_min_log_level();
}

typedef unsigned long SystemErrorCode;
// ::GetLastError().
SystemErrorCode GetLastSystemErrorCode();
// The system's text for |error_code| and the code: "Access is denied. (0x5)".
std::string SystemErrorCodeToString(SystemErrorCode error_code);

// One line; written by the destructor.
class LogMessage {
 public:
  LogMessage(const char* file, int line, LogSeverity severity);
  virtual ~LogMessage();
  LogMessage(const LogMessage&) = delete;
  LogMessage& operator=(const LogMessage&) = delete;

  std::ostream& stream() { return stream_; }

 private:
  const char* file_;
  const int line_;
  LogSeverity severity_;
  std::ostringstream stream_;
  // The caller's last error, kept across the writing.
  SystemErrorCode last_error_;
};

// A line that ends with |error|'s text, for PLOG.
class Win32ErrorLogMessage : public LogMessage {
 public:
  Win32ErrorLogMessage(const char* file,
                       int line,
                       LogSeverity severity,
                       SystemErrorCode error);
  ~Win32ErrorLogMessage() override;

 private:
  SystemErrorCode error_;
};

// Lets the macros below be expressions of type void.
class LogMessageVoidify {
 public:
  LogMessageVoidify() {}
  void operator&(std::ostream&) {}
};

}  // namespace logging
}  // namespace cef

#define CEF_LOG_SEVERITY_(severity) ::cef::logging::LOG_##severity

#define LOG_IS_ON(severity) \
  (CEF_LOG_SEVERITY_(severity) >= ::cef::logging::GetMinLogLevel())

#define LAZY_STREAM(stream, condition) \
  !(condition) ? (void)0 : ::cef::logging::LogMessageVoidify() & (stream)

#define LOG_STREAM(severity)                                                  \
  ::cef::logging::LogMessage(__FILE__, __LINE__, CEF_LOG_SEVERITY_(severity)) \
      .stream()

#define LOG(severity) LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity))
#define LOG_IF(severity, condition) \
  LAZY_STREAM(LOG_STREAM(severity), LOG_IS_ON(severity) && (condition))

#define PLOG_STREAM(severity)                          \
  ::cef::logging::Win32ErrorLogMessage(                \
      __FILE__, __LINE__, CEF_LOG_SEVERITY_(severity), \
      ::cef::logging::GetLastSystemErrorCode())        \
      .stream()

#define PLOG(severity) LAZY_STREAM(PLOG_STREAM(severity), LOG_IS_ON(severity))
#define PLOG_IF(severity, condition) \
  LAZY_STREAM(PLOG_STREAM(severity), LOG_IS_ON(severity) && (condition))

#endif  // CEF_INCLUDE_BASE_CEF_LOGGING_H_
