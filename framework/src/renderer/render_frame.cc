#include "src/renderer/render_frame.h"

#include "src/core/message_loop.h"
#include "src/renderer/render_browser.h"

namespace cef_internal {

namespace {

// The text a visitor of GetText gets: the source without its tags.
CefString StripTags(const CefString& source) {
  const std::wstring html = source.ToWString();
  std::wstring text;
  bool in_tag = false;
  for (wchar_t c : html) {
    if (c == L'<')
      in_tag = true;
    else if (c == L'>' && in_tag)
      in_tag = false;
    else if (!in_tag)
      text.push_back(c);
  }
  return CefString(text);
}

void VisitLater(MessageLoop* loop,
                CefRefPtr<CefStringVisitor> visitor,
                const CefString& text) {
  if (visitor)
    loop->PostTask([visitor, text]() { visitor->Visit(text); });
}

}  // namespace

RenderFrame::RenderFrame(RenderBrowser* browser,
                         int64 id,
                         int64 parent_id,
                         const CefString& name,
                         const CefString& url)
    : browser_(browser),
      loop_(MessageLoop::Current()),
      id_(id),
      parent_id_(parent_id),
      name_(name),
      url_(url) {}

RenderFrame::~RenderFrame() {}

void RenderFrame::SetDocument(const CefString& url,
                              const CefString& source,
                              CefRefPtr<V8ContextImpl> context) {
  url_ = url;
  source_ = source;
  context_ = context;
  document_started_ = false;
}

CefRefPtr<V8ContextImpl> RenderFrame::TakeContext() {
  CefRefPtr<V8ContextImpl> context = context_;
  context_ = nullptr;
  return context;
}

bool RenderFrame::StartDocument() {
  if (document_started_ || !context_)
    return false;
  document_started_ = true;
  return true;
}

void RenderFrame::Detach() {
  browser_ = nullptr;
}

bool RenderFrame::IsValid() {
  return browser_.get() != nullptr;
}

void RenderFrame::GetSource(CefRefPtr<CefStringVisitor> visitor) {
  VisitLater(loop_, visitor, source_);
}

void RenderFrame::GetText(CefRefPtr<CefStringVisitor> visitor) {
  VisitLater(loop_, visitor, StripTags(source_));
}

void RenderFrame::LoadRequest(CefRefPtr<CefRequest> request) {}

void RenderFrame::LoadURL(const CefString& url) {}

void RenderFrame::LoadString(const CefString& string_val,
                             const CefString& url) {}

void RenderFrame::ExecuteJavaScript(const CefString& code,
                                    const CefString& script_url,
                                    int start_line) {
  if (!loop_->BelongsToCurrentThread()) {
    // The frame's state belongs to the render thread: read it there.
    CefRefPtr<RenderFrame> self(this);
    loop_->PostTask([self, code, script_url, start_line]() {
      self->ExecuteJavaScript(code, script_url, start_line);
    });
    return;
  }
  // On the render thread the script runs on the spot, in the frame's current
  // document, before this call returns.
  if (code.empty())
    return;
  CefRefPtr<V8ContextImpl> context = context_;
  if (context)
    context->RunScript(code, script_url, start_line);
}

bool RenderFrame::IsMain() {
  return parent_id_ < 0;
}

bool RenderFrame::IsFocused() {
  return IsMain();
}

CefString RenderFrame::GetName() {
  return name_;
}

int64 RenderFrame::GetIdentifier() {
  return id_;
}

CefRefPtr<CefFrame> RenderFrame::GetParent() {
  if (!browser_ || parent_id_ < 0)
    return nullptr;
  return browser_->FindFrame(parent_id_);
}

CefString RenderFrame::GetURL() {
  return url_;
}

CefRefPtr<CefBrowser> RenderFrame::GetBrowser() {
  return browser_.get();
}

CefRefPtr<CefV8Context> RenderFrame::GetV8Context() {
  return context_.get();
}

}  // namespace cef_internal
