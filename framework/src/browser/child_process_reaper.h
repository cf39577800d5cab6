// Child processes that were asked to end but have not ended yet, once nobody
// holds them any more (the browser that used a render process closed). Each
// gets a grace period to end by itself, then is terminated, off the UI
// thread. CefShutdown waits for all of them.
#ifndef FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_REAPER_H_
#define FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_REAPER_H_

#include <windows.h>

namespace cef_internal {

class ChildProcessReaper {
 public:
  // Takes ownership of |process|.
  static void Retire(HANDLE process, DWORD grace_ms);
  // Waits at most |timeout_ms| for every retired process, then terminates
  // the rest and waits (bounded) for them to be gone.
  static void EndAll(DWORD timeout_ms);
  // Processes retired and not yet ended.
  static int PendingCount();

  ChildProcessReaper() = delete;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_REAPER_H_
