#include "src/wrapper/message_router_browser.h"

#include <algorithm>
#include <mutex>
#include <utility>

#include "include/cef_task.h"
#include "src/wrapper/message_router_protocol.h"

namespace cef_internal {

namespace {

class ClosureTask : public CefTask {
 public:
  explicit ClosureTask(std::function<void()> closure)
      : closure_(std::move(closure)) {}
  void Execute() override { closure_(); }

 private:
  std::function<void()> closure_;

  IMPLEMENT_REFCOUNTING(ClosureTask);
};

void PostToUi(std::function<void()> closure) {
  CefPostTask(TID_UI, new ClosureTask(std::move(closure)));
}

bool IsNumber(CefRefPtr<CefListValue> args, size_t index) {
  CefValueType type = args->GetType(index);
  return type == VTYPE_DOUBLE || type == VTYPE_INT;
}

// A render process may send any double: one that no int64 holds (NaN, an
// infinity, beyond 2^53) names no frame (-1) rather than being cast.
int64 FrameIdOf(CefRefPtr<CefListValue> args, size_t index) {
  if (args->GetType(index) == VTYPE_INT)
    return args->GetInt(index);
  const double value = args->GetDouble(index);
  if (!(value >= -9007199254740992.0 && value <= 9007199254740992.0))
    return -1;
  return static_cast<int64>(value);
}

}  // namespace

// Answers one query. Every answer is posted, so that a handler may answer
// from inside OnQuery, before the router has recorded the query.
class MessageRouterBrowser::QueryCallback : public Callback {
 public:
  QueryCallback(CefRefPtr<MessageRouterBrowser> router,
                int64 query_id,
                bool persistent)
      : router_(router), query_id_(query_id), persistent_(persistent) {}

  void Success(const CefString& response) override {
    CefRefPtr<MessageRouterBrowser> router =
        persistent_ ? Router() : TakeRouter();
    if (!router)
      return;
    const int64 id = query_id_;
    PostToUi(
        [router, id, response]() { router->OnCallbackSuccess(id, response); });
  }

  void Failure(int error_code, const CefString& error_message) override {
    CefRefPtr<MessageRouterBrowser> router = TakeRouter();
    if (!router)
      return;
    const int64 id = query_id_;
    PostToUi([router, id, error_code, error_message]() {
      router->OnCallbackFailure(id, error_code, error_message);
    });
  }

  // The query is over (answered or cancelled): later answers do nothing.
  void Detach() { TakeRouter(); }

 private:
  CefRefPtr<MessageRouterBrowser> Router() {
    std::lock_guard<std::mutex> hold(lock_);
    return router_;
  }
  CefRefPtr<MessageRouterBrowser> TakeRouter() {
    std::lock_guard<std::mutex> hold(lock_);
    CefRefPtr<MessageRouterBrowser> router;
    router.swap(router_);
    return router;
  }

  std::mutex lock_;
  CefRefPtr<MessageRouterBrowser> router_;
  const int64 query_id_;
  const bool persistent_;

  IMPLEMENT_REFCOUNTING(QueryCallback);
};

MessageRouterBrowser::MessageRouterBrowser(const CefMessageRouterConfig& config)
    : query_message_name_(QueryMessageName(config)),
      cancel_message_name_(CancelMessageName(config)) {}

MessageRouterBrowser::~MessageRouterBrowser() {}

void MessageRouterBrowser::OnCallbackSuccess(int64 query_id,
                                             const CefString& response) {
  auto it = queries_.find(query_id);
  if (it == queries_.end())
    return;  // Cancelled meanwhile.
  Query query = it->second;
  if (!query.persistent)
    queries_.erase(it);
  SendSuccess(query, response);
}

void MessageRouterBrowser::OnCallbackFailure(int64 query_id,
                                             int error_code,
                                             const CefString& error_message) {
  auto it = queries_.find(query_id);
  if (it == queries_.end())
    return;
  Query query = it->second;
  queries_.erase(it);
  query.callback->Detach();
  SendFailure(query.browser, query.context_id, query.request_id, error_code,
              error_message);
}

bool MessageRouterBrowser::AddHandler(Handler* handler, bool first) {
  if (!handler || HasHandler(handler))
    return false;
  handlers_.insert(first ? handlers_.begin() : handlers_.end(), handler);
  return true;
}

bool MessageRouterBrowser::RemoveHandler(Handler* handler) {
  auto it = std::find(handlers_.begin(), handlers_.end(), handler);
  if (it == handlers_.end())
    return false;
  handlers_.erase(it);
  CancelWhere(Matching(nullptr, handler), true);
  return true;
}

void MessageRouterBrowser::CancelPending(CefRefPtr<CefBrowser> browser,
                                         Handler* handler) {
  CancelWhere(Matching(browser, handler), true);
}

int MessageRouterBrowser::GetPendingCount(CefRefPtr<CefBrowser> browser,
                                          Handler* handler) {
  QueryFilter filter = Matching(browser, handler);
  int count = 0;
  for (const auto& entry : queries_)
    count += filter(entry.second) ? 1 : 0;
  return count;
}

void MessageRouterBrowser::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  CancelWhere(Matching(browser, nullptr), false);
}

void MessageRouterBrowser::OnRenderProcessTerminated(
    CefRefPtr<CefBrowser> browser) {
  CancelWhere(Matching(browser, nullptr), false);
}

void MessageRouterBrowser::OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                                          CefRefPtr<CefFrame> frame) {
  // A new main document ends every context of the old one.
  if (frame && frame->IsMain())
    CancelWhere(Matching(browser, nullptr), false);
}

bool MessageRouterBrowser::OnProcessMessageReceived(
    CefRefPtr<CefBrowser> browser,
    CefProcessId source_process,
    CefRefPtr<CefProcessMessage> message) {
  if (!browser || !message)
    return false;
  const std::string name = message->GetName().ToString();
  if (name == query_message_name_) {
    HandleQuery(browser, message->GetArgumentList());
    return true;
  }
  if (name == cancel_message_name_) {
    HandleCancel(browser, message->GetArgumentList());
    return true;
  }
  return false;
}

void MessageRouterBrowser::HandleQuery(CefRefPtr<CefBrowser> browser,
                                       CefRefPtr<CefListValue> args) {
  if (!args || args->GetSize() < 5 || !IsNumber(args, 0) ||
      args->GetType(1) != VTYPE_INT || args->GetType(2) != VTYPE_INT ||
      args->GetType(3) != VTYPE_STRING || args->GetType(4) != VTYPE_BOOL) {
    return;  // Not from a router of this generation: nothing to answer.
  }
  Query query;
  query.browser = browser;
  query.frame_id = FrameIdOf(args, 0);
  query.context_id = args->GetInt(1);
  query.request_id = args->GetInt(2);
  query.persistent = args->GetBool(4);
  query.handler = nullptr;
  const CefString request = args->GetString(3);
  const int64 query_id = ++last_query_id_;
  query.callback = new QueryCallback(this, query_id, query.persistent);

  CefRefPtr<CefFrame> frame = browser->GetFrame(query.frame_id);
  // A copy: handlers may add or remove handlers while the query is offered.
  std::vector<Handler*> handlers = handlers_;
  for (Handler* handler : handlers) {
    if (!HasHandler(handler))
      continue;
    if (handler->OnQuery(browser, frame, query_id, request, query.persistent,
                         query.callback.get())) {
      query.handler = handler;
      break;
    }
  }
  if (query.handler && HasHandler(query.handler)) {
    queries_[query_id] = query;
    return;
  }
  query.callback->Detach();
  SendFailure(browser, query.context_id, query.request_id, kQueryCanceledCode,
              kQueryCanceledMessage);
}

void MessageRouterBrowser::HandleCancel(CefRefPtr<CefBrowser> browser,
                                        CefRefPtr<CefListValue> args) {
  if (!args || args->GetSize() < 2 || args->GetType(0) != VTYPE_INT ||
      args->GetType(1) != VTYPE_INT) {
    return;
  }
  const int browser_id = browser->GetIdentifier();
  const int context_id = args->GetInt(0);
  const int request_id = args->GetInt(1);
  CancelWhere(
      [browser_id, context_id, request_id](const Query& query) {
        return query.browser->GetIdentifier() == browser_id &&
               query.context_id == context_id &&
               (request_id == 0 || query.request_id == request_id);
      },
      false);
}

bool MessageRouterBrowser::HasHandler(Handler* handler) const {
  return std::find(handlers_.begin(), handlers_.end(), handler) !=
         handlers_.end();
}

void MessageRouterBrowser::CancelWhere(const QueryFilter& filter,
                                       bool notify_renderer) {
  std::vector<std::pair<int64, Query>> cancelled;
  for (auto it = queries_.begin(); it != queries_.end();) {
    if (filter(it->second)) {
      cancelled.push_back(*it);
      it = queries_.erase(it);
    } else {
      ++it;
    }
  }
  // Out of the map first: a handler may start or cancel queries from
  // OnQueryCanceled.
  for (auto& entry : cancelled) {
    Query& query = entry.second;
    query.callback->Detach();
    if (notify_renderer) {
      SendFailure(query.browser, query.context_id, query.request_id,
                  kQueryCanceledCode, kQueryCanceledMessage);
    }
    query.handler->OnQueryCanceled(
        query.browser, query.browser->GetFrame(query.frame_id), entry.first);
  }
}

MessageRouterBrowser::QueryFilter MessageRouterBrowser::Matching(
    CefRefPtr<CefBrowser> browser,
    Handler* handler) {
  const int browser_id = browser ? browser->GetIdentifier() : -1;
  return [browser_id, handler](const Query& query) {
    return (browser_id == -1 || query.browser->GetIdentifier() == browser_id) &&
           (!handler || query.handler == handler);
  };
}

void MessageRouterBrowser::SendSuccess(const Query& query,
                                       const CefString& response) {
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(query_message_name_);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetInt(0, query.context_id);
  args->SetInt(1, query.request_id);
  args->SetBool(2, true);
  args->SetString(3, response);
  query.browser->SendProcessMessage(PID_RENDERER, message);
}

void MessageRouterBrowser::SendFailure(CefRefPtr<CefBrowser> browser,
                                       int context_id,
                                       int request_id,
                                       int error_code,
                                       const CefString& error_message) {
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(query_message_name_);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetInt(0, context_id);
  args->SetInt(1, request_id);
  args->SetBool(2, false);
  args->SetInt(3, error_code);
  args->SetString(4, error_message);
  browser->SendProcessMessage(PID_RENDERER, message);
}

}  // namespace cef_internal

CefRefPtr<CefMessageRouterBrowserSide> CefMessageRouterBrowserSide::Create(
    const CefMessageRouterConfig& config) {
  if (config.js_query_function.empty() || config.js_cancel_function.empty() ||
      config.js_query_function == config.js_cancel_function) {
    return nullptr;
  }
  return new cef_internal::MessageRouterBrowser(config);
}
