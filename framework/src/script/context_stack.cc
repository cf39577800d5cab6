#include "src/script/context_stack.h"

#include <vector>

#include "src/script/v8_context_impl.h"

namespace cef_internal {

namespace {

// Entries hold a reference so that an entered context outlives its last
// other owner. Only a pointer is thread-local: with this toolchain a
// thread-local object with a destructor can hang its thread's exit, and the
// stack is empty whenever a thread may end.
std::vector<CefRefPtr<V8ContextImpl>>& Stack() {
  static thread_local std::vector<CefRefPtr<V8ContextImpl>>* stack = nullptr;
  if (!stack)
    stack = new std::vector<CefRefPtr<V8ContextImpl>>();
  return *stack;
}

}  // namespace

void ContextStack::Push(V8ContextImpl* context) {
  Stack().push_back(context);
}

bool ContextStack::Pop(V8ContextImpl* context) {
  auto& stack = Stack();
  if (stack.empty() || stack.back().get() != context)
    return false;
  // Moved out first: the release may destroy the context, which must not
  // find itself still on the stack.
  CefRefPtr<V8ContextImpl> top = std::move(stack.back());
  stack.pop_back();
  return true;
}

V8ContextImpl* ContextStack::Current() {
  auto& stack = Stack();
  return stack.empty() ? nullptr : stack.back().get();
}

V8ContextImpl* ContextStack::Outermost() {
  auto& stack = Stack();
  return stack.empty() ? nullptr : stack.front().get();
}

bool ContextStack::IsEmpty() {
  return Stack().empty();
}

}  // namespace cef_internal

namespace {

CefRefPtr<CefV8Context> ToPublic(cef_internal::V8ContextImpl* context) {
  return CefRefPtr<CefV8Context>(context);
}

}  // namespace

CefRefPtr<CefV8Context> CefV8Context::GetCurrentContext() {
  return ToPublic(cef_internal::ContextStack::Current());
}

CefRefPtr<CefV8Context> CefV8Context::GetEnteredContext() {
  return ToPublic(cef_internal::ContextStack::Outermost());
}

bool CefV8Context::InContext() {
  return !cef_internal::ContextStack::IsEmpty();
}
