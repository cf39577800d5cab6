// A frame as the render process sees it: its committed document and that
// document's script context. Navigation is the browser side's business, so
// LoadURL, LoadString and LoadRequest do nothing here, as no op carries
// them back.
#ifndef FRAMEWORK_SRC_RENDERER_RENDER_FRAME_H_
#define FRAMEWORK_SRC_RENDERER_RENDER_FRAME_H_

#include "include/cef_frame.h"
#include "src/script/v8_context_impl.h"

namespace cef_internal {

class MessageLoop;
class RenderBrowser;

class RenderFrame : public CefFrame {
 public:
  RenderFrame(RenderBrowser* browser,
              int64 id,
              int64 parent_id,
              const CefString& name,
              const CefString& url);

  int64 parent_id() const { return parent_id_; }
  const CefString& source() const { return source_; }
  CefRefPtr<V8ContextImpl> context() const { return context_; }
  RenderBrowser* browser() const { return browser_.get(); }

  // A new document: the previous context must already be released.
  void SetDocument(const CefString& url,
                   const CefString& source,
                   CefRefPtr<V8ContextImpl> context);
  // Takes the context away (to release it); the document stays.
  CefRefPtr<V8ContextImpl> TakeContext();
  // True the first time for each document: its scripts run once.
  bool StartDocument();
  // The frame is gone: it lets go of its browser.
  void Detach();

  // CefFrame:
  bool IsValid() override;
  void GetSource(CefRefPtr<CefStringVisitor> visitor) override;
  void GetText(CefRefPtr<CefStringVisitor> visitor) override;
  void LoadRequest(CefRefPtr<CefRequest> request) override;
  void LoadURL(const CefString& url) override;
  void LoadString(const CefString& string_val, const CefString& url) override;
  void ExecuteJavaScript(const CefString& code,
                         const CefString& script_url,
                         int start_line) override;
  bool IsMain() override;
  bool IsFocused() override;
  CefString GetName() override;
  int64 GetIdentifier() override;
  CefRefPtr<CefFrame> GetParent() override;
  CefString GetURL() override;
  CefRefPtr<CefBrowser> GetBrowser() override;
  CefRefPtr<CefV8Context> GetV8Context() override;

 private:
  ~RenderFrame() override;

  CefRefPtr<RenderBrowser> browser_;
  // The render main thread's loop: asynchronous work goes there, whichever
  // thread asks for it.
  MessageLoop* const loop_;
  const int64 id_;
  const int64 parent_id_;
  const CefString name_;
  CefString url_;
  CefString source_;
  CefRefPtr<V8ContextImpl> context_;
  bool document_started_ = false;

  IMPLEMENT_REFCOUNTING(RenderFrame);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_RENDERER_RENDER_FRAME_H_
