#include "browser/embed_browser_handler.h"

#include <mutex>
#include <set>

#include "browser/error_page.h"
#include "browser/popup_url.h"
#include "browser/shell_url_opener.h"
#include "common/option_block.h"
#include "common/process_messages.h"
#include "include/base/cef_logging.h"
#include "include/cef_app.h"
#include "include/cef_task.h"
#include "include/wrapper/cef_helpers.h"
#include "store/option_store.h"
#include "store/renderer_update_broadcaster.h"

EmbedBrowserHandler* g_client_handler = nullptr;

namespace {

// A loaded main frame asks the browser for "OnLoad"; the answer starts the
// render process's cache sync. The script reaches the render process as a
// message, often after the page has finished loading: then it asks at once,
// else from a load listener of its own. window.onload stays the page's: it
// holds one handler, and either side would replace the other's.
#define KX_ONLOAD_QUERY                                              \
  "window.cefQuery({request: 'OnLoad',persistent: false,onSuccess: " \
  "function(response) {},onFailure: function(code, msg) {}});"
const char kOnLoadQueryScript[] =
    "if(document.readyState=='complete'){" KX_ONLOAD_QUERY
    "}else{window.addEventListener('load',function(){" KX_ONLOAD_QUERY "})}";
#undef KX_ONLOAD_QUERY

const wchar_t kOnLoadRequest[] = L"OnLoad";
const wchar_t kTestOnlyRequest[] = L"TestOnly";
const wchar_t kOnJumpRequest[] = L"Onjump";
const char kOnLoadResponse[] = "OnLoad OK";
constexpr int kTestOnlyErrorCode = 404;
const char kTestOnlyErrorMessage[] = "TestOnly Error";

constexpr LONG kScrollBarStyles = WS_VSCROLL | WS_HSCROLL;

HWND WindowOf(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<CefBrowserHost> host = browser->GetHost();
  return host ? host->GetWindowHandle() : nullptr;
}

// The framework's IsSame takes no null browser (its checked wrapper stops
// on one).
bool SameBrowser(CefRefPtr<CefBrowser> a, CefRefPtr<CefBrowser> b) {
  return a && b && a->IsSame(b);
}

struct ObserverList {
  std::mutex lock;
  std::set<PageObserver*> observers;
};

// Process-wide, so that a host registers before any handler exists; never
// destroyed, so that a late removal at exit still finds it.
ObserverList& Observers() {
  static ObserverList* list = new ObserverList();
  return *list;
}

// Closes a browser that appeared after the host gave up: posted, so that
// the framework has finished creating it.
class CloseBrowserTask : public CefTask {
 public:
  CloseBrowserTask(CefRefPtr<CefBrowser> browser, bool force_close)
      : browser_(browser), force_close_(force_close) {}
  void Execute() override {
    CefRefPtr<CefBrowserHost> host = browser_->GetHost();
    if (host)
      host->CloseBrowser(force_close_);
  }

 private:
  CefRefPtr<CefBrowser> browser_;
  const bool force_close_;
  IMPLEMENT_REFCOUNTING(CloseBrowserTask);
};

// Ends the run when the host gave up before any browser existed: posted, so
// that the host's own call returns first.
class EndIfNoneLeftTask : public CefTask {
 public:
  explicit EndIfNoneLeftTask(CefRefPtr<EmbedBrowserHandler> handler)
      : handler_(handler) {}
  void Execute() override { handler_->EndIfNoneLeftForTask(); }

 private:
  CefRefPtr<EmbedBrowserHandler> handler_;
  IMPLEMENT_REFCOUNTING(EndIfNoneLeftTask);
};

// One line for a pop-up whose address is too long for the shell; its text
// stays out of the log, since the page chose it.
void LogPopupTooLong() {
  LOG(WARNING) << "A pop-up's address is longer than the shell takes ("
               << kMaxPopupUrlLength << " characters once rebuilt): not opened";
}

}  // namespace

EmbedBrowserHandler::EmbedBrowserHandler()
    : main_window_(nullptr),
      second_window_(nullptr),
      pending_browsers_(0),
      closing_all_(false),
      force_close_(false),
      main_renderer_synced_(false),
      main_render_view_seen_(false) {
  g_client_handler = this;
  CefMessageRouterConfig config;
  message_router_ = CefMessageRouterBrowserSide::Create(config);
  message_router_->AddHandler(this, true);
}

EmbedBrowserHandler::~EmbedBrowserHandler() {
  g_client_handler = nullptr;
  main_browser_ = nullptr;
  main_window_ = nullptr;
  second_browser_ = nullptr;
  second_window_ = nullptr;
  message_router_->RemoveHandler(this);
}

void EmbedBrowserHandler::AddObserver(PageObserver* observer) {
  if (!observer)
    return;
  std::lock_guard<std::mutex> hold(Observers().lock);
  Observers().observers.insert(observer);
}

void EmbedBrowserHandler::RemoveObserver(PageObserver* observer) {
  std::lock_guard<std::mutex> hold(Observers().lock);
  Observers().observers.erase(observer);
}

// static
void EmbedBrowserHandler::ReportRenderProgramNotStarted() {
  CEF_REQUIRE_UI_THREAD();
  NotifyObservers([](PageObserver* observer) {
    observer->OnRenderProcessEnded(nullptr,
                                   PageObserver::kRenderProcessNotStarted);
  });
}

PageBrowser EmbedBrowserHandler::WhichBrowser(
    CefRefPtr<CefBrowser> browser) const {
  if (!browser)
    return PageBrowser::kUnknown;
  if (SameBrowser(browser, main_browser_))
    return PageBrowser::kMain;
  if (SameBrowser(browser, second_browser_))
    return PageBrowser::kAvatar;
  return PageBrowser::kUnknown;
}

bool EmbedBrowserHandler::CreatePageBrowser(
    const CefWindowInfo& window_info,
    const CefBrowserSettings& settings) {
  CEF_REQUIRE_UI_THREAD();
  if (closing_all_)
    return false;
  // Counted first: a framework may report the browser created from within
  // the call.
  ++pending_browsers_;
  if (CefBrowserHost::CreateBrowser(window_info, this, CefString(), settings,
                                    nullptr)) {
    return true;
  }
  --pending_browsers_;
  return false;
}

void EmbedBrowserHandler::CloseAllBrowsers(bool force_close) {
  CEF_REQUIRE_UI_THREAD();
  const bool first_call = !closing_all_;
  closing_all_ = true;
  force_close_ = force_close;
  // A copy: a close may complete, and leave the list, from within the call.
  const std::list<CefRefPtr<CefBrowser>> browsers = browser_list_;
  for (const CefRefPtr<CefBrowser>& browser : browsers) {
    CefRefPtr<CefBrowserHost> host = browser->GetHost();
    if (host)
      host->CloseBrowser(force_close);
  }
  // Nothing open and nothing coming: no close will end the run.
  if (first_call && browsers.empty() && pending_browsers_ == 0)
    CefPostTask(TID_UI, new EndIfNoneLeftTask(this));
}

void EmbedBrowserHandler::EndIfNoneLeftForTask() {
  CEF_REQUIRE_UI_THREAD();
  EndIfNoneLeft();
}

void EmbedBrowserHandler::EndIfNoneLeft() {
  if (!browser_list_.empty() || pending_browsers_ > 0)
    return;
  NotifyObservers(
      [](PageObserver* observer) { observer->OnLastBrowserClosed(); });
  // Nothing keeps a browser object once none is open: the framework's
  // checked wrapper stops at CefShutdown on one still referenced.
  main_browser_ = nullptr;
  second_browser_ = nullptr;
  CefQuitMessageLoop();
}

CefRefPtr<CefContextMenuHandler> EmbedBrowserHandler::GetContextMenuHandler() {
  return this;
}
CefRefPtr<CefDialogHandler> EmbedBrowserHandler::GetDialogHandler() {
  return nullptr;
}
CefRefPtr<CefDisplayHandler> EmbedBrowserHandler::GetDisplayHandler() {
  return this;
}
CefRefPtr<CefDownloadHandler> EmbedBrowserHandler::GetDownloadHandler() {
  return nullptr;
}
CefRefPtr<CefDragHandler> EmbedBrowserHandler::GetDragHandler() {
  return nullptr;
}
CefRefPtr<CefFindHandler> EmbedBrowserHandler::GetFindHandler() {
  return nullptr;
}
CefRefPtr<CefFocusHandler> EmbedBrowserHandler::GetFocusHandler() {
  return nullptr;
}
CefRefPtr<CefGeolocationHandler> EmbedBrowserHandler::GetGeolocationHandler() {
  return nullptr;
}
CefRefPtr<CefJSDialogHandler> EmbedBrowserHandler::GetJSDialogHandler() {
  return nullptr;
}
CefRefPtr<CefKeyboardHandler> EmbedBrowserHandler::GetKeyboardHandler() {
  return nullptr;
}
CefRefPtr<CefLifeSpanHandler> EmbedBrowserHandler::GetLifeSpanHandler() {
  return this;
}
CefRefPtr<CefLoadHandler> EmbedBrowserHandler::GetLoadHandler() {
  return this;
}
CefRefPtr<CefRenderHandler> EmbedBrowserHandler::GetRenderHandler() {
  return nullptr;
}
CefRefPtr<CefRequestHandler> EmbedBrowserHandler::GetRequestHandler() {
  return this;
}

void EmbedBrowserHandler::OnBeforeContextMenu(
    CefRefPtr<CefBrowser> /*browser*/,
    CefRefPtr<CefFrame> /*frame*/,
    CefRefPtr<CefContextMenuParams> /*params*/,
    CefRefPtr<CefMenuModel> model) {
  CEF_REQUIRE_UI_THREAD();
  if (model)
    model->Clear();
}

bool EmbedBrowserHandler::OnBeforePopup(
    CefRefPtr<CefBrowser> /*browser*/,
    CefRefPtr<CefFrame> /*frame*/,
    const CefString& target_url,
    const CefString& /*target_frame_name*/,
    CefLifeSpanHandler::WindowOpenDisposition /*target_disposition*/,
    bool /*user_gesture*/,
    const CefPopupFeatures& /*popupFeatures*/,
    CefWindowInfo& /*windowInfo*/,
    CefRefPtr<CefClient>& /*client*/,
    CefBrowserSettings& /*settings*/,
    bool* /*no_javascript_access*/) {
  CEF_REQUIRE_IO_THREAD();
  // Only a web address, rebuilt, may leave the application: a page must
  // never open a local file, start a program or add to a command line. The
  // length is looked at before anything is copied: the page chose it.
  if (target_url.length() > kMaxPopupUrlLength) {
    LogPopupTooLong();
    return true;
  }
  // This is the framework's IO thread: nothing may throw out of it.
  try {
    bool too_long = false;
    const std::wstring url =
        SanitizePopupUrl(target_url.ToWString(), &too_long);
    if (too_long)
      LogPopupTooLong();
    else if (!url.empty())
      ShellUrlOpener::GetInstance()->Open(url);
  } catch (...) {
    // Memory ran out: the pop-up is dropped like any other.
  }
  return true;
}

bool EmbedBrowserHandler::OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                                           const CefString& message,
                                           const CefString& source,
                                           int line) {
  CEF_REQUIRE_UI_THREAD();
  NotifyObservers([&](PageObserver* observer) {
    observer->OnConsoleMessage(browser, message, source, line);
  });
  return false;
}

void EmbedBrowserHandler::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  if (!browser)
    return;
  if (pending_browsers_ > 0)
    --pending_browsers_;
  browser_list_.push_back(browser);
  TakeRole(browser);
  if (closing_all_) {
    CefPostTask(TID_UI, new CloseBrowserTask(browser, force_close_));
    return;
  }
  const PageBrowser which = WhichBrowser(browser);
  if (which == PageBrowser::kUnknown)
    return;
  NotifyObservers([&](PageObserver* observer) {
    observer->OnBrowserCreated(browser, which);
  });
  if (which == PageBrowser::kMain) {
    NotifyObservers([&](PageObserver* observer) {
      observer->OnMainBrowserCreated(browser);
    });
  }
}

void EmbedBrowserHandler::TakeRole(CefRefPtr<CefBrowser> browser) {
  if (!main_taken_) {
    main_taken_ = true;
    main_browser_ = browser;
    main_window_ = WindowOf(browser);
    LONG style = GetWindowLongW(main_window_, GWL_STYLE);
    SetWindowLongW(main_window_, GWL_STYLE, style & ~kScrollBarStyles);
  } else if (!second_window_) {
    second_browser_ = browser;
    second_window_ = WindowOf(browser);
  }
}

bool EmbedBrowserHandler::DoClose(CefRefPtr<CefBrowser> /*browser*/) {
  CEF_REQUIRE_UI_THREAD();
  return false;
}

void EmbedBrowserHandler::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  if (!browser)
    return;
  message_router_->OnBeforeClose(browser);
  sender_frames_.erase(browser->GetIdentifier());
  if (SameBrowser(browser, main_browser_))
    main_window_ = nullptr;
  bool known = false;
  for (auto it = browser_list_.begin(); it != browser_list_.end(); ++it) {
    if ((*it)->IsSame(browser)) {
      browser_list_.erase(it);
      known = true;
      break;
    }
  }
  if (!known)
    return;
  NotifyObservers(
      [&](PageObserver* observer) { observer->OnBrowserClosed(browser); });
  EndIfNoneLeft();
}

void EmbedBrowserHandler::OnLoadStart(CefRefPtr<CefBrowser> /*browser*/,
                                      CefRefPtr<CefFrame> frame) {
  CEF_REQUIRE_UI_THREAD();
  if (frame && frame->IsMain())
    frame->ExecuteJavaScript(kOnLoadQueryScript, "", 0);
}

void EmbedBrowserHandler::OnLoadEnd(CefRefPtr<CefBrowser> browser,
                                    CefRefPtr<CefFrame> frame,
                                    int httpStatusCode) {
  CEF_REQUIRE_UI_THREAD();
  if (!frame || !frame->IsMain())
    return;
  NotifyObservers([&](PageObserver* observer) {
    observer->OnPageLoaded(browser, httpStatusCode);
  });
  NotifyObservers(
      [](PageObserver* observer) { observer->OnMainFrameLoaded(); });
}

void EmbedBrowserHandler::OnLoadError(CefRefPtr<CefBrowser> browser,
                                      CefRefPtr<CefFrame> frame,
                                      ErrorCode errorCode,
                                      const CefString& /*errorText*/,
                                      const CefString& failedUrl) {
  CEF_REQUIRE_UI_THREAD();
  if (!frame || errorCode == ERR_ABORTED)
    return;
  frame->LoadString(CefString(WideToUtf8(JoinErrorPage())), failedUrl);
  NotifyObservers([&](PageObserver* observer) {
    observer->OnLoadFailed(browser, frame, failedUrl, errorCode);
  });
}

bool EmbedBrowserHandler::OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                                         CefRefPtr<CefFrame> frame,
                                         CefRefPtr<CefRequest> /*request*/,
                                         bool /*is_redirect*/) {
  CEF_REQUIRE_UI_THREAD();
  if (browser)
    message_router_->OnBeforeBrowse(browser, frame);
  return false;
}

void EmbedBrowserHandler::OnRenderViewReady(CefRefPtr<CefBrowser> browser) {
  CEF_REQUIRE_UI_THREAD();
  if (!SameBrowser(browser, main_browser_))
    return;
  // A later render view may live in a new render process (the real
  // framework swaps processes when a page navigates across sites), which
  // has none of the texts.
  if (main_render_view_seen_)
    main_renderer_synced_ = false;
  main_render_view_seen_ = true;
}

void EmbedBrowserHandler::OnRenderProcessTerminated(
    CefRefPtr<CefBrowser> browser,
    TerminationStatus status) {
  CEF_REQUIRE_UI_THREAD();
  if (!browser)
    return;
  message_router_->OnRenderProcessTerminated(browser);
  // The main browser's next render process starts without the texts.
  if (SameBrowser(browser, main_browser_))
    main_renderer_synced_ = false;
  const PageObserver::RenderProcessEnd end =
      static_cast<PageObserver::RenderProcessEnd>(status);
  NotifyObservers([&](PageObserver* observer) {
    observer->OnRenderProcessEnded(browser, end);
  });
}

bool EmbedBrowserHandler::OnProcessMessageReceived(
    CefRefPtr<CefBrowser> browser,
    CefProcessId source_process,
    CefRefPtr<CefProcessMessage> message) {
  CEF_REQUIRE_UI_THREAD();
  if (!browser || !message)
    return false;
  // A render process sizes what it sends: memory running out on it drops
  // that message, never the browser process.
  try {
    if (!HandleOwnMessage(browser, message))
      return false;
    return message_router_->OnProcessMessageReceived(browser, source_process,
                                                     message);
  } catch (...) {
    return false;
  }
}

bool EmbedBrowserHandler::HandleOwnMessage(
    CefRefPtr<CefBrowser> browser,
    CefRefPtr<CefProcessMessage> message) {
  const std::string name = MessageName(message);
  int64 frame_id = 0;
  if (name == kSenderFrameMessage) {
    if (ReadSenderFrame(message, &frame_id))
      sender_frames_[browser->GetIdentifier()] = frame_id;
    return false;
  }
  const bool allowed = SenderAllowed(browser);
  if (!allowed) {
    // Dropped: the sending frame's origin is not on the host's list.
  } else if (name == kSyncCacheMessage) {
    HandleSyncCache(browser);
  } else if (name == kSetOptionMessage) {
    HandleSetOption(message);
  } else if (name == kGetOptionMessage) {
    SendOptionJson(browser);
  } else if (name == kSetUserOptionsMessage) {
    HandleSetUserOptions(message);
  }
  return true;
}

bool EmbedBrowserHandler::SenderAllowed(CefRefPtr<CefBrowser> browser) {
  auto named = sender_frames_.find(browser->GetIdentifier());
  if (named == sender_frames_.end())
    return !allowed_origins_.restricted();
  const int64 frame_id = named->second;
  sender_frames_.erase(named);
  if (!allowed_origins_.restricted())
    return true;
  // Judged by the frame as this process knows it, never by what the render
  // process says of it.
  CefRefPtr<CefFrame> frame = browser->GetFrame(frame_id);
  return frame && allowed_origins_.Allows(frame->GetURL().ToString());
}

void EmbedBrowserHandler::SendOptionJson(CefRefPtr<CefBrowser> browser) {
  // From the store, not from what was last pushed: options seeded by the
  // host, or updated before any browser existed, were never pushed.
  browser->SendProcessMessage(
      PID_RENDERER,
      CreateOptionAnswerMessage(OptionStore::GetInstance()->OptionJson()));
}

void EmbedBrowserHandler::HandleSyncCache(CefRefPtr<CefBrowser> /*browser*/) {
  // The texts go to the main browser's render process whoever asks, so a
  // second ask (the avatar's render process, a hostile one asking again)
  // would hand that process every text twice.
  if (main_renderer_synced_ || !main_browser_)
    return;
  main_renderer_synced_ = true;
  OptionStore::GetInstance()->ResyncVoiceLists();
  // Tells the pages that every voice text has arrived.
  SendCacheSynced(this);
}

void EmbedBrowserHandler::HandleSetOption(
    CefRefPtr<CefProcessMessage> message) {
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  if (!args || args->GetSize() > kMaxOptionListLength)
    return;
  OptionBlock block = ReadOptionBlock(args);
  OptionStore::GetInstance()->UpdateOptions(&block);
}

void EmbedBrowserHandler::HandleSetUserOptions(
    CefRefPtr<CefProcessMessage> message) {
  CefString text;
  OptionBlock block;
  if (ReadStringArgument(message, &text) && ParseOptionJson(text, &block))
    OptionStore::GetInstance()->UpdateOptions(&block);
}

bool EmbedBrowserHandler::OnQuery(CefRefPtr<CefBrowser> browser,
                                  CefRefPtr<CefFrame> frame,
                                  int64 /*query_id*/,
                                  const CefString& request,
                                  bool /*persistent*/,
                                  CefRefPtr<Callback> callback) {
  CEF_REQUIRE_UI_THREAD();
  // A frame the browser does not know (gone, replaced, or never there) asks
  // for nothing: declining fails the query back through the router.
  if (!browser || !frame || !callback)
    return false;
  if (!allowed_origins_.Allows(frame->GetURL().ToString())) {
    callback->Failure(kOriginRefusedErrorCode, kOriginRefusedErrorMessage);
    return true;
  }
  if (request == kOnLoadRequest) {
    callback->Success(kOnLoadResponse);
    return true;
  }
  if (request == kTestOnlyRequest) {
    callback->Failure(kTestOnlyErrorCode, kTestOnlyErrorMessage);
    return true;
  }
  if (request == kOnJumpRequest) {
    // The query stays pending until the router cancels it.
    if (frame->IsMain())
      HideAndNotifyJump(browser);
    return true;
  }
  return false;
}

void EmbedBrowserHandler::HideAndNotifyJump(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<CefBrowserHost> host = browser->GetHost();
  if (!host)
    return;
  ShowWindow(host->GetWindowHandle(), SW_HIDE);
  NotifyObservers([&](PageObserver* observer) { observer->OnJumped(browser); });
  NotifyObservers([](PageObserver* observer) { observer->OnJump(); });
}

template <typename Event>
void EmbedBrowserHandler::NotifyObservers(const Event& event) {
  // A copy, called outside the lock: an observer may add or remove observers
  // (itself included) from its callback. One removed meanwhile is skipped.
  ObserverList& list = Observers();
  std::set<PageObserver*> observers;
  {
    std::lock_guard<std::mutex> hold(list.lock);
    observers = list.observers;
  }
  for (PageObserver* observer : observers) {
    bool registered = false;
    {
      std::lock_guard<std::mutex> hold(list.lock);
      registered = list.observers.count(observer) != 0;
    }
    if (registered)
      event(observer);
  }
}

void EmbedBrowserHandler::OnQueryCanceled(CefRefPtr<CefBrowser> /*browser*/,
                                          CefRefPtr<CefFrame> /*frame*/,
                                          int64 /*query_id*/) {
  CEF_REQUIRE_UI_THREAD();
}
