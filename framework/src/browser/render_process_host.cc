#include "src/browser/render_process_host.h"

#include <utility>

namespace cef_internal {

RenderProcessHost::RenderProcessHost(int id, Client* client)
    : id_(id), client_(client) {}

RenderProcessHost::~RenderProcessHost() {
  DetachChannel();
}

bool RenderProcessHost::Send(Op op, CefRefPtr<CefListValue> args) {
  if (!alive_ || !channel_)
    return false;
  return channel_->Send(op, args);
}

void RenderProcessHost::OnChannelMessage(Op op, CefRefPtr<CefListValue> args) {
  if (!alive_ || shutting_down_ || !args)
    return;
  client_->OnRenderMessage(this, op, args);
}

void RenderProcessHost::OnChannelClosed() {
  ReportGone(TS_PROCESS_CRASHED);
}

void RenderProcessHost::AttachChannel(std::unique_ptr<Channel> channel) {
  channel_ = std::move(channel);
  channel_->SetDelegate(this);
  alive_ = true;
}

void RenderProcessHost::BeginShutdown() {
  if (shutting_down_)
    return;
  if (alive_ && channel_)
    channel_->Send(Op::kShutdown, CefListValue::Create());
  shutting_down_ = true;
}

void RenderProcessHost::ReportGone(cef_termination_status_t status) {
  if (!alive_)
    return;
  alive_ = false;
  if (!shutting_down_)
    client_->OnRenderProcessGone(this, status);
}

void RenderProcessHost::DetachChannel() {
  if (!channel_)
    return;
  channel_->SetDelegate(nullptr);
  channel_->Close();
  channel_.reset();
  alive_ = false;
}

}  // namespace cef_internal
