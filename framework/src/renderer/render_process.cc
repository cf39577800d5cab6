#include "src/renderer/render_process.h"

#include <map>
#include <vector>

#include "src/core/cef_list_value_impl.h"
#include "src/core/cef_process_message_impl.h"
#include "src/core/url_util.h"
#include "src/renderer/document_runner.h"
#include "src/renderer/render_browser.h"
#include "src/renderer/url_resolver.h"
#include "src/script/extension_registry.h"
#include "src/script/script_delegate.h"

namespace cef_internal {

namespace {

// The process message's arguments of a kProcessMessage op (index 2; empty
// when missing). The channel hands every op over as its receiver's own
// copy, so the message takes the decoded list over instead of a copy.
CefRefPtr<CefListValue> ArgumentsOf(const CefRefPtr<CefListValue>& args) {
  NodePtr op_args = CefListValueImpl::NodeOf(args.get());
  NodePtr list =
      op_args && op_args->list.size() > 2 ? op_args->list[2] : nullptr;
  if (!list || list->type != VTYPE_LIST)
    list = ValueNode::NewList();
  return new CefListValueImpl(list, /*owned=*/false, /*read_only=*/false);
}

// Argument readers: a malformed op is dropped, never half-applied.
bool ReadInt(const CefRefPtr<CefListValue>& args, size_t index, int* out) {
  if (!args || args->GetType(index) != VTYPE_INT)
    return false;
  *out = args->GetInt(index);
  return true;
}

bool ReadFrameId(const CefRefPtr<CefListValue>& args,
                 size_t index,
                 int64* out) {
  if (!args)
    return false;
  double value;
  if (args->GetType(index) == VTYPE_DOUBLE)
    value = args->GetDouble(index);
  else if (args->GetType(index) == VTYPE_INT)
    value = args->GetInt(index);
  else
    return false;
  // Frame ids are whole numbers well inside a double's exact range.
  if (!(value >= 0 && value < 9007199254740992.0) ||
      value != static_cast<double>(static_cast<int64>(value))) {
    return false;
  }
  *out = static_cast<int64>(value);
  return true;
}

bool ReadString(const CefRefPtr<CefListValue>& args,
                size_t index,
                CefString* out) {
  if (!args || args->GetType(index) != VTYPE_STRING)
    return false;
  *out = args->GetString(index);
  return true;
}

}  // namespace

struct RenderProcess::Impl : public ScriptDelegate, public RenderSide {
  Impl(CefRefPtr<CefApp> app, Channel* channel);

  void Dispatch(Op op, CefRefPtr<CefListValue> args);
  void BrowserCreated(CefRefPtr<CefListValue> args);
  void BrowserDestroyed(CefRefPtr<CefListValue> args);
  void CommitNavigation(CefRefPtr<CefListValue> args);
  // The new context of a committed document, without running it.
  void MakeDocument(CefRefPtr<CefListValue> args);
  void RunDocument(CefRefPtr<CefListValue> args);
  void ExecuteJavaScript(CefRefPtr<CefListValue> args);
  void ProcessMessage(CefRefPtr<CefListValue> args);
  void Finish(int exit_code);

  RenderBrowser* FindBrowser(const CefRefPtr<CefListValue>& args) const;
  RenderFrame* FindFrame(const CefRefPtr<CefListValue>& args,
                         RenderBrowser** browser) const;
  void ReleaseContext(RenderBrowser* browser, RenderFrame* frame);
  // Releases the contexts of the frames below |frame| and drops them.
  void ReleaseSubframes(RenderBrowser* browser, RenderFrame* frame);
  void DestroyBrowser(int browser_id);
  // The browser and frame behind a live context, or false.
  bool Locate(V8ContextImpl* context,
              CefRefPtr<RenderBrowser>* browser,
              CefRefPtr<RenderFrame>* frame);

  // ScriptDelegate:
  void OnConsoleMessage(V8ContextImpl* context,
                        cef_log_severity_t level,
                        const CefString& message,
                        const CefString& source,
                        int line) override;
  void OnOpenWindow(V8ContextImpl* context,
                    const CefString& url,
                    const CefString& name) override;
  void OnCloseWindow(V8ContextImpl* context) override;
  void OnNavigate(V8ContextImpl* context, const CefString& url) override;

  // RenderSide:
  bool SendToBrowser(Op op, CefRefPtr<CefListValue> args) override;

  CefRefPtr<CefApp> app;
  Channel* channel;
  CefRefPtr<CefRenderProcessHandler> handler;
  ExtensionRegistry extensions;
  std::map<int, CefRefPtr<RenderBrowser>> browsers;
  bool finished = false;
  int exit_code = 0;
};

RenderProcess::Impl::Impl(CefRefPtr<CefApp> app, Channel* channel)
    : app(app), channel(channel) {}

void RenderProcess::Impl::Dispatch(Op op, CefRefPtr<CefListValue> args) {
  switch (op) {
    case Op::kBrowserCreated:
      BrowserCreated(args);
      break;
    case Op::kBrowserDestroyed:
      BrowserDestroyed(args);
      break;
    case Op::kCommitNavigation:
      CommitNavigation(args);
      break;
    case Op::kRunDocument:
      RunDocument(args);
      break;
    case Op::kExecuteJavaScript:
      ExecuteJavaScript(args);
      break;
    case Op::kProcessMessage:
      ProcessMessage(args);
      break;
    case Op::kShutdown:
      Finish(0);
      break;
    default:
      break;  // Ops the render side only sends.
  }
}

void RenderProcess::Impl::BrowserCreated(CefRefPtr<CefListValue> args) {
  int id = 0;
  if (!ReadInt(args, 0, &id) || id <= 0 || browsers.count(id))
    return;
  bool is_popup = args->GetType(1) == VTYPE_BOOL && args->GetBool(1);
  CefRefPtr<RenderBrowser> browser = new RenderBrowser(this, id, is_popup);
  browsers[id] = browser;
  if (handler)
    handler->OnBrowserCreated(browser.get());
}

void RenderProcess::Impl::BrowserDestroyed(CefRefPtr<CefListValue> args) {
  int id = 0;
  if (ReadInt(args, 0, &id))
    DestroyBrowser(id);
}

void RenderProcess::Impl::CommitNavigation(CefRefPtr<CefListValue> args) {
  const bool run_at_once =
      args && args->GetType(4) == VTYPE_BOOL && args->GetBool(4);
  MakeDocument(args);
  RenderBrowser* browser = FindBrowser(args);
  int64 frame_id = 0;
  if (browser && ReadFrameId(args, 1, &frame_id)) {
    CefRefPtr<CefListValue> started = CefListValue::Create();
    started->SetInt(0, browser->GetIdentifier());
    started->SetDouble(1, static_cast<double>(frame_id));
    started->SetBool(2, !run_at_once);
    SendToBrowser(Op::kDocumentStarted, started);
  }
  if (run_at_once)
    RunDocument(args);
}

void RenderProcess::Impl::MakeDocument(CefRefPtr<CefListValue> args) {
  RenderBrowser* browser = nullptr;
  RenderFrame* frame = FindFrame(args, &browser);
  CefString url;
  CefString source;
  if (!frame || !ReadString(args, 2, &url) || !ReadString(args, 3, &source))
    return;
  CefRefPtr<RenderBrowser> browser_ref(browser);
  CefRefPtr<RenderFrame> frame_ref(frame);
  ReleaseSubframes(browser, frame);
  ReleaseContext(browser, frame);
  if (!frame->IsValid())
    return;
  // The URL is the new one while the extensions run.
  frame->SetDocument(url, source, nullptr);
  CefRefPtr<V8ContextImpl> context =
      V8ContextImpl::Create(this, extensions.extensions(), browser, frame);
  frame->SetDocument(url, source, context);
  if (context && handler && context->IsValid())
    handler->OnContextCreated(browser, frame, context.get());
}

void RenderProcess::Impl::RunDocument(CefRefPtr<CefListValue> args) {
  RenderBrowser* browser = FindBrowser(args);
  int64 frame_id = 0;
  if (!browser || !ReadFrameId(args, 1, &frame_id))
    return;
  CefRefPtr<RenderBrowser> browser_ref(browser);
  CefRefPtr<RenderFrame> frame(browser->FindFrame(frame_id));
  if (frame && frame->StartDocument())
    DocumentRunner::Run(browser, frame.get());
  // Every run is answered, so that the browser side's count of running
  // documents always comes back to zero.
  CefRefPtr<CefListValue> loaded = CefListValue::Create();
  loaded->SetInt(0, browser->GetIdentifier());
  loaded->SetDouble(1, static_cast<double>(frame_id));
  SendToBrowser(Op::kDocumentLoaded, loaded);
}

void RenderProcess::Impl::ExecuteJavaScript(CefRefPtr<CefListValue> args) {
  RenderBrowser* browser = nullptr;
  RenderFrame* frame = FindFrame(args, &browser);
  CefString code;
  if (!frame || !ReadString(args, 2, &code))
    return;
  CefString url;
  ReadString(args, 3, &url);
  int line = 1;
  ReadInt(args, 4, &line);
  CefRefPtr<V8ContextImpl> context = frame->context();
  if (context)
    context->RunScript(code, url, line);
}

void RenderProcess::Impl::ProcessMessage(CefRefPtr<CefListValue> args) {
  RenderBrowser* browser = FindBrowser(args);
  CefString name;
  if (!browser || !ReadString(args, 1, &name) || !handler)
    return;
  // A message needs a name, as CefProcessMessage::Create says.
  CefRefPtr<CefProcessMessage> message;
  if (!name.empty())
    message = new CefProcessMessageImpl(name, ArgumentsOf(args));
  CefRefPtr<RenderBrowser> browser_ref(browser);
  handler->OnProcessMessageReceived(browser, PID_BROWSER, message);
}

void RenderProcess::Impl::Finish(int code) {
  if (finished)
    return;
  std::vector<int> ids;
  for (const auto& entry : browsers)
    ids.push_back(entry.first);
  for (int id : ids)
    DestroyBrowser(id);
  finished = true;
  exit_code = code;
}

RenderBrowser* RenderProcess::Impl::FindBrowser(
    const CefRefPtr<CefListValue>& args) const {
  int id = 0;
  if (!ReadInt(args, 0, &id))
    return nullptr;
  auto it = browsers.find(id);
  return it == browsers.end() ? nullptr : it->second.get();
}

RenderFrame* RenderProcess::Impl::FindFrame(const CefRefPtr<CefListValue>& args,
                                            RenderBrowser** browser) const {
  *browser = FindBrowser(args);
  int64 frame_id = 0;
  if (!*browser || !ReadFrameId(args, 1, &frame_id))
    return nullptr;
  return (*browser)->FindFrame(frame_id);
}

void RenderProcess::Impl::ReleaseContext(RenderBrowser* browser,
                                         RenderFrame* frame) {
  CefRefPtr<V8ContextImpl> context = frame->context();
  if (!context)
    return;
  // The handler sees the context while it is still valid.
  if (handler && context->IsValid())
    handler->OnContextReleased(browser, frame, context.get());
  if (frame->context() == context)
    frame->TakeContext();
  context->Invalidate();
}

void RenderProcess::Impl::ReleaseSubframes(RenderBrowser* browser,
                                           RenderFrame* frame) {
  for (const CefRefPtr<RenderFrame>& child :
       browser->Descendants(frame->GetIdentifier())) {
    ReleaseContext(browser, child.get());
    browser->RemoveFrame(child->GetIdentifier());
  }
}

void RenderProcess::Impl::DestroyBrowser(int browser_id) {
  auto it = browsers.find(browser_id);
  if (it == browsers.end())
    return;
  CefRefPtr<RenderBrowser> browser = it->second;
  RenderFrame* main = browser->main_frame();
  if (main) {
    ReleaseSubframes(browser.get(), main);
    ReleaseContext(browser.get(), main);
  }
  if (handler)
    handler->OnBrowserDestroyed(browser.get());
  browsers.erase(browser_id);
  browser->Detach();
}

bool RenderProcess::Impl::Locate(V8ContextImpl* context,
                                 CefRefPtr<RenderBrowser>* browser,
                                 CefRefPtr<RenderFrame>* frame) {
  CefRefPtr<CefFrame> frame_ref = context->GetFrame();
  if (!frame_ref || !context->IsValid())
    return false;
  *frame = static_cast<RenderFrame*>(frame_ref.get());
  *browser = (*frame)->browser();
  return browser->get() != nullptr;
}

void RenderProcess::Impl::OnConsoleMessage(V8ContextImpl* context,
                                           cef_log_severity_t level,
                                           const CefString& message,
                                           const CefString& source,
                                           int line) {
  CefRefPtr<RenderBrowser> browser;
  CefRefPtr<RenderFrame> frame;
  if (!Locate(context, &browser, &frame))
    return;
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetInt(0, browser->GetIdentifier());
  args->SetString(1, message);
  args->SetString(2, source.empty() ? frame->GetURL() : source);
  args->SetInt(3, line);
  args->SetInt(4, level);  // optional severity, read by the browser side
  SendToBrowser(Op::kConsoleMessage, args);
}

void RenderProcess::Impl::OnOpenWindow(V8ContextImpl* context,
                                       const CefString& url,
                                       const CefString& name) {
  CefRefPtr<RenderBrowser> browser;
  CefRefPtr<RenderFrame> frame;
  if (!Locate(context, &browser, &frame))
    return;
  std::wstring target =
      url.empty()
          ? std::wstring(L"about:blank")
          : UrlResolver::Resolve(frame->GetURL().ToWString(), url.ToWString());
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetInt(0, browser->GetIdentifier());
  args->SetDouble(1, static_cast<double>(frame->GetIdentifier()));
  args->SetString(2, target);
  args->SetString(3, name);
  SendToBrowser(Op::kOpenPopup, args);
}

void RenderProcess::Impl::OnCloseWindow(V8ContextImpl* context) {
  CefRefPtr<RenderBrowser> browser;
  CefRefPtr<RenderFrame> frame;
  // As in browsers, only the top-level window closes.
  if (!Locate(context, &browser, &frame) || !frame->IsMain())
    return;
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetInt(0, browser->GetIdentifier());
  SendToBrowser(Op::kCloseBrowser, args);
}

void RenderProcess::Impl::OnNavigate(V8ContextImpl* context,
                                     const CefString& url) {
  CefRefPtr<RenderBrowser> browser;
  CefRefPtr<RenderFrame> frame;
  if (!Locate(context, &browser, &frame))
    return;
  const std::wstring from = frame->GetURL().ToWString();
  const std::wstring target = UrlResolver::Resolve(from, url.ToWString());
  // As the engine: a page that is not a file of its own never opens one.
  if (UrlUtil::Scheme(target) == L"file" && UrlUtil::Scheme(from) != L"file") {
    OnConsoleMessage(context, LOGSEVERITY_ERROR,
                     L"Not allowed to load local resource: " + target,
                     CefString(), 0);
    return;
  }
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetInt(0, browser->GetIdentifier());
  args->SetDouble(1, static_cast<double>(frame->GetIdentifier()));
  args->SetString(2, target);
  SendToBrowser(Op::kNavigateFrame, args);
}

bool RenderProcess::Impl::SendToBrowser(Op op, CefRefPtr<CefListValue> args) {
  return !finished && channel->Send(op, args);
}

RenderProcess::RenderProcess(CefRefPtr<CefApp> app,
                             Channel* channel,
                             CefRefPtr<CefListValue> extra_info)
    : impl_(new Impl(app, channel)) {
  channel->SetDelegate(this);
  ExtensionRegistry::ScopedActivation active(&impl_->extensions);
  impl_->handler = app ? app->GetRenderProcessHandler() : nullptr;
  if (!impl_->handler)
    return;
  impl_->handler->OnRenderThreadCreated(extra_info ? extra_info
                                                   : CefListValue::Create());
  impl_->handler->OnWebKitInitialized();
}

RenderProcess::~RenderProcess() {
  {
    ExtensionRegistry::ScopedActivation active(&impl_->extensions);
    impl_->Finish(impl_->finished ? impl_->exit_code : 0);
  }
  impl_->channel->SetDelegate(nullptr);
  delete impl_;
}

bool RenderProcess::finished() const {
  return impl_->finished;
}

int RenderProcess::exit_code() const {
  return impl_->exit_code;
}

CefRefPtr<CefBrowser> RenderProcess::GetBrowser(int browser_id) const {
  auto it = impl_->browsers.find(browser_id);
  return it == impl_->browsers.end() ? nullptr : it->second.get();
}

void RenderProcess::OnChannelMessage(Op op, CefRefPtr<CefListValue> args) {
  if (impl_->finished)
    return;
  ExtensionRegistry::ScopedActivation active(&impl_->extensions);
  impl_->Dispatch(op, args);
}

void RenderProcess::OnChannelClosed() {
  if (impl_->finished)
    return;
  ExtensionRegistry::ScopedActivation active(&impl_->extensions);
  impl_->Finish(kBrowserProcessLostExitCode);
}

}  // namespace cef_internal
