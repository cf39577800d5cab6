// Asynchronous page queries: "window.cefQuery({request, persistent, onSuccess,
// onFailure})" in the render process, answered by handlers in the browser
// process. Both sides must be created with the same configuration.
#ifndef CEF_INCLUDE_WRAPPER_CEF_MESSAGE_ROUTER_H_
#define CEF_INCLUDE_WRAPPER_CEF_MESSAGE_ROUTER_H_

#include "include/cef_base.h"
#include "include/cef_browser.h"
#include "include/cef_frame.h"
#include "include/cef_process_message.h"
#include "include/cef_v8.h"

struct CefMessageRouterConfig {
  CefMessageRouterConfig()
      : js_query_function("cefQuery"), js_cancel_function("cefQueryCancel") {}

  // Page functions; the router's messages are named after them plus "Msg".
  CefString js_query_function;
  CefString js_cancel_function;
};

// Browser-process side. Call its methods on the UI thread.
class CefMessageRouterBrowserSide : public virtual CefBase {
 public:
  // Answers one query. Only the first Success or Failure of a non-persistent
  // query is delivered; after a cancellation nothing is.
  class Callback : public virtual CefBase {
   public:
    virtual void Success(const CefString& response) = 0;
    virtual void Failure(int error_code, const CefString& error_message) = 0;
  };

  class Handler {
   public:
    typedef CefMessageRouterBrowserSide::Callback Callback;

    // Return true to take the query and answer it now or later through
    // |callback|; false passes it to the next handler.
    virtual bool OnQuery(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         int64 query_id,
                         const CefString& request,
                         bool persistent,
                         CefRefPtr<Callback> callback) {
      return false;
    }

    // A query this handler took was cancelled (page, navigation, close or a
    // renderer that ended).
    virtual void OnQueryCanceled(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 int64 query_id) {}

    virtual ~Handler() {}
  };

  static CefRefPtr<CefMessageRouterBrowserSide> Create(
      const CefMessageRouterConfig& config);

  // Adds |handler| first or last in the order queries are offered. Returns
  // false when it is already there.
  virtual bool AddHandler(Handler* handler, bool first) = 0;
  // Removes |handler|, cancelling its pending queries.
  virtual bool RemoveHandler(Handler* handler) = 0;
  // Cancels pending queries of |browser| (all browsers when null), of
  // |handler| (all handlers when null).
  virtual void CancelPending(CefRefPtr<CefBrowser> browser,
                             Handler* handler) = 0;
  virtual int GetPendingCount(CefRefPtr<CefBrowser> browser,
                              Handler* handler) = 0;

  // Call from the client's life-span, request and message callbacks.
  virtual void OnBeforeClose(CefRefPtr<CefBrowser> browser) = 0;
  virtual void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser) = 0;
  virtual void OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                              CefRefPtr<CefFrame> frame) = 0;
  // True only for the router's own messages.
  virtual bool OnProcessMessageReceived(
      CefRefPtr<CefBrowser> browser,
      CefProcessId source_process,
      CefRefPtr<CefProcessMessage> message) = 0;
};

// Render-process side. Call its methods on the render main thread.
class CefMessageRouterRendererSide : public virtual CefBase {
 public:
  static CefRefPtr<CefMessageRouterRendererSide> Create(
      const CefMessageRouterConfig& config);

  virtual int GetPendingCount(CefRefPtr<CefBrowser> browser,
                              CefRefPtr<CefV8Context> context) = 0;

  // Call from the render-process handler's callbacks of the same names.
  virtual void OnContextCreated(CefRefPtr<CefBrowser> browser,
                                CefRefPtr<CefFrame> frame,
                                CefRefPtr<CefV8Context> context) = 0;
  virtual void OnContextReleased(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) = 0;
  // True only for the router's own messages that it was waiting for.
  virtual bool OnProcessMessageReceived(
      CefRefPtr<CefBrowser> browser,
      CefProcessId source_process,
      CefRefPtr<CefProcessMessage> message) = 0;
};

#endif  // CEF_INCLUDE_WRAPPER_CEF_MESSAGE_ROUTER_H_
