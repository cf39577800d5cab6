// The framework's named threads beyond the message loop's own (TID_UI,
// TID_RENDERER): a thread the framework starts for one of them says so once,
// and CefCurrentlyOn asks here.
#ifndef FRAMEWORK_SRC_CORE_NAMED_THREAD_H_
#define FRAMEWORK_SRC_CORE_NAMED_THREAD_H_

#include "include/cef_task.h"

namespace cef_internal {

// Called first thing on the thread that serves |thread_id| (TID_IO).
void MarkCurrentThreadAs(CefThreadId thread_id);
// True on the thread marked with |thread_id|.
bool CurrentThreadIs(CefThreadId thread_id);

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_NAMED_THREAD_H_
