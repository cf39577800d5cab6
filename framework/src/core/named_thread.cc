#include "src/core/named_thread.h"

#include <atomic>

namespace cef_internal {

namespace {

// -1: a thread the framework gave no name.
thread_local int g_current_thread_id = -1;
std::atomic<bool> g_main_serves_ui{true};
std::atomic<bool> g_main_serves_renderer{true};

}  // namespace

void MarkCurrentThreadAs(CefThreadId thread_id) {
  g_current_thread_id = thread_id;
}

bool CurrentThreadIs(CefThreadId thread_id) {
  return g_current_thread_id == thread_id;
}

void SetMainThreadServes(bool ui, bool renderer) {
  g_main_serves_ui = ui;
  g_main_serves_renderer = renderer;
}

bool MainThreadServes(CefThreadId thread_id) {
  if (thread_id == TID_UI)
    return g_main_serves_ui;
  if (thread_id == TID_RENDERER)
    return g_main_serves_renderer;
  return false;
}

}  // namespace cef_internal
