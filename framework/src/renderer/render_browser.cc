#include "src/renderer/render_browser.h"

#include "include/base/cef_logging.h"
#include "src/core/cef_list_value_impl.h"

namespace cef_internal {

RenderBrowser::RenderBrowser(RenderSide* side, int id, bool is_popup)
    : side_(side), id_(id), is_popup_(is_popup) {
  main_frame_ =
      new RenderFrame(this, MainFrameId(id), -1, CefString(), CefString());
  frames_[main_frame_->GetIdentifier()] = main_frame_;
}

RenderBrowser::~RenderBrowser() {}

RenderFrame* RenderBrowser::FindFrame(int64 id) const {
  auto it = frames_.find(id);
  return it == frames_.end() ? nullptr : it->second.get();
}

int64 RenderBrowser::NextSubframeId() {
  if (next_subframe_ >= kFramesPerBrowser ||
      frames_.size() >= kMaxFramesPerPage)
    return -1;
  return MainFrameId(id_) + next_subframe_++;
}

void RenderBrowser::AddFrame(CefRefPtr<RenderFrame> frame) {
  frames_[frame->GetIdentifier()] = frame;
}

void RenderBrowser::RemoveFrame(int64 id) {
  auto it = frames_.find(id);
  if (it == frames_.end() || it->second == main_frame_)
    return;
  CefRefPtr<RenderFrame> frame = it->second;
  frames_.erase(it);
  frame->Detach();
}

std::vector<CefRefPtr<RenderFrame>> RenderBrowser::Descendants(int64 id) const {
  std::vector<CefRefPtr<RenderFrame>> found;
  for (const auto& entry : frames_) {
    if (entry.second->parent_id() != id)
      continue;
    std::vector<CefRefPtr<RenderFrame>> below =
        Descendants(entry.second->GetIdentifier());
    found.insert(found.end(), below.begin(), below.end());
    found.push_back(entry.second);
  }
  return found;
}

void RenderBrowser::Detach() {
  side_ = nullptr;
  std::map<int64, CefRefPtr<RenderFrame>> frames;
  frames.swap(frames_);
  for (auto& entry : frames)
    entry.second->Detach();
  main_frame_ = nullptr;
}

bool RenderBrowser::SendToBrowser(Op op, CefRefPtr<CefListValue> args) {
  return side_ && side_->SendToBrowser(op, args);
}

CefRefPtr<CefBrowserHost> RenderBrowser::GetHost() {
  return nullptr;
}

bool RenderBrowser::IsLoading() {
  return false;
}

void RenderBrowser::Reload() {}

void RenderBrowser::StopLoad() {}

int RenderBrowser::GetIdentifier() {
  return id_;
}

bool RenderBrowser::IsSame(CefRefPtr<CefBrowser> that) {
  // As the real framework's wrapper: no null browser to compare with.
  DCHECK(that.get());
  return that && that->GetIdentifier() == id_;
}

bool RenderBrowser::IsPopup() {
  return is_popup_;
}

bool RenderBrowser::HasDocument() {
  return main_frame_ && main_frame_->context();
}

CefRefPtr<CefFrame> RenderBrowser::GetMainFrame() {
  return main_frame_.get();
}

CefRefPtr<CefFrame> RenderBrowser::GetFrame(int64 identifier) {
  return FindFrame(identifier);
}

size_t RenderBrowser::GetFrameCount() {
  return frames_.size();
}

void RenderBrowser::GetFrameIdentifiers(std::vector<int64>& identifiers) {
  identifiers.clear();
  for (const auto& entry : frames_)
    identifiers.push_back(entry.first);
}

bool RenderBrowser::SendProcessMessage(CefProcessId target_process,
                                       CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_BROWSER || !message || !message->IsValid())
    return false;
  NodePtr args = ValueNode::NewList();
  args->list.push_back(ValueNode::Int(id_));
  args->list.push_back(ValueNode::String(message->GetName().ToWString()));
  // The channel sends a copy: the message's own list goes as it is, no
  // copy of it made here first.
  NodePtr arguments =
      CefListValueImpl::NodeOf(message->GetArgumentList().get());
  if (arguments)
    args->list.push_back(arguments);
  return SendToBrowser(Op::kProcessMessage,
                       new CefListValueImpl(args, /*owned=*/false,
                                            /*read_only=*/true));
}

}  // namespace cef_internal
