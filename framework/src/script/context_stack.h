// The script contexts of the calling thread in the order they were entered
// (by CefV8Context::Enter or by running their script). The top is the
// current context, the bottom the entered one.
#ifndef FRAMEWORK_SRC_SCRIPT_CONTEXT_STACK_H_
#define FRAMEWORK_SRC_SCRIPT_CONTEXT_STACK_H_

#include "include/cef_v8.h"

namespace cef_internal {

class V8ContextImpl;

class ContextStack {
 public:
  static void Push(V8ContextImpl* context);
  // Pops the top entry when it is |context|; false otherwise.
  static bool Pop(V8ContextImpl* context);
  static V8ContextImpl* Current();
  static V8ContextImpl* Outermost();
  static bool IsEmpty();
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_CONTEXT_STACK_H_
