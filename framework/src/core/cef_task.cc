#include "include/cef_task.h"

#include <climits>

#include "src/core/message_loop.h"
#include "src/core/named_thread.h"

namespace {

// Both ids name the one framework thread of this process, where the process
// has that thread.
cef_internal::MessageLoop* LoopFor(CefThreadId thread_id) {
  if (!cef_internal::MainThreadServes(thread_id))
    return nullptr;
  return cef_internal::MessageLoop::Main();
}

}  // namespace

bool CefCurrentlyOn(CefThreadId thread_id) {
  cef_internal::MessageLoop* loop = LoopFor(thread_id);
  if (loop)
    return loop->BelongsToCurrentThread();
  return cef_internal::CurrentThreadIs(thread_id);
}

bool CefPostTask(CefThreadId thread_id, CefRefPtr<CefTask> task) {
  return CefPostDelayedTask(thread_id, task, 0);
}

bool CefPostDelayedTask(CefThreadId thread_id,
                        CefRefPtr<CefTask> task,
                        int64 delay_ms) {
  cef_internal::MessageLoop* loop = LoopFor(thread_id);
  if (!loop || !task)
    return false;
  int delay = static_cast<int>(
      delay_ms < 0 ? 0 : (delay_ms > INT_MAX ? INT_MAX : delay_ms));
  return loop->PostDelayedTask([task] { task->Execute(); }, delay);
}
