// A render side in a process of its own, joined by a named pipe: the mode
// without single_process. The host launches "<program> --type=renderer
// --kx-channel=<pipe>", watches the process and reports its end with a
// status read from the exit code.
#ifndef FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_RENDER_HOST_H_
#define FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_RENDER_HOST_H_

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "include/cef_app.h"
#include "src/browser/child_process.h"
#include "src/browser/render_process_host.h"

namespace cef_internal {

class ChildProcessRenderHost : public RenderProcessHost {
 public:
  // |program| is the render process's executable; empty: this process's
  // own. |app| is the browser process's application (for
  // OnBeforeChildProcessLaunch).
  ChildProcessRenderHost(int id,
                         Client* client,
                         CefRefPtr<CefApp> app,
                         const std::wstring& program);
  ~ChildProcessRenderHost() override;

  bool Launch(CefRefPtr<CefListValue> extra_info) override;

  // Makes the next |count| launches of render processes fail as a failed
  // CreateProcess does (the environment variable KX_FAIL_RENDER_LAUNCHES
  // sets it for a browser process at its first launch): how the suite plays
  // the rare launch that the real framework fails under Wine.
  static void FailNextLaunches(int count);
  void Shutdown(int timeout_ms) override;

  // The render process's id; 0 before Launch.
  DWORD process_id() const { return process_ ? process_->id() : 0; }

  // Channel::Delegate:
  void OnChannelClosed() override;

 private:
  // The command line before OnBeforeChildProcessLaunch sees it.
  CefRefPtr<CefCommandLine> MakeCommandLine(const std::wstring& pipe) const;
  void WatchProcess();
  void StopWatching();
  // On the UI thread, after the process ended.
  void OnProcessExited();
  // The end is reported once both the process and its channel are gone,
  // so that whatever the process sent before it ended arrives first.
  void ReportIfGone(bool channel_wait_over);
  // The channel broke while the process lives on: end it.
  void OnChannelLostTimeout();
  // Hands a process that still runs to the reaper.
  void RetireProcess();
  // Runs |task| on the UI thread after |delay_ms|, if the host still lives.
  void PostDelayed(std::function<void(ChildProcessRenderHost*)> task,
                   int delay_ms);
  static void CALLBACK OnProcessSignaled(void* context, BOOLEAN timed_out);
  static ChildProcessRenderHost* FromId(int id);

  const CefRefPtr<CefApp> app_;
  const std::wstring program_;
  std::unique_ptr<ChildProcess> process_;
  HANDLE wait_ = nullptr;
  bool exited_ = false;
  bool channel_closed_ = false;
  bool retired_ = false;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_RENDER_HOST_H_
