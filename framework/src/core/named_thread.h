// Which framework thread (cef_thread_id_t) the calling thread is, as
// CefCurrentlyOn asks: the message loop's own thread serves TID_UI and
// TID_RENDERER as this process's kind allows; a thread the framework starts
// for another id (TID_IO) says so once.
#ifndef FRAMEWORK_SRC_CORE_NAMED_THREAD_H_
#define FRAMEWORK_SRC_CORE_NAMED_THREAD_H_

#include "include/cef_task.h"

namespace cef_internal {

// Called first thing on the thread that serves |thread_id| (TID_IO).
void MarkCurrentThreadAs(CefThreadId thread_id);
// True on the thread marked with |thread_id|.
bool CurrentThreadIs(CefThreadId thread_id);

// Which of TID_UI and TID_RENDERER the main loop's thread serves in this
// process: a render process has no UI thread, and the browser process of a
// multi-process run no renderer thread. Until a process's start says
// otherwise (and again after CefShutdown), it serves both: one process, or a
// test that drives the callbacks itself.
void SetMainThreadServes(bool ui, bool renderer);
bool MainThreadServes(CefThreadId thread_id);

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CORE_NAMED_THREAD_H_
