// The framework's own log lines, written the way the real framework writes
// them:
//   [1207/203022:ERROR:context.cc(12)] text
// Page console output never comes here: a page's console reaches the
// application only through CefDisplayHandler::OnConsoleMessage.
#ifndef FRAMEWORK_SRC_BROWSER_FRAMEWORK_LOG_H_
#define FRAMEWORK_SRC_BROWSER_FRAMEWORK_LOG_H_

#include <string>

#include "include/internal/cef_types_wrappers.h"

namespace cef_internal {

class FrameworkLog {
 public:
  // Appends to settings.log_file when one is given, else writes to stderr,
  // unless settings.log_severity leaves out |severity| (VERBOSE, INFO,
  // WARNING or ERROR; the default threshold is INFO).
  static void Write(const CefSettings& settings,
                    cef_log_severity_t severity,
                    const char* file,
                    int line,
                    const std::string& text);

  // The line without its newline, stamped with the local time.
  static std::string Format(cef_log_severity_t severity,
                            const char* file,
                            int line,
                            const std::string& text);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_FRAMEWORK_LOG_H_
