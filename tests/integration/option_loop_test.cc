// The option loop end to end in one process: page -> browser -> store ->
// host record and window message -> main renderer -> page.
#include "tests/integration/system_fixture.h"

#include <cstring>

#include "common/process_messages.h"
#include "store/option_store.h"

namespace {

class OptionLoopTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure())
      return;
    page_ = WritePage("options.html", "<p>options</p>");
    ASSERT_TRUE(LoadAndWait(main_browser(), page_));
  }

  std::string Options(CefRefPtr<CefBrowser> browser) {
    return Evaluate(browser, "KXHelper.GetUserOptions()");
  }

  std::string page_;
};

std::vector<int32_t> Words(const std::string& bytes) {
  std::vector<int32_t> words(bytes.size() / 4);
  std::memcpy(words.data(), bytes.data(), words.size() * 4);
  return words;
}

TEST_F(OptionLoopTest, PageChangeReachesHostRendererAndPage) {
  EXPECT_EQ(Evaluate(main_browser(),
                     "KXHelper.SetUserOptions('[{\"uic_type\":3,"
                     "\"filter_id\":12,\"is_filter\":true}]') + ' ' + "
                     "JSON.stringify(KXHelper.GetUserOptions())"),
            "true \"\"");  // the page's own copy changes only later
  const std::string expected =
      "[{\"filter_id\":12,\"is_filter\":true,\"uic_type\":3}]";
  ASSERT_TRUE(RunUntil([&] { return notifications() == 1; }));
  const std::vector<int32_t> record = Words(ReadRecords());
  ASSERT_EQ(record.size(), 14u);  // 56 bytes
  EXPECT_EQ(record[0], 1);
  EXPECT_EQ(record[1], 1);
  EXPECT_EQ(record[2], 12);
  EXPECT_EQ(record[3], 1);
  EXPECT_EQ(record[4], 1);
  EXPECT_EQ(record[5], 2);
  EXPECT_EQ(OptionStore::GetInstance()->OptionJson().ToString(), expected);
  EXPECT_EQ(Options(main_browser()), expected);
  RunUntil([] { return false; }, 200);
  EXPECT_EQ(notifications(), 1);
}

TEST_F(OptionLoopTest, EmptyUpdateWritesEightBytesAndSendsEmptyArray) {
  EXPECT_EQ(Evaluate(main_browser(), "KXHelper.SetUserOptions('[]')"), "true");
  ASSERT_TRUE(RunUntil([&] { return notifications() == 1; }));
  EXPECT_EQ(ReadRecords(), std::string("\1\0\0\0\0\0\0\0", 8));
  ASSERT_TRUE(RunUntil([&] { return Options(main_browser()) == "[]"; }));
}

TEST_F(OptionLoopTest, IdenticalUpdatesGiveTwoOfEverything) {
  Evaluate(main_browser(),
           "KXHelper.SetUserOptions('[{\"filter_id\":5}]') && "
           "KXHelper.SetUserOptions('[{\"filter_id\":5}]')");
  ASSERT_TRUE(RunUntil([&] { return notifications() == 2; }));
  EXPECT_EQ(ReadRecords().size(), 2 * 56u);
}

// A host that turns the record on but gives no handle hears of it once in
// the framework's log, and again only after it changed either setting.
TEST_F(OptionLoopTest, RecordOnWithoutAHandleIsLoggedOnce) {
  OptionStore* store = OptionStore::GetInstance();
  store->SetHostHandle(INVALID_HANDLE_VALUE);
  auto warnings = [&] {
    size_t count = 0;
    const std::string log = FrameworkLog();
    for (size_t at = log.find("no record handle was given");
         at != std::string::npos;
         at = log.find("no record handle was given", at + 1)) {
      ++count;
    }
    return count;
  };
  for (int i = 1; i <= 3; ++i) {
    Evaluate(main_browser(), "KXHelper.SetUserOptions('[]')");
    ASSERT_TRUE(RunUntil([&] { return notifications() == i; }));
  }
  EXPECT_EQ(warnings(), 1u) << FrameworkLog();
  store->SetHostHandle(nullptr);
  Evaluate(main_browser(), "KXHelper.SetUserOptions('[]')");
  ASSERT_TRUE(RunUntil([&] { return notifications() == 4; }));
  EXPECT_EQ(warnings(), 2u);
  EXPECT_EQ(ReadRecords(), "");
  store->SetHostHandle(record_write_);
}

TEST_F(OptionLoopTest, BadTextsSendNothing) {
  EXPECT_EQ(Evaluate(main_browser(),
                     "[KXHelper.SetUserOptions('nope'), "
                     "KXHelper.SetUserOptions(''), "
                     "KXHelper.SetUserOptions('{\"a\":1}'), "
                     "typeof KXHelper.SetUserOptions({}), "
                     "typeof KXHelper.GetFilteredVoices('1'), "
                     "typeof KXHelper.GetFilteredVoices(1.5), "
                     "typeof KXHelper.GetFilteredVoices()].join()"),
            "false,false,false,undefined,undefined,undefined,undefined");
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(notifications(), 0);
  EXPECT_EQ(ReadRecords(), "");
}

TEST_F(OptionLoopTest, TestOnlyQueryFailsWith404) {
  Execute(main_browser(),
          "window.cefQuery({request: 'TestOnly', onSuccess: function(r) {"
          " console.log('testonly=success ' + r); },"
          " onFailure: function(code, msg) {"
          " console.log('testonly=' + code + ' ' + msg); }});");
  std::string result;
  ASSERT_TRUE(WaitForConsole("testonly=", &result));
  EXPECT_EQ(result, "404 TestOnly Error");
}

TEST_F(OptionLoopTest, UnknownQueryFailsBackToThePage) {
  Execute(main_browser(),
          "window.cefQuery({request: 'Nobody', onSuccess: function(r) {},"
          " onFailure: function(code, msg) {"
          " console.log('nobody=' + code + ' ' + msg); }});");
  std::string result;
  ASSERT_TRUE(WaitForConsole("nobody=", &result));
  EXPECT_EQ(result, "-1 The query has been canceled");
}

TEST_F(OptionLoopTest, OnjumpHidesTheAskingBrowsersWindow) {
  ASSERT_TRUE(LoadAndWait(second_browser(), WritePage("avatar.html", "<p/>")));
  for (CefRefPtr<CefBrowser> browser : {second_browser(), main_browser()}) {
    HWND window = browser->GetHost()->GetWindowHandle();
    ShowWindow(window, SW_SHOWNOACTIVATE);
    const int jumps = jumps_;
    Execute(browser, "window.cefQuery({request: 'Onjump'});");
    ASSERT_TRUE(RunUntil([&] { return jumps_ == jumps + 1; }));
    EXPECT_FALSE(IsWindowVisible(window));
  }
  // The other browser's window was hidden by its own query only.
}

TEST_F(OptionLoopTest, OnjumpFromASubFrameDoesNothing) {
  WritePage("inner.html",
            "<script>window.cefQuery({request: 'Onjump'});"
            "console.log('inner asked');</script>");
  ASSERT_TRUE(LoadAndWait(
      main_browser(),
      WritePage("outer.html", "<iframe src=\"inner.html\"></iframe>")));
  std::string rest;
  ASSERT_TRUE(WaitForConsole("inner asked", &rest));
  HWND window = g_client_handler->main_window();
  ShowWindow(window, SW_SHOWNOACTIVATE);
  RunUntil([] { return false; }, 300);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(jumps_, 0);
}

TEST_F(OptionLoopTest, VoicesReachTheMainRendererInOrder) {
  // Loading the page made this render process ask once already; the voices
  // added now arrive with the next sync, asked by a fresh render process
  // in the multi-process tests. Here: resend through the store directly.
  OptionStore* store = OptionStore::GetInstance();
  const int before =
      std::stoi(Evaluate(main_browser(), "KXHelper.GetFilteredNum()"));
  store->AddNormalVoice(L"loop normal \x58F0");
  store->AddHornVoice(L"loop horn");
  store->ResyncVoiceLists();
  ASSERT_TRUE(RunUntil([&] {
    return std::stoi(Evaluate(main_browser(), "KXHelper.GetFilteredNum()")) >
           before;
  }));
  const std::string normal =
      Evaluate(main_browser(), "KXHelper.GetFilteredVoices(1)");
  const std::string horn =
      Evaluate(main_browser(), "KXHelper.GetFilteredVoices(2)");
  EXPECT_NE(normal.find("\"loop normal \xE5\xA3\xB0\"]"), std::string::npos)
      << normal;
  EXPECT_NE(horn.find("\"loop horn\"]"), std::string::npos) << horn;
  EXPECT_EQ(Evaluate(main_browser(), "KXHelper.GetFilteredVoices(3)"), "[]");
}

TEST_F(OptionLoopTest, GetOptionBeforeAnyUpdateClearsTheRenderersText) {
  // One render process serves both browsers here: its cache is the app's.
  app_->SetUserOptionsJson("[{\"filter_id\":1}]");
  g_client_handler->OnProcessMessageReceived(
      second_browser(), PID_RENDERER, CreateEmptyMessage(kGetOptionMessage));
  ASSERT_TRUE(RunUntil([&] { return app_->GetUserOptionsJson().empty(); }));
  EXPECT_EQ(Options(main_browser()), "");
}

}  // namespace
