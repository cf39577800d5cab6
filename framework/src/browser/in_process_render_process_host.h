// A render side inside the browser process, on the UI thread, joined by an
// in-memory channel: single-process mode.
#ifndef FRAMEWORK_SRC_BROWSER_IN_PROCESS_RENDER_PROCESS_HOST_H_
#define FRAMEWORK_SRC_BROWSER_IN_PROCESS_RENDER_PROCESS_HOST_H_

#include <memory>

#include "include/cef_app.h"
#include "src/browser/render_process_host.h"

namespace cef_internal {

class RenderProcess;

class InProcessRenderProcessHost : public RenderProcessHost {
 public:
  // |app| is the browser process's application: in one process it is also
  // the render side's.
  InProcessRenderProcessHost(int id, Client* client, CefRefPtr<CefApp> app);
  ~InProcessRenderProcessHost() override;

  bool Launch(CefRefPtr<CefListValue> extra_info) override;
  void Shutdown(int timeout_ms) override;

 private:
  const CefRefPtr<CefApp> app_;
  // Declared before |render_process_|, which must not outlive it.
  std::unique_ptr<Channel> render_end_;
  std::unique_ptr<RenderProcess> render_process_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_IN_PROCESS_RENDER_PROCESS_HOST_H_
