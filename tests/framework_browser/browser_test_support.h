// Shared pieces of the browser-side tests: an application and a client that
// record every framework callback as a line of text, a temporary folder of
// pages, and a fixture that starts and ends the framework per test.
#ifndef TESTS_FRAMEWORK_BROWSER_BROWSER_TEST_SUPPORT_H_
#define TESTS_FRAMEWORK_BROWSER_BROWSER_TEST_SUPPORT_H_

#include <windows.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "include/wrapper/cef_message_router.h"
#include "src/core/message_loop.h"

namespace browser_test {

// Bounds every wait, so that a missing callback fails a test instead of
// hanging it. Not a speed requirement.
constexpr int kWaitMs = 15000;

// Runs the UI loop until |done| or the bound.
inline bool WaitFor(const std::function<bool()>& done,
                    int timeout_ms = kWaitMs) {
  return cef_internal::MessageLoop::Main()->RunUntil(done, timeout_ms);
}

// Lets everything already posted (and what it posts in turn) run.
inline void Settle() {
  cef_internal::MessageLoop::Main()->RunUntilIdle();
}

// An ordered record of callbacks, shared by the app and the clients.
class EventLog {
 public:
  // Callbacks on the framework's IO thread log too: every use takes the lock,
  // and readers get copies.
  void Add(const std::string& event) {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back(event);
  }
  std::vector<std::string> events() const {
    std::lock_guard<std::mutex> hold(lock_);
    return events_;
  }
  bool Has(const std::string& event) const { return IndexOf(event) >= 0; }
  int Count(const std::string& event) const {
    const std::vector<std::string> all = events();
    return static_cast<int>(std::count(all.begin(), all.end(), event));
  }
  int CountStartingWith(const std::string& prefix) const {
    const std::vector<std::string> all = events();
    return static_cast<int>(
        std::count_if(all.begin(), all.end(), [&prefix](const std::string& e) {
          return e.compare(0, prefix.size(), prefix) == 0;
        }));
  }
  // The index of the first event equal to |event|, or -1.
  int IndexOf(const std::string& event) const {
    const std::vector<std::string> all = events();
    auto it = std::find(all.begin(), all.end(), event);
    return it == all.end() ? -1 : static_cast<int>(it - all.begin());
  }
  // The first event beginning with |prefix|, or "".
  std::string Find(const std::string& prefix) const {
    for (const std::string& event : events()) {
      if (event.compare(0, prefix.size(), prefix) == 0)
        return event;
    }
    return std::string();
  }
  bool WaitFor(const std::string& event, int timeout_ms = kWaitMs) const {
    return browser_test::WaitFor([this, event]() { return Has(event); },
                                 timeout_ms);
  }
  std::string Dump() const {
    std::string text;
    for (const std::string& event : events())
      text += "  " + event + "\n";
    return text;
  }
  void Clear() {
    std::lock_guard<std::mutex> hold(lock_);
    events_.clear();
  }

 private:
  mutable std::mutex lock_;
  std::vector<std::string> events_;
};

// "main" for the main frame, "sub:<name>" for a sub-frame.
std::string FrameLabel(CefRefPtr<CefFrame> frame);

// The application: browser- and render-process handlers in one object, as a
// single-process application has it. The render side answers "ping" with
// "pong" and hosts the renderer half of the message router.
class TestApp : public CefApp,
                public CefBrowserProcessHandler,
                public CefRenderProcessHandler {
 public:
  explicit TestApp(EventLog* log) : log_(log) {}

  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override {
    return this;
  }
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override {
    return this;
  }

  void OnContextInitialized() override { log_->Add("context-initialized"); }
  void OnRenderProcessThreadCreated(
      CefRefPtr<CefListValue> extra_info) override;

  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override;
  void OnWebKitInitialized() override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

 private:
  EventLog* const log_;
  CefRefPtr<CefMessageRouterRendererSide> renderer_router_;

  IMPLEMENT_REFCOUNTING(TestApp);
};

// A client with every handler the browser side calls. Behaviour is set
// through its public fields before the browser is created.
class TestClient : public CefClient,
                   public CefContextMenuHandler,
                   public CefDisplayHandler,
                   public CefLifeSpanHandler,
                   public CefLoadHandler,
                   public CefRequestHandler {
 public:
  explicit TestClient(EventLog* log) : log_(log) {}

  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override {
    return this;
  }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  // CefContextMenuHandler:
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params,
                           CefRefPtr<CefMenuModel> model) override;
  bool RunContextMenu(CefRefPtr<CefBrowser> browser,
                      CefRefPtr<CefFrame> frame,
                      CefRefPtr<CefContextMenuParams> params,
                      CefRefPtr<CefMenuModel> model,
                      CefRefPtr<CefRunContextMenuCallback> callback) override;
  bool OnContextMenuCommand(CefRefPtr<CefBrowser> browser,
                            CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefContextMenuParams> params,
                            int command_id,
                            EventFlags event_flags) override;
  void OnContextMenuDismissed(CefRefPtr<CefBrowser> browser,
                              CefRefPtr<CefFrame> frame) override;

  // CefDisplayHandler:
  bool OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& source,
                        int line) override;

  // CefLifeSpanHandler:
  bool OnBeforePopup(CefRefPtr<CefBrowser> browser,
                     CefRefPtr<CefFrame> frame,
                     const CefString& target_url,
                     const CefString& target_frame_name,
                     cef_window_open_disposition_t target_disposition,
                     bool user_gesture,
                     const CefPopupFeatures& popupFeatures,
                     CefWindowInfo& windowInfo,
                     CefRefPtr<CefClient>& client,
                     CefBrowserSettings& settings,
                     bool* no_javascript_access) override;
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  bool DoClose(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;

  // CefLoadHandler:
  void OnLoadingStateChange(CefRefPtr<CefBrowser> browser,
                            bool isLoading,
                            bool canGoBack,
                            bool canGoForward) override;
  void OnLoadStart(CefRefPtr<CefBrowser> browser,
                   CefRefPtr<CefFrame> frame) override;
  void OnLoadEnd(CefRefPtr<CefBrowser> browser,
                 CefRefPtr<CefFrame> frame,
                 int httpStatusCode) override;
  void OnLoadError(CefRefPtr<CefBrowser> browser,
                   CefRefPtr<CefFrame> frame,
                   ErrorCode errorCode,
                   const CefString& errorText,
                   const CefString& failedUrl) override;

  // CefRequestHandler:
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                      CefRefPtr<CefFrame> frame,
                      CefRefPtr<CefRequest> request,
                      bool is_redirect) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                 TerminationStatus status) override;

  // Behaviour.
  bool do_close_result = false;
  bool console_handled = true;
  bool quit_on_close = false;
  bool clear_menu = false;
  // RunContextMenu takes the menu and answers with this command (0: none).
  int run_menu_command = 0;
  std::function<bool(CefRefPtr<CefFrame>, const std::string& url)>
      cancel_navigation;
  std::function<void(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>)> on_load_start;
  std::function<void(CefRefPtr<CefBrowser>, CefRefPtr<CefFrame>, int code)>
      on_load_error;
  // Decides pop-ups; may change the window description. Null: allow as is.
  std::function<bool(CefWindowInfo&)> on_before_popup;
  CefRefPtr<CefMessageRouterBrowserSide> router;

  // What happened.
  std::vector<CefRefPtr<CefBrowser>> browsers;
  std::vector<std::string> console_sources;
  std::vector<int> console_lines;
  CefWindowInfo last_popup_info;
  // The thread OnBeforePopup last ran on.
  DWORD popup_thread = 0;
  CefRefPtr<CefClient> last_popup_client;
  int last_menu_item_count = -1;
  std::vector<int> last_menu_commands;
  CefRefPtr<CefProcessMessage> last_message;

 private:
  EventLog* const log_;

  IMPLEMENT_REFCOUNTING(TestClient);
};

// A folder of test pages under the temporary directory, removed at the end.
class PageFolder {
 public:
  PageFolder();
  ~PageFolder();
  // Writes |content| (UTF-8) as |name| and returns its file: URL.
  std::string Write(const std::string& name, const std::string& content);
  // The file: URL of |name|, written or not.
  std::string Url(const std::string& name) const;

 private:
  std::wstring path_;
  std::vector<std::wstring> files_;
};

// A window description as the system makes its page windows: a hidden,
// borderless pop-up owned by |parent|.
// (A class: the framework's window description cannot be returned by copy.)
class HiddenPopupInfo : public CefWindowInfo {
 public:
  HiddenPopupInfo(HWND parent, const std::string& name);
};

// Starts the framework (single process) before each test and ends it after.
class BrowserTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  virtual void ConfigureSettings(CefSettings* settings) {}

  // Creates a browser with |client_| and waits for OnAfterCreated.
  CefRefPtr<CefBrowser> CreateBrowser(const std::string& url);
  // Waits for the next OnLoadEnd of the main frame (counting from now).
  bool WaitForMainLoadEnd();
  // Runs |code| in |browser|'s main frame and waits until the page has
  // logged |marker|: everything sent before has then been handled.
  bool RoundTrip(CefRefPtr<CefBrowser> browser, const std::string& marker);

  EventLog log_;
  CefRefPtr<TestApp> app_;
  CefRefPtr<TestClient> client_;
  PageFolder pages_;
  HWND parent_ = nullptr;
};

}  // namespace browser_test

#endif  // TESTS_FRAMEWORK_BROWSER_BROWSER_TEST_SUPPORT_H_
