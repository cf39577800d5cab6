#include "src/browser/in_process_render_process_host.h"

#include <utility>

#include "src/channel/in_memory_channel.h"
#include "src/core/message_loop.h"
#include "src/renderer/render_process.h"

namespace cef_internal {

InProcessRenderProcessHost::InProcessRenderProcessHost(int id,
                                                       Client* client,
                                                       CefRefPtr<CefApp> app)
    : RenderProcessHost(id, client), app_(app) {}

InProcessRenderProcessHost::~InProcessRenderProcessHost() {
  // The render side goes first: it still points at its channel end.
  if (render_end_)
    render_end_->SetDelegate(nullptr);
  render_process_.reset();
  render_end_.reset();
  DetachChannel();
}

bool InProcessRenderProcessHost::Launch(CefRefPtr<CefListValue> extra_info) {
  if (render_process_)
    return false;
  std::unique_ptr<Channel> browser_end;
  InMemoryChannel::CreatePair(&browser_end, &render_end_);
  AttachChannel(std::move(browser_end));
  render_process_.reset(new RenderProcess(app_, render_end_.get(), extra_info));
  render_end_->SetDelegate(render_process_.get());
  return true;
}

void InProcessRenderProcessHost::Shutdown(int timeout_ms) {
  BeginShutdown();
  if (!render_process_)
    return;
  // Both ends deliver on this thread: run it until the render side has seen
  // everything sent before kShutdown, and kShutdown itself.
  RenderProcess* render = render_process_.get();
  MessageLoop::Current()->RunUntil([render]() { return render->finished(); },
                                   timeout_ms);
}

}  // namespace cef_internal
