// How render processes end: asked to (a closed browser, CefShutdown), or
// not (killed, crashed, exited); the browser process goes on either way.
#include "include/cef_browser.h"
#include "src/browser/child_process_reaper.h"
#include "src/browser/child_process_render_host.h"
#include "src/browser/child_process_switches.h"
#include "tests/framework_process/process_test_support.h"

namespace process_test {
namespace {

const char kPidPage[] = "<script>kxtest.reportPid();</script>";

class LifetimeTest : public MultiProcessTest {
 protected:
  void TearDown() override {
    MultiProcessTest::TearDown();
    cef_internal::ChildProcessRenderHost::FailNextLaunches(0);
  }

  // A browser whose page reported its render process; that process's id.
  CefRefPtr<CefBrowser> BrowserWithPage(const std::string& html, DWORD* pid) {
    CefRefPtr<CefBrowser> browser =
        CreateBrowser(Page("page" + std::to_string(++pages_) + ".html", html));
    if (!browser || !WaitForMessage(browser, "page-pid"))
      return nullptr;
    *pid =
        static_cast<DWORD>(MessagesFor(browser, "page-pid")[0].args->GetInt(0));
    return browser;
  }

  std::string Terminated(CefRefPtr<CefBrowser> browser,
                         cef_termination_status_t status) {
    return std::to_string(browser->GetIdentifier()) + " render-terminated " +
           std::to_string(status);
  }

  // Asks the render side to end with |exit_code|; waits for the report.
  bool ExitRenderer(CefRefPtr<CefBrowser> browser,
                    unsigned exit_code,
                    cef_termination_status_t expected) {
    CefRefPtr<CefProcessMessage> message =
        CefProcessMessage::Create("exit-with");
    message->GetArgumentList()->SetInt(0, static_cast<int>(exit_code));
    browser->SendProcessMessage(PID_RENDERER, message);
    return log_.WaitFor(Terminated(browser, expected));
  }

  int pages_ = 0;
};

TEST_F(LifetimeTest, ClosingABrowserEndsItsRenderProcessCleanly) {
  DWORD pid = 0;
  CefRefPtr<CefBrowser> browser = BrowserWithPage(kPidPage, &pid);
  ASSERT_TRUE(browser) << log_.Dump();
  ProcessWatch renderer(pid);
  ASSERT_TRUE(renderer.valid());
  browser->GetMainFrame()->ExecuteJavaScript("window.close();", "", 1);
  ASSERT_TRUE(
      log_.WaitFor(std::to_string(browser->GetIdentifier()) + " before-close"))
      << log_.Dump();
  ASSERT_TRUE(renderer.WaitForEnd());
  EXPECT_EQ(0u, renderer.exit_code());
  EXPECT_FALSE(log_.HasPrefix(std::to_string(browser->GetIdentifier()) +
                              " render-terminated"));
}

TEST_F(LifetimeTest, ShutdownLeavesNoRenderProcessBehind) {
  DWORD open_pid = 0;
  DWORD closed_pid = 0;
  ASSERT_TRUE(BrowserWithPage(kPidPage, &open_pid)) << log_.Dump();
  CefRefPtr<CefBrowser> closed = BrowserWithPage(kPidPage, &closed_pid);
  ASSERT_TRUE(closed) << log_.Dump();
  ProcessWatch open_renderer(open_pid);
  ProcessWatch closed_renderer(closed_pid);
  // The closed browser's render process is still ending when CefShutdown
  // comes.
  closed->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(WaitFor([&]() {
    return cef_internal::ChildProcessReaper::PendingCount() > 0 ||
           closed_renderer.Ended();
  }));
  Shutdown();
  EXPECT_TRUE(open_renderer.Ended());
  EXPECT_TRUE(closed_renderer.Ended());
  EXPECT_EQ(0u, open_renderer.exit_code());
  EXPECT_EQ(0u, closed_renderer.exit_code());
  EXPECT_EQ(0, cef_internal::ChildProcessReaper::PendingCount());
}

TEST_F(LifetimeTest, ShutdownTerminatesHungRenderProcesses) {
  const char kHungPage[] =
      "<script>kxtest.reportPid(); while (true) {}</script>";
  DWORD open_pid = 0;
  DWORD closed_pid = 0;
  ASSERT_TRUE(BrowserWithPage(kHungPage, &open_pid)) << log_.Dump();
  CefRefPtr<CefBrowser> closed = BrowserWithPage(kHungPage, &closed_pid);
  ASSERT_TRUE(closed) << log_.Dump();
  ProcessWatch open_renderer(open_pid);
  ProcessWatch closed_renderer(closed_pid);
  closed->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(WaitFor(
      []() { return cef_internal::ChildProcessReaper::PendingCount() > 0; }));
  Shutdown();
  EXPECT_TRUE(open_renderer.Ended());
  EXPECT_TRUE(closed_renderer.Ended());
  EXPECT_EQ(cef_internal::kRenderProcessKilledExitCode,
            open_renderer.exit_code());
  EXPECT_EQ(cef_internal::kRenderProcessKilledExitCode,
            closed_renderer.exit_code());
}

TEST_F(LifetimeTest, KilledRendererIsReportedAndTheNextLoadStartsAnother) {
  DWORD pid = 0;
  CefRefPtr<CefBrowser> browser = BrowserWithPage(
      "<script>kxtest.reportPid();"
      "cefQuery({request: 'hold', onSuccess: function() {}});</script>",
      &pid);
  ASSERT_TRUE(browser) << log_.Dump();
  std::string id = std::to_string(browser->GetIdentifier());
  ASSERT_TRUE(log_.WaitFor(id + " query hold")) << log_.Dump();
  ASSERT_TRUE(log_.WaitFor(id + " load-end 200")) << log_.Dump();
  ProcessWatch renderer(pid);
  renderer.Kill(cef_internal::kRenderProcessKilledExitCode);
  ASSERT_TRUE(log_.WaitFor(Terminated(browser, TS_PROCESS_WAS_KILLED)))
      << log_.Dump();
  // The router gave up the query the dead page was waiting for.
  EXPECT_TRUE(log_.Has(id + " query-canceled")) << log_.Dump();

  browser->GetMainFrame()->LoadURL(Page("again.html", kPidPage));
  ASSERT_TRUE(WaitForMessage(browser, "page-pid", 2)) << log_.Dump();
  DWORD again =
      static_cast<DWORD>(MessagesFor(browser, "page-pid")[1].args->GetInt(0));
  EXPECT_NE(pid, again);
  EXPECT_EQ(HostPid(browser), again);
  EXPECT_TRUE(WaitFor([&]() { return log_.Count(id + " load-end 200") == 2; }))
      << log_.Dump();
}

TEST_F(LifetimeTest, ExitCodeGivesTheStatusAfterWhatTheProcessSent) {
  DWORD pid = 0;
  CefRefPtr<CefBrowser> browser = BrowserWithPage(kPidPage, &pid);
  ASSERT_TRUE(browser) << log_.Dump();
  std::string id = std::to_string(browser->GetIdentifier());
  ASSERT_TRUE(ExitRenderer(browser, 0xC0000005u, TS_PROCESS_CRASHED))
      << log_.Dump();
  // Sent just before the end, reported before it.
  EXPECT_LT(log_.IndexOf(id + " message exiting"),
            log_.IndexOf(Terminated(browser, TS_PROCESS_CRASHED)));

  browser->GetMainFrame()->LoadURL(Page("second.html", kPidPage));
  ASSERT_TRUE(WaitForMessage(browser, "page-pid", 2)) << log_.Dump();
  EXPECT_TRUE(ExitRenderer(browser, 5, TS_ABNORMAL_TERMINATION)) << log_.Dump();
}

// As the real framework does: a render process it cannot launch is reported
// at once as killed, before any load event, and the next load launches
// another, where the page runs.
TEST_F(LifetimeTest, ALaunchThatFailsIsReportedKilledAndTheNextLoadLaunches) {
  cef_internal::ChildProcessRenderHost::FailNextLaunches(1);
  CefRefPtr<CefBrowser> browser = CreateBrowser(Page("first.html", kPidPage));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor(Terminated(browser, TS_PROCESS_WAS_KILLED)))
      << log_.Dump();
  EXPECT_EQ(0u, HostPid(browser));
  browser->GetMainFrame()->LoadURL(Page("second.html", kPidPage));
  ASSERT_TRUE(WaitForMessage(browser, "page-pid")) << log_.Dump();
  EXPECT_NE(0u, HostPid(browser));
  EXPECT_EQ(1, log_.Count(Terminated(browser, TS_PROCESS_WAS_KILLED)))
      << log_.Dump();
  EXPECT_EQ(2u, app_->launched_command_lines.size());
}

// A relaunch that fails too is reported again, and the browser still
// closes as usual.
TEST_F(LifetimeTest, EveryFailedLaunchIsReported) {
  cef_internal::ChildProcessRenderHost::FailNextLaunches(2);
  CefRefPtr<CefBrowser> browser = CreateBrowser(Page("first.html", kPidPage));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor(Terminated(browser, TS_PROCESS_WAS_KILLED)))
      << log_.Dump();
  browser->GetMainFrame()->LoadURL(Page("second.html", kPidPage));
  ASSERT_TRUE(WaitFor([&] {
    return log_.Count(Terminated(browser, TS_PROCESS_WAS_KILLED)) == 2;
  })) << log_.Dump();
  EXPECT_FALSE(browser->IsLoading());
  browser->GetHost()->CloseBrowser(true);
  EXPECT_TRUE(
      log_.WaitFor(std::to_string(browser->GetIdentifier()) + " before-close"))
      << log_.Dump();
}

TEST_F(LifetimeTest, ProcessThatNeverConnectsIsReportedAndReplaced) {
  app_->extra_switches.push_back(kExitAtOnceSwitch);
  CefRefPtr<CefBrowser> browser = CreateBrowser(Page("first.html", kPidPage));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor(Terminated(browser, TS_ABNORMAL_TERMINATION)))
      << log_.Dump();
  app_->extra_switches.clear();
  browser->GetMainFrame()->LoadURL(Page("second.html", kPidPage));
  ASSERT_TRUE(WaitForMessage(browser, "page-pid")) << log_.Dump();
  EXPECT_EQ(2u, app_->launched_command_lines.size());
}

}  // namespace
}  // namespace process_test

namespace process_test {
namespace {

class MissingProgramTest : public MultiProcessTest {
 protected:
  void SetUp() override {
    program_ = L"C:\\kx-no-such-folder\\renderer.exe";
    MultiProcessTest::SetUp();
  }
};

TEST_F(MissingProgramTest, BrowserStillOpensAndClosesWithoutARenderSide) {
  CefRefPtr<CefBrowser> browser = CreateBrowser(Page("page.html", "x"));
  ASSERT_TRUE(browser);
  EXPECT_EQ(0u, HostPid(browser));
  // Reported as the real framework reports any launch that fails.
  EXPECT_TRUE(log_.WaitFor(std::to_string(browser->GetIdentifier()) +
                           " render-terminated " +
                           std::to_string(TS_PROCESS_WAS_KILLED)))
      << log_.Dump();
  browser->GetHost()->CloseBrowser(true);
  EXPECT_TRUE(
      log_.WaitFor(std::to_string(browser->GetIdentifier()) + " before-close"))
      << log_.Dump();
  EXPECT_GE(app_->launched_command_lines.size(), 1u);
}

}  // namespace
}  // namespace process_test
