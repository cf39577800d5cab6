// Shared pieces of the multi-process tests. This executable is its own render
// process (main.cc hands a "--type=renderer" start to CefExecuteProcess with
// RenderApp), so the tests below drive real sub-processes over real pipes.
#ifndef TESTS_FRAMEWORK_PROCESS_PROCESS_TEST_SUPPORT_H_
#define TESTS_FRAMEWORK_PROCESS_PROCESS_TEST_SUPPORT_H_

#include <windows.h>

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "gtest/gtest.h"
#include "include/cef_app.h"
#include "include/cef_client.h"
#include "include/wrapper/cef_message_router.h"

namespace process_test {

// Bounds every wait, so that a missing event fails a test instead of
// hanging it. Not a speed requirement.
constexpr int kWaitMs = 15000;

// Switches this executable understands when it is started as a child.
// Added by the browser process handler: shows that the launch command line
// it changed is the one the render process gets.
constexpr char kMarkerSwitch[] = "kx-test-marker";
// Ends at once with kExitAtOnceCode, before connecting to anything.
constexpr char kExitAtOnceSwitch[] = "kx-test-exit-at-once";
constexpr int kExitAtOnceCode = 5;
// Plays the render side by hand, writing garbage into the pipe.
constexpr char kRawRendererSwitch[] = "kx-test-raw-renderer";
// Becomes a browser process that dies once its render process is up.
constexpr char kHelperBrowserSwitch[] = "kx-test-helper-browser";
// A render side played by hand that says "deaf-ready", then reads no more.
constexpr char kDeafRendererSwitch[] = "kx-test-deaf-renderer";
constexpr char kNoJobSwitch[] = "kx-test-no-job";
constexpr char kReportFileSwitch[] = "kx-test-report";
constexpr char kGoEventSwitch[] = "kx-test-go";
constexpr char kUrlSwitch[] = "kx-test-url";

// What the browser process hands to OnRenderProcessThreadCreated.
constexpr char kExtraInfo[] = "extra from the browser \xC3\xBC";

std::wstring OwnExecutable();
// Runs the calling thread's loop until |done| or the bound.
bool WaitFor(const std::function<bool()>& done, int timeout_ms = kWaitMs);
std::string Utf8(const CefString& text);
// A readable dump of a value tree, for comparisons and failure messages.
std::string Describe(CefRefPtr<CefListValue> list);

// A process by id, to see how it ended. A process still running when the
// watch goes away is terminated, so a failing test leaves nothing behind.
class ProcessWatch {
 public:
  explicit ProcessWatch(DWORD pid);
  // Starts this executable with |switches|; invalid when that failed.
  static std::unique_ptr<ProcessWatch> LaunchSelf(const std::wstring& switches);
  ~ProcessWatch();
  ProcessWatch(const ProcessWatch&) = delete;
  ProcessWatch& operator=(const ProcessWatch&) = delete;

  bool valid() const { return handle_ != nullptr; }
  bool Ended() const;
  bool WaitForEnd(int timeout_ms = kWaitMs) const;
  DWORD exit_code() const;
  void Kill(UINT exit_code);
  DWORD pid() const;

 private:
  ProcessWatch() : handle_(nullptr) {}

  HANDLE handle_;
};

// An ordered record of callbacks as lines of text. Callbacks on the
// framework's IO thread log too: every use takes the lock.
class EventLog {
 public:
  void Add(const std::string& event) {
    std::lock_guard<std::mutex> hold(lock_);
    events_.push_back(event);
  }
  int IndexOf(const std::string& event) const;
  bool Has(const std::string& event) const { return IndexOf(event) >= 0; }
  bool HasPrefix(const std::string& prefix) const;
  int Count(const std::string& event) const;
  bool WaitFor(const std::string& event, int timeout_ms = kWaitMs) const;
  std::string Dump() const;

 private:
  std::vector<std::string> Events() const;

  mutable std::mutex lock_;
  std::vector<std::string> events_;
};

// The browser process's application.
class BrowserApp : public CefApp, public CefBrowserProcessHandler {
 public:
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override {
    return this;
  }
  void OnBeforeChildProcessLaunch(
      CefRefPtr<CefCommandLine> command_line) override;
  void OnRenderProcessThreadCreated(
      CefRefPtr<CefListValue> extra_info) override;

  // A launch of another kind of child (the GPU process): its command line
  // and the framework thread it was announced on.
  struct OtherLaunch {
    std::string command_line;
    bool on_io_thread;
    bool on_ui_thread;
  };

  // Render processes only, from here down (UI thread).
  // Appended to every launch after the marker.
  std::vector<std::string> extra_switches;
  // Called with each launch's pipe name, before the process starts.
  std::function<void(const std::wstring& pipe)> before_launch;
  std::vector<std::string> launched_command_lines;

  // Any thread.
  std::vector<OtherLaunch> other_launches() const;

 private:
  mutable std::mutex other_lock_;
  std::vector<OtherLaunch> other_launches_;  // guarded by |other_lock_|

  IMPLEMENT_REFCOUNTING(BrowserApp);
};

// A process message as the browser side received it.
struct ReceivedMessage {
  int browser_id;
  std::string name;
  CefRefPtr<CefListValue> args;
};

// The client: records events, keeps process messages and answers router
// queries ("ping:X" -> "pong:X", "fail" -> 42, "hold" stays pending).
class TestClient : public CefClient,
                   public CefDisplayHandler,
                   public CefLifeSpanHandler,
                   public CefLoadHandler,
                   public CefRequestHandler,
                   public CefMessageRouterBrowserSide::Handler {
 public:
  explicit TestClient(EventLog* log);

  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefLoadHandler> GetLoadHandler() override { return this; }
  CefRefPtr<CefRequestHandler> GetRequestHandler() override { return this; }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  bool OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& source,
                        int line) override;
  // Keeps pop-up windows hidden, like the other browsers of the tests.
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
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;
  void OnLoadEnd(CefRefPtr<CefBrowser> browser,
                 CefRefPtr<CefFrame> frame,
                 int httpStatusCode) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                 TerminationStatus status) override;

  // CefMessageRouterBrowserSide::Handler:
  bool OnQuery(CefRefPtr<CefBrowser> browser,
               CefRefPtr<CefFrame> frame,
               int64 query_id,
               const CefString& request,
               bool persistent,
               CefRefPtr<Callback> callback) override;
  void OnQueryCanceled(CefRefPtr<CefBrowser> browser,
                       CefRefPtr<CefFrame> frame,
                       int64 query_id) override;

  // The messages named |name|, oldest first.
  std::vector<ReceivedMessage> MessagesNamed(const std::string& name) const;
  std::vector<CefRefPtr<CefBrowser>> browsers;
  std::vector<std::string> console_sources;
  std::vector<int> console_lines;

 private:
  EventLog* const log_;
  CefRefPtr<CefMessageRouterBrowserSide> router_;
  std::vector<ReceivedMessage> messages_;
  std::vector<CefRefPtr<Callback>> held_;

  IMPLEMENT_REFCOUNTING(TestClient);
};

// Starts the framework without single_process, render processes from this
// executable, before each test, and ends it after.
class MultiProcessTest : public testing::Test {
 protected:
  MultiProcessTest();
  ~MultiProcessTest() override;
  void SetUp() override;
  void TearDown() override;

  // Creates a browser and waits for OnAfterCreated.
  CefRefPtr<CefBrowser> CreateBrowser(const std::string& url);
  // Writes |html| as a page under the temporary folder; its file: URL.
  std::string Page(const std::string& name, const std::string& html);
  // Waits for the |count|-th message |name| for |browser| (1 = the first).
  bool WaitForMessage(CefRefPtr<CefBrowser> browser,
                      const std::string& name,
                      size_t count = 1);
  std::vector<ReceivedMessage> MessagesFor(CefRefPtr<CefBrowser> browser,
                                           const std::string& name) const;
  // The process id the render side of |browser| reported last.
  DWORD RenderPid(CefRefPtr<CefBrowser> browser) const;
  // The id of the process the browser side launched for |browser|.
  DWORD HostPid(CefRefPtr<CefBrowser> browser) const;
  void Shutdown();

  // The render processes' program; this executable unless set before SetUp.
  std::wstring program_;
  EventLog log_;
  CefRefPtr<BrowserApp> app_;
  CefRefPtr<TestClient> client_;

 private:
  std::wstring folder_;
  std::vector<std::wstring> files_;
  bool running_ = false;
};

}  // namespace process_test

#endif  // TESTS_FRAMEWORK_PROCESS_PROCESS_TEST_SUPPORT_H_
