#include "src/browser/popup_opener.h"

#include <memory>

#include "src/browser/browser_context.h"
#include "src/browser/browser_impl.h"

namespace cef_internal {

namespace {

// What OnBeforePopup may change, carried to the IO thread and back.
struct PopupRequest {
  CefRefPtr<BrowserImpl> opener;
  CefRefPtr<CefFrame> frame;
  CefString target_url;
  CefString target_name;
  CefWindowInfo window_info;
  CefRefPtr<CefClient> client;
  CefBrowserSettings settings;
  CefPopupFeatures features;
  bool no_javascript_access = false;
};

// UI thread: a pop-up the handler let through becomes a browser.
void CreatePopup(std::shared_ptr<PopupRequest> request) {
  BrowserContext* context = BrowserContext::Get();
  if (!context || request->opener->IsClosed())
    return;
  context->CreateBrowser(request->window_info, request->client,
                         request->target_url, request->settings,
                         request->opener->GetRequestContext(),
                         request->opener.get());
}

}  // namespace

void PopupOpener::Open(BrowserImpl* opener_ptr,
                       int64 frame_id,
                       const std::wstring& target_url,
                       const std::wstring& target_name) {
  CefRefPtr<BrowserImpl> opener(opener_ptr);
  CefRefPtr<CefClient> client = opener->client();
  BrowserContext* context = BrowserContext::Get();
  if (!client || !context)
    return;
  auto request = std::make_shared<PopupRequest>();
  request->opener = opener;
  request->frame = opener->FindFrame(frame_id).get();
  if (!request->frame)
    request->frame = opener->GetMainFrame();
  request->target_url = target_url;
  request->target_name = target_name;
  // What a pop-up gets unless the handler decides otherwise.
  request->window_info.SetAsPopup(nullptr, CefString());
  request->client = client;
  request->settings = opener->settings();
  CefRefPtr<CefLifeSpanHandler> life = client->GetLifeSpanHandler();
  if (!life) {
    CreatePopup(request);
    return;
  }
  // As in the real framework, the handler decides on the IO thread.
  context->PostIoTask([life, request]() {
    if (life->OnBeforePopup(request->opener.get(), request->frame,
                            request->target_url, request->target_name,
                            WOD_NEW_FOREGROUND_TAB, false, request->features,
                            request->window_info, request->client,
                            request->settings,
                            &request->no_javascript_access)) {
      return;
    }
    BrowserContext::PostUiTask([request]() { CreatePopup(request); });
  });
}

}  // namespace cef_internal
