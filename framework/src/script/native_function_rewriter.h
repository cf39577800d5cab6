// Turns the "native function NAME(params);" declarations of extension code
// into ordinary function declarations (hoisted the same way) whose bodies
// hand the call to the extension dispatcher.
#ifndef FRAMEWORK_SRC_SCRIPT_NATIVE_FUNCTION_REWRITER_H_
#define FRAMEWORK_SRC_SCRIPT_NATIVE_FUNCTION_REWRITER_H_

#include <string>
#include <vector>

namespace cef_internal {

// The one global the rewritten code needs; defined read-only, hidden from
// enumeration and undeletable in every context.
constexpr char kNativeDispatcherName[] = "__cef_internal_native__";

class NativeFunctionRewriter {
 public:
  // Rewrites |code| (UTF-8) for the extension at |extension_index|. Line
  // breaks are kept so that errors report the original lines. Declarations
  // inside strings and comments are left alone, as are malformed ones (which
  // then fail to compile like any syntax error). |names| receives the
  // declared names when not null.
  static std::string Rewrite(const std::string& code,
                             int extension_index,
                             std::vector<std::string>* names);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_NATIVE_FUNCTION_REWRITER_H_
