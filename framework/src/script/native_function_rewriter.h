// Turns the "native function NAME(params);" declarations of extension code
// into bindings of NAME to a native function made once per context:
// "var NAME=<table>[extension][n];" at the start of the enclosing function
// body (or of the code), so that NAME holds its function before any other
// statement there runs, as a hoisted declaration would. A call then costs no
// closure and no arguments object. Code whose braces cannot be followed
// (a regular expression holding a brace) gets declarations instead that
// call the extension dispatcher.
#ifndef FRAMEWORK_SRC_SCRIPT_NATIVE_FUNCTION_REWRITER_H_
#define FRAMEWORK_SRC_SCRIPT_NATIVE_FUNCTION_REWRITER_H_

#include <string>
#include <vector>

namespace cef_internal {

// The one global the rewritten code needs; defined read-only, hidden from
// enumeration and undeletable in every context.
constexpr char kNativeDispatcherName[] = "__cef_internal_native__";
// The table of every extension's native functions, defined the same way:
// an array per extension, one function per declared name in order.
constexpr char kNativeTableName[] = "__cef_internal_natives__";

class NativeFunctionRewriter {
 public:
  // Rewrites |code| (UTF-8) for the extension at |extension_index|. Line
  // breaks are kept so that errors report the original lines. Declarations
  // inside strings and comments are left alone, as are malformed ones (which
  // then fail to compile like any syntax error). |names| receives the
  // declared names when not null, in the table's order.
  static std::string Rewrite(const std::string& code,
                             int extension_index,
                             std::vector<std::string>* names);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_NATIVE_FUNCTION_REWRITER_H_
