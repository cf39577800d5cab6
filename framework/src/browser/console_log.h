// Page console output that no handler took, logged the way the real
// framework logs it:
//   [1207/203022:INFO:CONSOLE(12)] "message", source: file:///x.html (12)
#ifndef FRAMEWORK_SRC_BROWSER_CONSOLE_LOG_H_
#define FRAMEWORK_SRC_BROWSER_CONSOLE_LOG_H_

#include <string>

#include "include/internal/cef_types_wrappers.h"

namespace cef_internal {

class ConsoleLog {
 public:
  // Writes to stderr, and to settings.log_file when one is given, unless
  // settings.log_severity leaves out |severity| (VERBOSE, INFO, WARNING or
  // ERROR; the default threshold is INFO).
  static void Write(const CefSettings& settings,
                    cef_log_severity_t severity,
                    const CefString& message,
                    const CefString& source,
                    int line);

  // The line without its newline, stamped with the local time.
  static std::string Format(cef_log_severity_t severity,
                            const CefString& message,
                            const CefString& source,
                            int line);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_CONSOLE_LOG_H_
