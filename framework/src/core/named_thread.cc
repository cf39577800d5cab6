#include "src/core/named_thread.h"

namespace cef_internal {

namespace {

// -1: a thread the framework gave no name.
thread_local int g_current_thread_id = -1;

}  // namespace

void MarkCurrentThreadAs(CefThreadId thread_id) {
  g_current_thread_id = thread_id;
}

bool CurrentThreadIs(CefThreadId thread_id) {
  return g_current_thread_id == thread_id;
}

}  // namespace cef_internal
