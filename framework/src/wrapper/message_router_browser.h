// The browser half of the message router: offers each page query to the
// handlers in order and carries the answers back to the page's context.
#ifndef FRAMEWORK_SRC_WRAPPER_MESSAGE_ROUTER_BROWSER_H_
#define FRAMEWORK_SRC_WRAPPER_MESSAGE_ROUTER_BROWSER_H_

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "include/wrapper/cef_message_router.h"

namespace cef_internal {

class MessageRouterBrowser : public CefMessageRouterBrowserSide {
 public:
  explicit MessageRouterBrowser(const CefMessageRouterConfig& config);
  MessageRouterBrowser(const MessageRouterBrowser&) = delete;
  MessageRouterBrowser& operator=(const MessageRouterBrowser&) = delete;

  // An answer from a query's callback, on the UI thread.
  void OnCallbackSuccess(int64 query_id, const CefString& response);
  void OnCallbackFailure(int64 query_id,
                         int error_code,
                         const CefString& error_message);

  // CefMessageRouterBrowserSide:
  bool AddHandler(Handler* handler, bool first) override;
  bool RemoveHandler(Handler* handler) override;
  void CancelPending(CefRefPtr<CefBrowser> browser, Handler* handler) override;
  int GetPendingCount(CefRefPtr<CefBrowser> browser, Handler* handler) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                      CefRefPtr<CefFrame> frame) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

 private:
  class QueryCallback;

  struct Query {
    CefRefPtr<CefBrowser> browser;
    int64 frame_id;
    int context_id;
    int request_id;
    bool persistent;
    Handler* handler;
    CefRefPtr<QueryCallback> callback;
  };
  typedef std::function<bool(const Query&)> QueryFilter;

  ~MessageRouterBrowser() override;

  void HandleQuery(CefRefPtr<CefBrowser> browser, CefRefPtr<CefListValue> args);
  void HandleCancel(CefRefPtr<CefBrowser> browser,
                    CefRefPtr<CefListValue> args);
  bool HasHandler(Handler* handler) const;
  // Cancels every pending query |filter| accepts: the handler hears
  // OnQueryCanceled; the page hears of it only when |notify_renderer|.
  void CancelWhere(const QueryFilter& filter, bool notify_renderer);
  static QueryFilter Matching(CefRefPtr<CefBrowser> browser, Handler* handler);
  void SendSuccess(const Query& query, const CefString& response);
  void SendFailure(CefRefPtr<CefBrowser> browser,
                   int context_id,
                   int request_id,
                   int error_code,
                   const CefString& error_message);

  const std::string query_message_name_;
  const std::string cancel_message_name_;
  std::vector<Handler*> handlers_;
  std::map<int64, Query> queries_;
  int64 last_query_id_ = 0;

  IMPLEMENT_REFCOUNTING(MessageRouterBrowser);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_WRAPPER_MESSAGE_ROUTER_BROWSER_H_
