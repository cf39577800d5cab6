// The GPU-like child of multi-process mode. The real framework launches its
// GPU process from its IO thread once the first browser needs a render
// process, and calls OnBeforeChildProcessLaunch there for it; this one does
// the same, so an application meets that call on that thread here too. The
// child draws nothing: it lives until the browser process ends it or goes
// away.
#ifndef FRAMEWORK_SRC_BROWSER_GPU_PROCESS_HOST_H_
#define FRAMEWORK_SRC_BROWSER_GPU_PROCESS_HOST_H_

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>

#include "include/cef_app.h"
#include "src/browser/child_process.h"

namespace cef_internal {

class GpuProcessHost {
 public:
  // |program| is the child's executable; empty: this process's own.
  GpuProcessHost(CefRefPtr<CefApp> app, const std::wstring& program);
  GpuProcessHost(const GpuProcessHost&) = delete;
  GpuProcessHost& operator=(const GpuProcessHost&) = delete;
  // Ends the child. Only once the IO thread has ended.
  ~GpuProcessHost();

  // IO thread: launches the child, the first time only. A launch that fails
  // is not tried again, as a real GPU process that cannot start leaves the
  // browser drawing in software.
  void LaunchOnce();

  // The child's id; 0 before it was launched or when it could not be. Any
  // thread.
  DWORD process_id() const { return process_id_.load(); }

 private:
  const CefRefPtr<CefApp> app_;
  const std::wstring program_;
  bool tried_ = false;
  std::unique_ptr<ChildProcess> process_;
  std::atomic<DWORD> process_id_{0};
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_GPU_PROCESS_HOST_H_
