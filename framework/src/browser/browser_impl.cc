#include "src/browser/browser_impl.h"

#include <vector>

#include "include/base/cef_logging.h"
#include "src/browser/browser_context.h"
#include "src/browser/context_menu_runner.h"
#include "src/browser/popup_opener.h"
#include "src/browser/render_process_host.h"
#include "src/core/url_util.h"

namespace cef_internal {

namespace {

// Frame ids travel as doubles; tolerate an int from a lenient sender. A
// double that no int64 holds (NaN, an infinity, beyond 2^53) names no frame
// (-1) rather than being cast.
// The engine's limit on an address's length.
constexpr size_t kMaxNavigationUrlUnits = 2 * 1024 * 1024;

int64 FrameIdArg(CefRefPtr<CefListValue> args, size_t index) {
  if (args->GetType(index) == VTYPE_INT)
    return args->GetInt(index);
  const double value = args->GetDouble(index);
  if (!(value >= -9007199254740992.0 && value <= 9007199254740992.0))
    return -1;
  return static_cast<int64>(value);
}

CefRefPtr<CefListValue> BrowserIdArgs(int browser_id) {
  CefRefPtr<CefListValue> args = CefListValue::Create();
  args->SetInt(0, browser_id);
  return args;
}

}  // namespace

BrowserImpl::BrowserImpl(int id,
                         bool is_popup,
                         CefRefPtr<CefClient> client,
                         const CefBrowserSettings& settings,
                         CefRefPtr<CefRequestContext> request_context,
                         HWND opener_window,
                         RenderProcessHost* host)
    : id_(id),
      is_popup_(is_popup),
      settings_(settings),
      request_context_(request_context),
      opener_window_(opener_window),
      host_(host),
      navigator_(this),
      client_(client) {
  main_frame_ = new FrameImpl(this, MainFrameId(id), -1, CefString());
  frames_[main_frame_->GetIdentifier()] = main_frame_;
}

BrowserImpl::~BrowserImpl() {}

bool BrowserImpl::Open(const CefWindowInfo& window_info, const CefString& url) {
  HWND window = BrowserWindow::Create(window_info, this);
  if (!window)
    return false;
  {
    std::lock_guard<std::mutex> hold(lock_);
    window_ = window;
  }
  CefRefPtr<CefListValue> created = BrowserIdArgs(id_);
  created->SetBool(1, is_popup_);
  if (host_)
    host_->Send(Op::kBrowserCreated, created);
  CefRefPtr<CefClient> handler_client = client();
  CefRefPtr<CefLifeSpanHandler> life =
      handler_client ? handler_client->GetLifeSpanHandler() : nullptr;
  if (life)
    life->OnAfterCreated(this);
  if (host_)
    ReportRenderViewReady();
  else
    ReportLaunchFailed();
  if (!url.empty() && !IsClosed())
    navigator_.Navigate(main_frame_, url);
  return true;
}

void BrowserImpl::ForceClose() {
  Close(true);
}

bool BrowserImpl::IsClosed() const {
  std::lock_guard<std::mutex> hold(lock_);
  return close_state_ == CloseState::kDestroying ||
         close_state_ == CloseState::kClosed;
}

bool BrowserImpl::EnsureRenderSide() {
  if (host_ && host_->alive())
    return true;
  BrowserContext* context = BrowserContext::Get();
  RenderProcessHost* host = context ? context->RenderHostFor(nullptr) : nullptr;
  if (!host) {
    ReportLaunchFailed();
    return false;
  }
  host_ = host;
  CefRefPtr<CefListValue> created = BrowserIdArgs(id_);
  created->SetBool(1, is_popup_);
  if (!host_->Send(Op::kBrowserCreated, created))
    return false;
  ReportRenderViewReady();
  return true;
}

void BrowserImpl::ReportRenderViewReady() {
  // As in the real framework, once the render side has the view: after
  // OnAfterCreated, never from within the call that made the view.
  CefRefPtr<BrowserImpl> self(this);
  RenderProcessHost* host = host_;
  BrowserContext::PostUiTask([self, host] {
    if (self->IsClosed() || self->host_ != host || !host->alive())
      return;
    CefRefPtr<CefClient> handler_client = self->client();
    CefRefPtr<CefRequestHandler> handler =
        handler_client ? handler_client->GetRequestHandler() : nullptr;
    if (handler)
      handler->OnRenderViewReady(self.get());
  });
}

CefRefPtr<CefClient> BrowserImpl::client() {
  std::lock_guard<std::mutex> hold(lock_);
  return client_;
}

bool BrowserImpl::SendToRenderer(Op op, CefRefPtr<CefListValue> args) {
  return host_ && host_->Send(op, args);
}

void BrowserImpl::OnRenderMessage(Op op, CefRefPtr<CefListValue> args) {
  if (IsClosed())
    return;
  switch (op) {
    case Op::kDocumentStarted:
      navigator_.OnDocumentStarted(
          FrameIdArg(args, 1),
          args->GetType(2) == VTYPE_BOOL && args->GetBool(2));
      break;
    case Op::kDocumentLoaded:
      navigator_.OnDocumentLoaded(FrameIdArg(args, 1));
      break;
    case Op::kSubframeCreated:
      navigator_.OnSubframeCreated(FrameIdArg(args, 1), FrameIdArg(args, 2),
                                   args->GetString(3), args->GetString(4));
      break;
    case Op::kConsoleMessage:
      OnConsoleMessage(args);
      break;
    case Op::kOpenPopup:
      OnOpenPopup(args);
      break;
    case Op::kNavigateFrame:
      OnNavigateFrame(args);
      break;
    case Op::kCloseBrowser:
      Close(false);
      break;
    case Op::kProcessMessage:
      OnProcessMessage(args);
      break;
    default:
      break;  // Not an op the render side sends.
  }
}

void BrowserImpl::OnRenderProcessGone(cef_termination_status_t status) {
  if (IsClosed())
    return;
  DropSubframes();
  CefRefPtr<CefClient> handler_client = client();
  CefRefPtr<CefRequestHandler> handler =
      handler_client ? handler_client->GetRequestHandler() : nullptr;
  if (handler)
    handler->OnRenderProcessTerminated(this, status);
  if (!IsClosed())
    navigator_.OnRenderSideGone();
}

CefRefPtr<FrameImpl> BrowserImpl::FindFrame(int64 id) {
  std::lock_guard<std::mutex> hold(lock_);
  auto it = frames_.find(id);
  return it == frames_.end() ? nullptr : it->second;
}

void BrowserImpl::AddFrame(CefRefPtr<FrameImpl> frame) {
  std::lock_guard<std::mutex> hold(lock_);
  frames_[frame->GetIdentifier()] = frame;
}

size_t BrowserImpl::SourceUnitsExcept(int64 except) {
  std::vector<CefRefPtr<FrameImpl>> frames;
  {
    std::lock_guard<std::mutex> hold(lock_);
    for (const auto& entry : frames_) {
      if (entry.first != except)
        frames.push_back(entry.second);
    }
  }
  size_t units = 0;
  for (const CefRefPtr<FrameImpl>& frame : frames)
    units += frame->source_size();
  return units;
}

void BrowserImpl::DropSubframes() {
  std::map<int64, CefRefPtr<FrameImpl>> dropped;
  {
    std::lock_guard<std::mutex> hold(lock_);
    dropped.swap(frames_);
    if (main_frame_)
      frames_[main_frame_->GetIdentifier()] = main_frame_;
  }
  for (auto& entry : dropped) {
    if (entry.second != main_frame_)
      entry.second->Detach();
  }
}

CefRefPtr<CefBrowserHost> BrowserImpl::GetHost() {
  return this;
}

bool BrowserImpl::IsLoading() {
  return navigator_.IsLoading();
}

void BrowserImpl::Reload() {
  CefRefPtr<BrowserImpl> self(this);
  BrowserContext::PostUiTask([self]() {
    if (!self->IsClosed())
      self->navigator_.Reload();
  });
}

void BrowserImpl::StopLoad() {
  CefRefPtr<BrowserImpl> self(this);
  BrowserContext::PostUiTask([self]() {
    if (!self->IsClosed())
      self->navigator_.StopLoad();
  });
}

int BrowserImpl::GetIdentifier() {
  return id_;
}

bool BrowserImpl::IsSame(CefRefPtr<CefBrowser> that) {
  // As the real framework's wrapper: no null browser to compare with.
  DCHECK(that.get());
  return that && that->GetIdentifier() == id_ &&
         static_cast<CefBrowser*>(this) == that.get();
}

bool BrowserImpl::IsPopup() {
  return is_popup_;
}

bool BrowserImpl::HasDocument() {
  return navigator_.HasDocument();
}

CefRefPtr<CefFrame> BrowserImpl::GetMainFrame() {
  std::lock_guard<std::mutex> hold(lock_);
  return main_frame_.get();
}

CefRefPtr<CefFrame> BrowserImpl::GetFrame(int64 identifier) {
  return FindFrame(identifier).get();
}

size_t BrowserImpl::GetFrameCount() {
  std::lock_guard<std::mutex> hold(lock_);
  return frames_.size();
}

void BrowserImpl::GetFrameIdentifiers(std::vector<int64>& identifiers) {
  std::lock_guard<std::mutex> hold(lock_);
  identifiers.clear();
  for (const auto& entry : frames_)
    identifiers.push_back(entry.first);
}

bool BrowserImpl::SendProcessMessage(CefProcessId target_process,
                                     CefRefPtr<CefProcessMessage> message) {
  if (target_process != PID_RENDERER || !message || !message->IsValid())
    return false;
  CefRefPtr<CefListValue> args = BrowserIdArgs(id_);
  args->SetString(1, message->GetName());
  args->SetList(2, message->GetArgumentList());
  if (BrowserContext::CurrentlyOnUiThread())
    return !IsClosed() && SendToRenderer(Op::kProcessMessage, args);
  CefRefPtr<BrowserImpl> self(this);
  BrowserContext::PostUiTask([self, args]() {
    if (!self->IsClosed())
      self->SendToRenderer(Op::kProcessMessage, args);
  });
  return true;
}

CefRefPtr<CefBrowser> BrowserImpl::GetBrowser() {
  return this;
}

void BrowserImpl::CloseBrowser(bool force_close) {
  CefRefPtr<BrowserImpl> self(this);
  BrowserContext::PostUiTask(
      [self, force_close]() { self->Close(force_close); });
}

cef_window_handle_t BrowserImpl::GetWindowHandle() {
  std::lock_guard<std::mutex> hold(lock_);
  return window_;
}

cef_window_handle_t BrowserImpl::GetOpenerWindowHandle() {
  return opener_window_;
}

CefRefPtr<CefClient> BrowserImpl::GetClient() {
  return client();
}

CefRefPtr<CefRequestContext> BrowserImpl::GetRequestContext() {
  return request_context_;
}

void BrowserImpl::OnWindowCloseRequested() {
  Close(false);
}

void BrowserImpl::OnWindowContextMenu(POINT screen_point) {
  if (!IsClosed())
    ContextMenuRunner::Run(this, screen_point);
}

void BrowserImpl::ReportLaunchFailed() {
  CefRefPtr<BrowserImpl> self(this);
  BrowserContext::PostUiTask([self]() {
    if (self->IsClosed() || (self->host_ && self->host_->alive()))
      return;
    self->navigator_.DropPending();
    self->OnRenderProcessGone(TS_PROCESS_WAS_KILLED);
  });
}

void BrowserImpl::Close(bool force) {
  CefRefPtr<BrowserImpl> self(this);
  CloseState state;
  {
    std::lock_guard<std::mutex> hold(lock_);
    state = close_state_;
  }
  if (state == CloseState::kDestroying || state == CloseState::kClosed)
    return;
  if (!force && state == CloseState::kOpen) {
    {
      std::lock_guard<std::mutex> hold(lock_);
      close_state_ = CloseState::kCloseAccepted;
    }
    CefRefPtr<CefClient> handler_client = client();
    CefRefPtr<CefLifeSpanHandler> life =
        handler_client ? handler_client->GetLifeSpanHandler() : nullptr;
    if (life && life->DoClose(this))
      return;  // The client closes the window itself.
  }
  HWND window;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (close_state_ == CloseState::kDestroying ||
        close_state_ == CloseState::kClosed) {
      return;
    }
    close_state_ = CloseState::kDestroying;
    window = window_;
  }
  ContextMenuRunner::CancelFor(this);
  if (window && IsWindow(window))
    DestroyWindow(window);  // WM_DESTROY finishes the close.
  else
    OnWindowDestroyed();
}

void BrowserImpl::OnWindowDestroyed() {
  CefRefPtr<BrowserImpl> self(this);
  CefRefPtr<CefClient> handler_client;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (!window_ || close_state_ == CloseState::kClosed)
      return;  // Still being created, or already closed.
    close_state_ = CloseState::kClosed;
    window_ = nullptr;
    handler_client = client_;
  }
  ContextMenuRunner::CancelFor(this);
  navigator_.DropAll();
  SendToRenderer(Op::kBrowserDestroyed, BrowserIdArgs(id_));
  CefRefPtr<CefLifeSpanHandler> life =
      handler_client ? handler_client->GetLifeSpanHandler() : nullptr;
  if (life)
    life->OnBeforeClose(this);

  std::map<int64, CefRefPtr<FrameImpl>> frames;
  {
    std::lock_guard<std::mutex> hold(lock_);
    frames.swap(frames_);
    main_frame_ = nullptr;
    client_ = nullptr;
  }
  for (auto& entry : frames)
    entry.second->Detach();
  BrowserContext* context = BrowserContext::Get();
  if (context)
    context->OnBrowserClosed(this);
}

void BrowserImpl::OnProcessMessage(CefRefPtr<CefListValue> args) {
  CefRefPtr<CefClient> handler_client = client();
  if (!handler_client || args->GetType(1) != VTYPE_STRING)
    return;
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create(args->GetString(1));
  CefRefPtr<CefListValue> source = args->GetList(2);
  CefRefPtr<CefListValue> target = message->GetArgumentList();
  for (size_t i = 0; source && i < source->GetSize(); ++i)
    target->SetValue(i, source->GetValue(i));
  handler_client->OnProcessMessageReceived(this, PID_RENDERER, message);
}

void BrowserImpl::OnConsoleMessage(CefRefPtr<CefListValue> args) {
  CefString message = args->GetString(1);
  CefString source = args->GetString(2);
  int line = args->GetInt(3);
  CefRefPtr<CefClient> handler_client = client();
  CefRefPtr<CefDisplayHandler> display =
      handler_client ? handler_client->GetDisplayHandler() : nullptr;
  // As in the real framework, the handler is the only way out for a page's
  // console: nothing is logged whatever it answers.
  if (display)
    display->OnConsoleMessage(this, message, source, line);
}

// A page's own navigation of one of its frames. The render side is not
// trusted: the frame must be this browser's, the address no longer than the
// engine takes, and a page that is not a file never opens one.
void BrowserImpl::OnNavigateFrame(CefRefPtr<CefListValue> args) {
  CefRefPtr<FrameImpl> frame = FindFrame(FrameIdArg(args, 1));
  if (!frame || args->GetType(2) != VTYPE_STRING)
    return;
  const std::wstring url = args->GetString(2);
  if (url.size() > kMaxNavigationUrlUnits)
    return;
  if (UrlUtil::Scheme(url) == L"file" &&
      UrlUtil::Scheme(frame->GetURL().ToWString()) != L"file") {
    return;
  }
  frame->LoadURL(url);
}

void BrowserImpl::OnOpenPopup(CefRefPtr<CefListValue> args) {
  PopupOpener::Open(this, FrameIdArg(args, 1), args->GetString(2),
                    args->GetString(3));
}

}  // namespace cef_internal
