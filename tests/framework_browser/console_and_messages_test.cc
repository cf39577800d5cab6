// Console output, process messages and the end of a render side.
#include <io.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "src/browser/browser_context.h"
#include "src/browser/browser_impl.h"
#include "tests/framework_browser/browser_test_support.h"

namespace browser_test {
namespace {

// Sends what the process writes to stderr into a file while alive.
class StderrCapture {
 public:
  StderrCapture() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    path_ = std::wstring(temp) + L"kx_stderr_" +
            std::to_wstring(GetCurrentProcessId()) + L".txt";
    fflush(stderr);
    saved_ = _dup(2);
    FILE* file = _wfopen(path_.c_str(), L"wb");
    _dup2(_fileno(file), 2);
    fclose(file);
  }
  ~StderrCapture() {
    Restore();
    DeleteFileW(path_.c_str());
  }
  std::string Text() {
    Restore();
    std::ifstream in(path_.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

 private:
  void Restore() {
    if (saved_ < 0)
      return;
    fflush(stderr);
    _dup2(saved_, 2);
    _close(saved_);
    saved_ = -1;
  }

  std::wstring path_;
  int saved_ = -1;
};

const char kTwoLines[] =
    "<html>\n<script>\nconsole.log('first');\nconsole.log('second');\n"
    "</script>\n</html>\n";

class ConsoleTest : public BrowserTest {};

TEST_F(ConsoleTest, MessagesReachOnlyTheDisplayHandler) {
  // Whatever the handler answers, the framework writes nothing of a page's
  // console anywhere.
  for (bool handled : {false, true}) {
    client_->console_handled = handled;
    client_->console_lines.clear();
    client_->console_sources.clear();
    std::string url = pages_.Write(handled ? "b.html" : "a.html", kTwoLines);
    StderrCapture capture;
    ASSERT_TRUE(CreateBrowser(url));
    ASSERT_TRUE(WaitFor([&] { return client_->console_lines.size() == 2; }))
        << log_.Dump();
    EXPECT_EQ(url, client_->console_sources[0]);
    EXPECT_LT(client_->console_lines[0], client_->console_lines[1]);
    const std::string text = capture.Text();
    EXPECT_EQ(std::string::npos, text.find("first")) << text;
    EXPECT_EQ(std::string::npos, text.find("CONSOLE(")) << text;
  }
}

class FrameworkLogFileTest : public BrowserTest {
 protected:
  void ConfigureSettings(CefSettings* settings) override {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    log_path_ = std::wstring(temp) + L"kx_framework_" +
                std::to_wstring(GetCurrentProcessId()) + L".log";
    DeleteFileW(log_path_.c_str());
    CefString(&settings->log_file) = log_path_;
    settings->log_severity = severity_;
  }
  void TearDown() override {
    BrowserTest::TearDown();
    DeleteFileW(log_path_.c_str());
  }
  std::string LogText() {
    std::ifstream in(log_path_.c_str(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  std::wstring log_path_;
  cef_log_severity_t severity_ = LOGSEVERITY_DEFAULT;
};

TEST_F(FrameworkLogFileTest, PageConsoleNeverReachesTheLogFile) {
  client_->console_handled = false;
  ASSERT_TRUE(CreateBrowser(pages_.Write("file.html", kTwoLines)));
  ASSERT_TRUE(log_.WaitFor("console second")) << log_.Dump();
  EXPECT_EQ(std::string::npos, LogText().find("first"));
}

TEST_F(FrameworkLogFileTest, ShutdownNamesEveryBrowserLeftOpen) {
  CefRefPtr<CefBrowser> open = CreateBrowser(pages_.Write("open.html", ""));
  ASSERT_TRUE(open);
  ASSERT_TRUE(log_.WaitFor("load-end main 200")) << log_.Dump();
  CefRefPtr<CefBrowser> closed = CreateBrowser("about:blank");
  ASSERT_TRUE(closed);
  closed->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(log_.WaitFor("before-close")) << log_.Dump();
  CefShutdown();
  const std::string text = LogText();
  const std::string named = "browser " + std::to_string(open->GetIdentifier()) +
                            " (window \"kxweb\", url " +
                            pages_.Url("open.html") + ")";
  EXPECT_NE(std::string::npos, text.find(":ERROR:")) << text;
  EXPECT_NE(std::string::npos, text.find(named)) << text;
  // Only the one left open is named.
  EXPECT_EQ(
      std::string::npos,
      text.find("browser " + std::to_string(closed->GetIdentifier()) + " "))
      << text;
}

class DisabledLogTest : public FrameworkLogFileTest {
 protected:
  DisabledLogTest() { severity_ = LOGSEVERITY_DISABLE; }
};

TEST_F(DisabledLogTest, DisabledSeverityWritesNothing) {
  ASSERT_TRUE(CreateBrowser("about:blank"));
  CefShutdown();
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(log_path_.c_str()));
}

class ProcessMessageTest : public BrowserTest {};

TEST_F(ProcessMessageTest, RoundTripThroughTheRenderer) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("about:blank");
  ASSERT_TRUE(browser);
  CefRefPtr<CefProcessMessage> ping = CefProcessMessage::Create("ping");
  ping->GetArgumentList()->SetInt(0, 42);
  ping->GetArgumentList()->SetString(1, "text");
  EXPECT_TRUE(browser->SendProcessMessage(PID_RENDERER, ping));
  ASSERT_TRUE(log_.WaitFor("message pong from renderer")) << log_.Dump();
  CefRefPtr<CefListValue> args = client_->last_message->GetArgumentList();
  ASSERT_EQ(2u, args->GetSize());
  EXPECT_EQ(42, args->GetInt(0));
  EXPECT_EQ("text", args->GetString(1).ToString());
}

TEST_F(ProcessMessageTest, BrowserProcessIsNoTarget) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  EXPECT_FALSE(browser->SendProcessMessage(PID_BROWSER,
                                           CefProcessMessage::Create("ping")));
  EXPECT_FALSE(browser->SendProcessMessage(PID_RENDERER, nullptr));
}

TEST_F(ProcessMessageTest, EndedRenderSideIsReportedAndBrowserStays) {
  CefRefPtr<CefMessageRouterBrowserSide> router =
      CefMessageRouterBrowserSide::Create(CefMessageRouterConfig());
  client_->router = router;
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  cef_internal::BrowserContext* context = cef_internal::BrowserContext::Get();
  CefRefPtr<cef_internal::BrowserImpl> impl =
      context->GetBrowser(browser->GetIdentifier());
  ASSERT_TRUE(impl);
  // What a render-process host reports when its channel closes.
  context->OnRenderProcessGone(impl->render_host(), TS_PROCESS_CRASHED);
  EXPECT_TRUE(
      log_.Has("render-terminated " + std::to_string(TS_PROCESS_CRASHED)));
  EXPECT_FALSE(log_.Has("before-close"));
  EXPECT_TRUE(IsWindow(browser->GetHost()->GetWindowHandle()));
  client_->router = nullptr;
}

}  // namespace
}  // namespace browser_test
