// Browser life-span events, called on the browser process's UI thread.
#ifndef CEF_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
#define CEF_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/internal/cef_types_wrappers.h"
#include "include/internal/cef_win.h"

class CefClient;

class CefLifeSpanHandler : public virtual CefBase {
 public:
  typedef cef_window_open_disposition_t WindowOpenDisposition;

  // A page asks for a new window (window.open, a link with a target). Return
  // true to cancel it; false lets the framework create the pop-up browser.
  virtual bool OnBeforePopup(CefRefPtr<CefBrowser> browser,
                             CefRefPtr<CefFrame> frame,
                             const CefString& target_url,
                             const CefString& target_frame_name,
                             WindowOpenDisposition target_disposition,
                             bool user_gesture,
                             const CefPopupFeatures& popupFeatures,
                             CefWindowInfo& windowInfo,
                             CefRefPtr<CefClient>& client,
                             CefBrowserSettings& settings,
                             bool* no_javascript_access) {
    return false;
  }

  virtual void OnAfterCreated(CefRefPtr<CefBrowser> browser) {}

  virtual bool RunModal(CefRefPtr<CefBrowser> browser) { return false; }

  // Return false to let the framework go on closing the window.
  virtual bool DoClose(CefRefPtr<CefBrowser> browser) { return false; }

  // The last event of a browser; release every reference to it here.
  virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) {}
};

#endif  // CEF_INCLUDE_CEF_LIFE_SPAN_HANDLER_H_
