#include "src/browser/context_menu_runner.h"

#include "src/browser/browser_context.h"
#include "src/browser/browser_impl.h"
#include "src/browser/context_menu_params_impl.h"
#include "src/browser/menu_model_impl.h"
#include "src/core/message_loop.h"

namespace cef_internal {

namespace {

// The browser whose Win32 menu is up (TrackPopupMenu runs a modal loop);
// UI thread only.
BrowserImpl* g_menu_browser = nullptr;

CefRefPtr<CefContextMenuHandler> MenuHandlerOf(BrowserImpl* browser) {
  CefRefPtr<CefClient> client = browser->client();
  return client ? client->GetContextMenuHandler() : nullptr;
}

// Lets a handler that runs the menu itself answer once, later.
class RunCallback : public CefRunContextMenuCallback {
 public:
  RunCallback(CefRefPtr<BrowserImpl> browser,
              CefRefPtr<CefFrame> frame,
              CefRefPtr<CefContextMenuParams> params)
      : browser_(browser), frame_(frame), params_(params) {}

  void Continue(int command_id, cef_event_flags_t event_flags) override {
    Finish(command_id, event_flags);
  }
  void Cancel() override { Finish(0, 0); }

 private:
  void Finish(int command_id, cef_event_flags_t event_flags) {
    CefRefPtr<BrowserImpl> browser;
    {
      std::lock_guard<std::mutex> hold(lock_);
      browser.swap(browser_);
    }
    if (!browser)
      return;  // Answered before.
    CefRefPtr<CefFrame> frame = frame_;
    CefRefPtr<CefContextMenuParams> params = params_;
    BrowserContext::PostUiTask([browser, frame, params, command_id,
                                event_flags]() {
      if (browser->IsClosed())
        return;
      if (command_id) {
        ContextMenuRunner::ExecuteCommand(browser, frame, params, command_id,
                                          event_flags);
      }
      CefRefPtr<CefContextMenuHandler> handler = MenuHandlerOf(browser.get());
      if (handler && !browser->IsClosed())
        handler->OnContextMenuDismissed(browser.get(), frame);
    });
  }

  std::mutex lock_;
  CefRefPtr<BrowserImpl> browser_;
  const CefRefPtr<CefFrame> frame_;
  const CefRefPtr<CefContextMenuParams> params_;

  IMPLEMENT_REFCOUNTING(RunCallback);
};

}  // namespace

void ContextMenuRunner::Run(BrowserImpl* browser_ptr, POINT screen_point) {
  CefRefPtr<BrowserImpl> browser(browser_ptr);
  HWND window = browser->GetWindowHandle();
  if (g_menu_browser || !window)
    return;  // One menu at a time.
  if (screen_point.x == -1 && screen_point.y == -1) {
    RECT bounds;
    GetWindowRect(window, &bounds);
    screen_point = {bounds.left, bounds.top};
  }
  POINT client_point = screen_point;
  ScreenToClient(window, &client_point);

  CefRefPtr<CefFrame> frame = browser->GetMainFrame();
  CefString url = frame ? frame->GetURL() : CefString();
  CefRefPtr<CefContextMenuParams> params =
      new ContextMenuParamsImpl(client_point.x, client_point.y, url, url);
  CefRefPtr<MenuModelImpl> model = new MenuModelImpl();
  model->AddDefaultItems();

  CefRefPtr<CefContextMenuHandler> handler = MenuHandlerOf(browser);
  if (handler)
    handler->OnBeforeContextMenu(browser.get(), frame, params, model.get());
  if (model->GetCount() == 0 || browser->IsClosed())
    return;
  if (handler &&
      handler->RunContextMenu(browser.get(), frame, params, model.get(),
                              new RunCallback(browser, frame, params))) {
    return;
  }

  HMENU menu = model->CreatePopupMenuHandle();
  if (!menu)
    return;
  // A menu only closes on an outside click if its owner is in front.
  SetForegroundWindow(window);
  g_menu_browser = browser.get();
  // As the real framework lets its tasks run inside a menu, the render
  // processes' messages keep arriving while it is up.
  MessageLoop* loop = MessageLoop::Current();
  loop->NativeLoopStarts();
  int command =
      TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screen_point.x,
                     screen_point.y, 0, window, nullptr);
  loop->NativeLoopEnds();
  g_menu_browser = nullptr;
  DestroyMenu(menu);
  if (browser->IsClosed())
    return;
  if (command)
    ExecuteCommand(browser, frame, params, command, 0);
  if (handler && !browser->IsClosed())
    handler->OnContextMenuDismissed(browser.get(), frame);
}

void ContextMenuRunner::CancelFor(BrowserImpl* browser) {
  if (g_menu_browser == browser)
    EndMenu();
}

void ContextMenuRunner::ExecuteCommand(CefRefPtr<BrowserImpl> browser,
                                       CefRefPtr<CefFrame> frame,
                                       CefRefPtr<CefContextMenuParams> params,
                                       int command_id,
                                       cef_event_flags_t event_flags) {
  CefRefPtr<CefContextMenuHandler> handler = MenuHandlerOf(browser.get());
  if (handler && handler->OnContextMenuCommand(browser.get(), frame, params,
                                               command_id, event_flags)) {
    return;
  }
  switch (command_id) {
    case kMenuIdReload:
      browser->Reload();
      break;
    case kMenuIdStopLoad:
      browser->StopLoad();
      break;
    default:
      break;  // Back and Forward: the stand-in keeps no history.
  }
}

}  // namespace cef_internal
