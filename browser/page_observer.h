// What a host hears of the page browsers, instead of polling. Register with
// EmbedBrowserHandler::AddObserver (a process-wide list: it works before
// CefInitialize and across framework restarts) and keep the observer alive
// until RemoveObserver returns. Every callback runs on the framework's UI
// thread (TID_UI); an observer may add or remove observers from one.
#ifndef BROWSER_PAGE_OBSERVER_H_
#define BROWSER_PAGE_OBSERVER_H_

#include "include/cef_browser.h"
#include "include/cef_request_handler.h"

// The two page browsers: "kxweb", the main one (the first created), and
// "avatar". EmbedBrowserHandler::WhichBrowser tells them apart.
enum class PageBrowser { kUnknown, kMain, kAvatar };

class PageObserver {
 public:
  // Why a browser's render process is gone. The first three are the
  // framework's termination statuses.
  enum RenderProcessEnd {
    kRenderProcessAbnormal = TS_ABNORMAL_TERMINATION,
    kRenderProcessKilled = TS_PROCESS_WAS_KILLED,
    kRenderProcessCrashed = TS_PROCESS_CRASHED,
    // The render program could not be started at all.
    kRenderProcessNotStarted = 100,
  };

  // |browser| exists, hidden: the host may load its page, place it
  // (SetWindowPos on browser->GetHost()->GetWindowHandle()) and show it now.
  // Once for the main browser, then once for the avatar browser; not while
  // the host is closing every browser (those are closed as they appear).
  virtual void OnBrowserCreated(CefRefPtr<CefBrowser> /*browser*/,
                                PageBrowser /*which*/) {}
  // The same moment for the main browser alone, just after
  // OnBrowserCreated(browser, PageBrowser::kMain).
  virtual void OnMainBrowserCreated(CefRefPtr<CefBrowser> /*browser*/) {}
  // The main frame of |browser| finished loading with |http_status_code|
  // (0 for a file, 200 for a served page).
  virtual void OnPageLoaded(CefRefPtr<CefBrowser> /*browser*/,
                            int /*http_status_code*/) {}
  // The same moment without the browser, just after OnPageLoaded; kept for
  // hosts written before it.
  virtual void OnMainFrameLoaded() {}
  // An "Onjump" query from |browser|'s main frame hid its window.
  virtual void OnJumped(CefRefPtr<CefBrowser> /*browser*/) {}
  // The same moment without the browser, just after OnJumped; kept for
  // hosts written before it.
  virtual void OnJump() {}
  // A frame's load failed with |error_code| (a cef_errorcode_t) and the frame
  // now shows the built-in error page under |failed_url|. Aborted loads
  // (ERR_ABORTED) leave the frame alone and are not reported.
  virtual void OnLoadFailed(CefRefPtr<CefBrowser> /*browser*/,
                            CefRefPtr<CefFrame> /*frame*/,
                            const CefString& /*failed_url*/,
                            int /*error_code*/) {}
  // A page of |browser| wrote |message| to its console (the framework writes
  // page console lines nowhere else); WhichBrowser says which browser.
  virtual void OnConsoleMessage(CefRefPtr<CefBrowser> /*browser*/,
                                const CefString& /*message*/,
                                const CefString& /*source*/,
                                int /*line*/) {}
  // |browser|'s render process ended without being asked to. The browser
  // stays open; its next page load starts a new render process. With
  // kRenderProcessNotStarted |browser| is null: the program named by
  // CefSettings.browser_subprocess_path cannot start (the framework's log
  // names it and the Win32 error), for any browser, and no page will load.
  virtual void OnRenderProcessEnded(CefRefPtr<CefBrowser> /*browser*/,
                                    RenderProcessEnd /*status*/) {}
  // |browser| has closed (its window is gone); it is no longer counted.
  virtual void OnBrowserClosed(CefRefPtr<CefBrowser> /*browser*/) {}
  // The last page browser has closed, and none is still being created:
  // CefShutdown may follow once the message loop returns.
  virtual void OnLastBrowserClosed() {}

 protected:
  virtual ~PageObserver() {}
};

#endif  // BROWSER_PAGE_OBSERVER_H_
