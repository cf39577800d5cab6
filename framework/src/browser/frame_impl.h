// The browser-process view of one frame: identity, the last committed
// document, and the calls that travel to the frame's render side.
#ifndef FRAMEWORK_SRC_BROWSER_FRAME_IMPL_H_
#define FRAMEWORK_SRC_BROWSER_FRAME_IMPL_H_

#include <mutex>
#include <string>

#include "include/cef_frame.h"

namespace cef_internal {

class BrowserImpl;

class FrameImpl : public CefFrame {
 public:
  // |parent_id| is -1 for the main frame.
  FrameImpl(BrowserImpl* browser,
            int64 id,
            int64 parent_id,
            const CefString& name);

  // The frame is gone (its browser closed, or a new main document replaced
  // it): it turns invalid and lets go of its browser.
  void Detach();
  void SetCommitted(const std::wstring& url, const std::wstring& source);
  std::wstring source();
  size_t source_size();

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
  CefRefPtr<BrowserImpl> browser();
  // Hands |text| to |visitor| later, on the UI thread.
  static void VisitLater(CefRefPtr<CefStringVisitor> visitor,
                         const std::wstring& text);

  const int64 id_;
  const int64 parent_id_;
  const CefString name_;

  std::mutex lock_;
  CefRefPtr<BrowserImpl> browser_;
  std::wstring url_;
  std::wstring source_;

  IMPLEMENT_REFCOUNTING(FrameImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_FRAME_IMPL_H_
