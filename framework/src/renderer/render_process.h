// The render side of the framework for one render process: its browsers,
// frames, script contexts and extensions, fed by one Channel. The same code
// runs inside the browser process (single-process mode) and in a render
// process started with "--type=renderer".
#ifndef FRAMEWORK_SRC_RENDERER_RENDER_PROCESS_H_
#define FRAMEWORK_SRC_RENDERER_RENDER_PROCESS_H_

#include "include/cef_app.h"
#include "src/channel/channel.h"

namespace cef_internal {

// Exit code of a render process whose pipe closed under it: the browser
// side dropped the channel, or the browser process ended while this process
// was outside its job. (Inside the job, the end of the browser process ends
// this one at once, with exit code 0: the job's, not ours.)
constexpr int kBrowserProcessLostExitCode = 2;

class RenderProcess : public Channel::Delegate {
 public:
  // Starts the render side on the calling thread, which becomes its main
  // thread: asks |app| for its render-process handler, then calls
  // OnRenderThreadCreated(|extra_info|) and OnWebKitInitialized. |channel|
  // must outlive this object, whose delegate it is until destruction (which
  // releases every context and browser left, with handler callbacks).
  RenderProcess(CefRefPtr<CefApp> app,
                Channel* channel,
                CefRefPtr<CefListValue> extra_info);
  ~RenderProcess() override;

  // True once kShutdown arrived (exit code 0) or the channel closed under it
  // (the browser process is gone: a non-zero exit code).
  bool finished() const;
  int exit_code() const;

  // The render-side browser with |browser_id|, or null (for test drivers,
  // which reach frames and contexts through it).
  CefRefPtr<CefBrowser> GetBrowser(int browser_id) const;

  // Channel::Delegate:
  void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) override;
  void OnChannelClosed() override;

 private:
  struct Impl;
  Impl* impl_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_RENDERER_RENDER_PROCESS_H_
