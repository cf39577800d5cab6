#include "src/wrapper/message_router_renderer.h"

#include <functional>
#include <utility>
#include <vector>

#include "include/cef_task.h"
#include "src/wrapper/message_router_protocol.h"

namespace cef_internal {

namespace {

class AnswerTask : public CefTask {
 public:
  explicit AnswerTask(std::function<void()> closure)
      : closure_(std::move(closure)) {}
  void Execute() override { closure_(); }

 private:
  std::function<void()> closure_;
  IMPLEMENT_REFCOUNTING(AnswerTask);
};

constexpr char kMemberRequest[] = "request";
constexpr char kMemberOnSuccess[] = "onSuccess";
constexpr char kMemberOnFailure[] = "onFailure";
constexpr char kMemberPersistent[] = "persistent";

std::string MemberError(const char* member, const char* type) {
  return std::string("Invalid arguments; object member '") + member +
         "' must have type " + type;
}

// Next id in 1..INT_MAX, wrapping around.
int TakeId(int* next) {
  int id = *next;
  *next = id == 0x7FFFFFFF ? 1 : id + 1;
  return id;
}

}  // namespace

// window[js_query_function] and window[js_cancel_function].
class MessageRouterRenderer::PageFunction : public CefV8Handler {
 public:
  PageFunction(CefRefPtr<MessageRouterRenderer> router, bool is_query)
      : router_(router), is_query_(is_query) {}

  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    if (is_query_)
      router_->Query(arguments, retval, exception);
    else
      router_->Cancel(arguments, retval, exception);
    return true;
  }

 private:
  const CefRefPtr<MessageRouterRenderer> router_;
  const bool is_query_;

  IMPLEMENT_REFCOUNTING(PageFunction);
};

MessageRouterRenderer::MessageRouterRenderer(
    const CefMessageRouterConfig& config)
    : config_(config),
      query_message_(QueryMessageName(config)),
      cancel_message_(CancelMessageName(config)) {}

MessageRouterRenderer::~MessageRouterRenderer() {}

void MessageRouterRenderer::Query(const CefV8ValueList& arguments,
                                  CefRefPtr<CefV8Value>& retval,
                                  CefString& exception) {
  if (arguments.size() != 1 || !arguments[0]->IsObject()) {
    exception = "Invalid arguments; expecting a single object";
    return;
  }
  CefRefPtr<CefV8Value> arg = arguments[0];
  CefRefPtr<CefV8Value> request = arg->GetValue(kMemberRequest);
  if (!request || !request->IsString()) {
    exception = "Invalid arguments; object member '" +
                std::string(kMemberRequest) +
                "' is required and must have type string";
    return;
  }
  PendingQuery query = {false, nullptr, nullptr};
  if (arg->HasValue(kMemberOnSuccess)) {
    query.on_success = arg->GetValue(kMemberOnSuccess);
    if (!query.on_success || !query.on_success->IsFunction()) {
      exception = MemberError(kMemberOnSuccess, "function");
      return;
    }
  }
  if (arg->HasValue(kMemberOnFailure)) {
    query.on_failure = arg->GetValue(kMemberOnFailure);
    if (!query.on_failure || !query.on_failure->IsFunction()) {
      exception = MemberError(kMemberOnFailure, "function");
      return;
    }
  }
  if (arg->HasValue(kMemberPersistent)) {
    CefRefPtr<CefV8Value> persistent = arg->GetValue(kMemberPersistent);
    if (!persistent || !persistent->IsBool()) {
      exception = MemberError(kMemberPersistent, "boolean");
      return;
    }
    query.persistent = persistent->GetBoolValue();
  }

  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  int context_id = ContextIdOf(context);
  CefRefPtr<CefBrowser> browser = context ? context->GetBrowser() : nullptr;
  CefRefPtr<CefFrame> frame = context ? context->GetFrame() : nullptr;
  if (!context_id || !browser || !frame) {
    exception = "Invalid context";
    return;
  }
  int request_id = TakeId(&next_request_id_);
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(query_message_);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetDouble(0, static_cast<double>(frame->GetIdentifier()));
  args->SetInt(1, context_id);
  args->SetInt(2, request_id);
  args->SetString(3, request->GetStringValue());
  args->SetBool(4, query.persistent);
  queries_[QueryKey(context_id, request_id)] = query;
  browser->SendProcessMessage(PID_BROWSER, message);
  retval = CefV8Value::CreateInt(request_id);
}

void MessageRouterRenderer::Cancel(const CefV8ValueList& arguments,
                                   CefRefPtr<CefV8Value>& retval,
                                   CefString& exception) {
  if (arguments.size() != 1 || !arguments[0]->IsInt()) {
    exception = "Invalid arguments; expecting a single integer";
    return;
  }
  int request_id = arguments[0]->GetIntValue();
  int context_id = ContextIdOf(CefV8Context::GetCurrentContext());
  bool canceled = request_id > 0 && context_id &&
                  queries_.erase(QueryKey(context_id, request_id)) > 0;
  if (canceled)
    SendCancel(context_id, request_id);
  retval = CefV8Value::CreateBool(canceled);
}

int MessageRouterRenderer::GetPendingCount(CefRefPtr<CefBrowser> browser,
                                           CefRefPtr<CefV8Context> context) {
  int context_id = context ? ContextIdOf(context) : 0;
  if (context && !context_id)
    return 0;
  int count = 0;
  for (const auto& entry : queries_) {
    int id = entry.first.first;
    if (context_id && id != context_id)
      continue;
    auto it = contexts_.find(id);
    if (browser && (it == contexts_.end() ||
                    it->second.browser_id != browser->GetIdentifier())) {
      continue;
    }
    ++count;
  }
  return count;
}

void MessageRouterRenderer::OnContextCreated(CefRefPtr<CefBrowser> browser,
                                             CefRefPtr<CefFrame> frame,
                                             CefRefPtr<CefV8Context> context) {
  if (!browser || !context || ContextIdOf(context) || !context->Enter())
    return;
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  const CefV8Value::PropertyAttribute attributes =
      static_cast<CefV8Value::PropertyAttribute>(
          V8_PROPERTY_ATTRIBUTE_READONLY | V8_PROPERTY_ATTRIBUTE_DONTENUM |
          V8_PROPERTY_ATTRIBUTE_DONTDELETE);
  global->SetValue(config_.js_query_function,
                   CefV8Value::CreateFunction(config_.js_query_function,
                                              new PageFunction(this, true)),
                   attributes);
  global->SetValue(config_.js_cancel_function,
                   CefV8Value::CreateFunction(config_.js_cancel_function,
                                              new PageFunction(this, false)),
                   attributes);
  context->Exit();
  contexts_[TakeId(&next_context_id_)] =
      ContextEntry{context, browser->GetIdentifier()};
}

void MessageRouterRenderer::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                              CefRefPtr<CefFrame> frame,
                                              CefRefPtr<CefV8Context> context) {
  int context_id = ContextIdOf(context);
  if (!context_id)
    return;
  auto first = queries_.lower_bound(QueryKey(context_id, 0));
  auto last = queries_.lower_bound(QueryKey(context_id + 1, 0));
  if (first != last) {
    // Erased before sending: nothing of the released context stays.
    queries_.erase(first, last);
    SendCancel(context_id, 0);
  }
  contexts_.erase(context_id);
}

bool MessageRouterRenderer::OnProcessMessageReceived(
    CefRefPtr<CefBrowser> browser,
    CefProcessId source_process,
    CefRefPtr<CefProcessMessage> message) {
  if (!message || message->GetName().ToString() != query_message_)
    return false;
  if (!browser)
    return true;
  CefRefPtr<MessageRouterRenderer> self(this);
  const int browser_id = browser->GetIdentifier();
  CefRefPtr<CefListValue> args = message->GetArgumentList()->Copy();
  CefPostTask(TID_RENDERER, new AnswerTask([self, browser_id, args]() {
                self->DeliverAnswer(browser_id, args);
              }));
  return true;
}

void MessageRouterRenderer::DeliverAnswer(int browser_id,
                                          CefRefPtr<CefListValue> args) {
  if (args->GetType(0) != VTYPE_INT || args->GetType(1) != VTYPE_INT ||
      args->GetType(2) != VTYPE_BOOL) {
    return;
  }
  const QueryKey key(args->GetInt(0), args->GetInt(1));
  auto query = queries_.find(key);
  auto context = contexts_.find(key.first);
  if (query == queries_.end() || context == contexts_.end() ||
      context->second.browser_id != browser_id) {
    return;
  }
  PendingQuery pending = query->second;
  const bool success = args->GetBool(2);
  // Done before the page's callback runs, which may start or cancel others.
  if (!success || !pending.persistent)
    queries_.erase(query);
  if (success) {
    Deliver(key.first, pending.on_success,
            {CefV8Value::CreateString(args->GetString(3))});
  } else {
    Deliver(key.first, pending.on_failure,
            {CefV8Value::CreateInt(args->GetInt(3)),
             CefV8Value::CreateString(args->GetString(4))});
  }
}

int MessageRouterRenderer::ContextIdOf(CefRefPtr<CefV8Context> context) const {
  if (!context)
    return 0;
  for (const auto& entry : contexts_) {
    if (entry.second.context->IsSame(context))
      return entry.first;
  }
  return 0;
}

void MessageRouterRenderer::SendCancel(int context_id, int request_id) {
  auto it = contexts_.find(context_id);
  if (it == contexts_.end())
    return;
  CefRefPtr<CefBrowser> browser = it->second.context->GetBrowser();
  if (!browser)
    return;
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(cancel_message_);
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  args->SetInt(0, context_id);
  args->SetInt(1, request_id);
  browser->SendProcessMessage(PID_BROWSER, message);
}

void MessageRouterRenderer::Deliver(int context_id,
                                    CefRefPtr<CefV8Value> callback,
                                    const CefV8ValueList& arguments) {
  auto it = contexts_.find(context_id);
  if (!callback || it == contexts_.end() || !it->second.context->IsValid())
    return;
  callback->ExecuteFunctionWithContext(it->second.context, nullptr, arguments);
}

}  // namespace cef_internal

CefRefPtr<CefMessageRouterRendererSide> CefMessageRouterRendererSide::Create(
    const CefMessageRouterConfig& config) {
  if (config.js_query_function.empty() || config.js_cancel_function.empty() ||
      config.js_query_function == config.js_cancel_function) {
    return nullptr;
  }
  return new cef_internal::MessageRouterRenderer(config);
}
