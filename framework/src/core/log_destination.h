// Where the framework's own log lines go, as the settings of the running
// framework say: CefSettings.log_file when one is set, standard error
// otherwise, and from which severity on. Any thread.
#ifndef FRAMEWORK_SRC_CORE_LOG_DESTINATION_H_
#define FRAMEWORK_SRC_CORE_LOG_DESTINATION_H_

#include <string>

#include "include/internal/cef_types.h"

namespace cef_internal {

class LogDestination {
 public:
  // From CefInitialize; Reset() from CefShutdown (standard error, INFO).
  static void Configure(const std::wstring& file, cef_log_severity_t severity);
  static void Reset();

  // The lowest cef::logging severity written (-1 verbose .. 3 fatal; above
  // that when logging is off).
  static int MinLevel();

  // "[MMDD/hhmmss:SEVERITY:file(line)] message", with the file's folders
  // left out.
  static std::string Format(const char* file,
                            int line,
                            int severity,
                            const char* message);
  // Appends |line| and a line end.
  static void Write(const std::string& line);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_LOG_DESTINATION_H_
