// The render half of the message router: gives every context the page
// functions window[js_query_function] and window[js_cancel_function], sends
// queries to the browser half and hands its answers to the page's callbacks.
#ifndef FRAMEWORK_SRC_WRAPPER_MESSAGE_ROUTER_RENDERER_H_
#define FRAMEWORK_SRC_WRAPPER_MESSAGE_ROUTER_RENDERER_H_

#include <map>
#include <string>
#include <utility>

#include "include/wrapper/cef_message_router.h"

namespace cef_internal {

class MessageRouterRenderer : public CefMessageRouterRendererSide {
 public:
  explicit MessageRouterRenderer(const CefMessageRouterConfig& config);
  MessageRouterRenderer(const MessageRouterRenderer&) = delete;
  MessageRouterRenderer& operator=(const MessageRouterRenderer&) = delete;

  // The page functions. Bad arguments set |exception|, like the real router.
  void Query(const CefV8ValueList& arguments,
             CefRefPtr<CefV8Value>& retval,
             CefString& exception);
  void Cancel(const CefV8ValueList& arguments,
              CefRefPtr<CefV8Value>& retval,
              CefString& exception);

  // CefMessageRouterRendererSide:
  int GetPendingCount(CefRefPtr<CefBrowser> browser,
                      CefRefPtr<CefV8Context> context) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  // Takes (returns true for) every query answer, as the real router does;
  // the page's onSuccess/onFailure runs later, from a task posted to the
  // render thread, never inside this call.
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

 private:
  class PageFunction;

  struct ContextEntry {
    CefRefPtr<CefV8Context> context;
    int browser_id;
  };
  struct PendingQuery {
    bool persistent;
    CefRefPtr<CefV8Value> on_success;
    CefRefPtr<CefV8Value> on_failure;
  };
  // (context id, request id)
  typedef std::pair<int, int> QueryKey;

  ~MessageRouterRenderer() override;

  // The router's id for |context|, or 0 when it was never announced.
  int ContextIdOf(CefRefPtr<CefV8Context> context) const;
  // Sends the cancel message for |request_id| (0: all) of |context_id|.
  void SendCancel(int context_id, int request_id);
  // The posted half of OnProcessMessageReceived: finds the query (it may
  // have been cancelled or its context released meanwhile) and answers it.
  void DeliverAnswer(int browser_id, CefRefPtr<CefListValue> args);
  // Runs |callback| in the query's context; its errors stay in the page.
  void Deliver(int context_id,
               CefRefPtr<CefV8Value> callback,
               const CefV8ValueList& arguments);

  const CefMessageRouterConfig config_;
  const std::string query_message_;
  const std::string cancel_message_;
  std::map<int, ContextEntry> contexts_;
  std::map<QueryKey, PendingQuery> queries_;
  int next_context_id_ = 1;
  int next_request_id_ = 1;

  IMPLEMENT_REFCOUNTING(MessageRouterRenderer);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_WRAPPER_MESSAGE_ROUTER_RENDERER_H_
