// A browser as the render process sees it: an id, its frames and the way
// back to the browser process. GetHost() is null here, as in any render
// process.
#ifndef FRAMEWORK_SRC_RENDERER_RENDER_BROWSER_H_
#define FRAMEWORK_SRC_RENDERER_RENDER_BROWSER_H_

#include <map>
#include <vector>

#include "include/cef_browser.h"
#include "src/renderer/render_frame.h"
#include "src/renderer/render_side.h"

namespace cef_internal {

class RenderBrowser : public CefBrowser {
 public:
  RenderBrowser(RenderSide* side, int id, bool is_popup);

  RenderFrame* FindFrame(int64 id) const;
  RenderFrame* main_frame() const { return main_frame_.get(); }
  // A new sub-frame id, or -1 once this browser has used them all or has
  // as many frames as a page may.
  int64 NextSubframeId();
  void AddFrame(CefRefPtr<RenderFrame> frame);
  void RemoveFrame(int64 id);
  // The frames below |id|, deepest first.
  std::vector<CefRefPtr<RenderFrame>> Descendants(int64 id) const;
  // The browser is gone: frames and the way back are dropped.
  void Detach();
  bool SendToBrowser(Op op, CefRefPtr<CefListValue> args);

  // CefBrowser:
  CefRefPtr<CefBrowserHost> GetHost() override;
  bool IsLoading() override;
  void Reload() override;
  void StopLoad() override;
  int GetIdentifier() override;
  bool IsSame(CefRefPtr<CefBrowser> that) override;
  bool IsPopup() override;
  bool HasDocument() override;
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
  size_t GetFrameCount() override;
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
  bool SendProcessMessage(CefProcessId target_process,
                          CefRefPtr<CefProcessMessage> message) override;

 private:
  ~RenderBrowser() override;

  RenderSide* side_;
  const int id_;
  const bool is_popup_;
  CefRefPtr<RenderFrame> main_frame_;
  std::map<int64, CefRefPtr<RenderFrame>> frames_;
  int64 next_subframe_ = 1;

  IMPLEMENT_REFCOUNTING(RenderBrowser);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_RENDERER_RENDER_BROWSER_H_
