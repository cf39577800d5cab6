// Work posted to a framework thread.
#ifndef CEF_INCLUDE_CEF_TASK_H_
#define CEF_INCLUDE_CEF_TASK_H_

#include "include/cef_base.h"

typedef enum {
  TID_UI,
  TID_DB,
  TID_FILE,
  TID_FILE_USER_BLOCKING,
  TID_PROCESS_LAUNCHER,
  TID_CACHE,
  TID_IO,
  TID_RENDERER,
} cef_thread_id_t;
typedef cef_thread_id_t CefThreadId;

class CefTask : public virtual CefBase {
 public:
  virtual void Execute() = 0;
};

// The stand-in has one thread per process for UI and renderer work: TID_UI in
// a browser process, TID_RENDERER in a render process (the same thread in
// single-process mode). CefCurrentlyOn also answers TID_IO, true on the
// browser process's IO thread (where OnBeforePopup and
// OnRenderProcessThreadCreated run); tasks are posted to TID_UI and
// TID_RENDERER only, other thread ids are refused.
bool CefCurrentlyOn(CefThreadId threadId);
bool CefPostTask(CefThreadId threadId, CefRefPtr<CefTask> task);
bool CefPostDelayedTask(CefThreadId threadId,
                        CefRefPtr<CefTask> task,
                        int64 delay_ms);

#endif  // CEF_INCLUDE_CEF_TASK_H_
