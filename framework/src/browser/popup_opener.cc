#include "src/browser/popup_opener.h"

#include "src/browser/browser_context.h"
#include "src/browser/browser_impl.h"

namespace cef_internal {

void PopupOpener::Open(BrowserImpl* opener_ptr,
                       int64 frame_id,
                       const std::wstring& target_url,
                       const std::wstring& target_name) {
  CefRefPtr<BrowserImpl> opener(opener_ptr);
  CefRefPtr<CefClient> client = opener->client();
  if (!client)
    return;
  CefRefPtr<CefFrame> frame = opener->FindFrame(frame_id).get();
  if (!frame)
    frame = opener->GetMainFrame();

  // What a pop-up gets unless the handler decides otherwise.
  CefWindowInfo window_info;
  window_info.SetAsPopup(nullptr, CefString());
  CefRefPtr<CefClient> popup_client = client;
  CefBrowserSettings settings = opener->settings();
  CefPopupFeatures features;
  bool no_javascript_access = false;
  CefRefPtr<CefLifeSpanHandler> life = client->GetLifeSpanHandler();
  if (life &&
      life->OnBeforePopup(opener.get(), frame, target_url, target_name,
                          WOD_NEW_FOREGROUND_TAB, false, features, window_info,
                          popup_client, settings, &no_javascript_access)) {
    return;
  }
  BrowserContext* context = BrowserContext::Get();
  if (!context || opener->IsClosed())
    return;
  context->CreateBrowser(window_info, popup_client, target_url, settings,
                         opener->GetRequestContext(), opener.get());
}

}  // namespace cef_internal
