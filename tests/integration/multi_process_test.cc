// The system across real processes: the page browsers' renderers run in
// kxsubprocess.exe, talking to this browser process over pipes.
#include "tests/integration/system_fixture.h"

#include <algorithm>
#include <cstring>

#include "store/option_store.h"

namespace {

class MultiProcessTest : public SystemTest {
 protected:
  bool SingleProcess() const override { return false; }

  void SetUp() override {
    SystemTest::SetUp();
    if (HasFatalFailure())
      return;
    ASSERT_TRUE(LoadAndWait(main_browser(), WritePage("main.html", "<p/>")));
  }

  int Count(CefRefPtr<CefBrowser> browser) {
    return std::stoi(Evaluate(browser, "KXHelper.GetFilteredNum()"));
  }
};

TEST_F(MultiProcessTest, PagesRunInTheSubProcessExecutable) {
  ASSERT_TRUE(LoadAndWait(second_browser(), WritePage("avatar.html", "<p/>")));
  EXPECT_EQ(ChildRenderers().size(), 2u);  // one per page browser
  EXPECT_EQ(Evaluate(main_browser(), "typeof KXHelper.GetFilteredVoices"),
            "function");
}

TEST_F(MultiProcessTest, OptionLoopCrossesTheProcesses) {
  EXPECT_EQ(Evaluate(main_browser(),
                     "KXHelper.SetUserOptions('[{\"uic_type\":2,"
                     "\"filter_id\":44,\"is_filter\":false},]')"),
            "true");
  ASSERT_TRUE(RunUntil([&] { return notifications() == 1; }));
  const std::string record = ReadRecords();
  ASSERT_EQ(record.size(), 56u);
  int32_t words[14];
  std::memcpy(words, record.data(), sizeof(words));
  EXPECT_EQ(words[2], 44);
  EXPECT_EQ(words[3], 0);
  EXPECT_EQ(words[4], 2);
  EXPECT_EQ(words[5], 0);
  const std::string expected =
      "[{\"filter_id\":44,\"is_filter\":false,\"uic_type\":2}]";
  ASSERT_TRUE(RunUntil([&] {
    return Evaluate(main_browser(), "KXHelper.GetUserOptions()") == expected;
  }));
  // The avatar's render process asks once its first page has loaded, and is
  // answered itself.
  ASSERT_TRUE(LoadAndWait(second_browser(), WritePage("avatar.html", "<p/>")));
  ASSERT_TRUE(RunUntil([&] {
    return Evaluate(second_browser(), "KXHelper.GetUserOptions()") == expected;
  }));

  // Updates go to the main browser's renderer only.
  EXPECT_EQ(Evaluate(main_browser(), "KXHelper.SetUserOptions('[]')"), "true");
  ASSERT_TRUE(RunUntil([&] {
    return Evaluate(main_browser(), "KXHelper.GetUserOptions()") == "[]";
  }));
  EXPECT_EQ(Evaluate(second_browser(), "KXHelper.GetUserOptions()"), expected);
}

TEST_F(MultiProcessTest, TheMainRenderProcessSyncsOnceWhoeverAsks) {
  // The main page's render process has synced with what the store held: the
  // page's "OnLoad" query went out before the first evaluation ran, its
  // answer (and so "syncCache") before the second, and the voices before the
  // third.
  Evaluate(main_browser(), "0");
  Evaluate(main_browser(), "0");
  const int first_sync = Count(main_browser());
  OptionStore::GetInstance()->AddNormalVoice(L"multi voice");

  // The same render process never asks again.
  ASSERT_TRUE(LoadAndWait(main_browser(), WritePage("again.html", "<p/>")));
  RunUntil([] { return false; }, 500);
  EXPECT_EQ(Count(main_browser()), first_sync);

  // The avatar's render process asks too, but the main one has its texts
  // already: nothing more reaches it, and the avatar's gets none.
  ASSERT_TRUE(LoadAndWait(second_browser(), WritePage("avatar.html", "<p/>")));
  ASSERT_TRUE(LoadAndWait(second_browser(), WritePage("avatar2.html", "<p/>")));
  RunUntil([] { return false; }, 500);
  EXPECT_EQ(Count(main_browser()), first_sync);
  EXPECT_EQ(Count(second_browser()), 0);
  EXPECT_EQ(Evaluate(main_browser(), "KXHelper.GetFilteredVoices(1)")
                .find("\"multi voice\""),
            std::string::npos);
}

TEST_F(MultiProcessTest, AKilledRendererLeavesTheBrowserProcessRunning) {
  const std::vector<DWORD> before = ChildRenderers();
  ASSERT_EQ(before.size(), 2u);
  KillRenderers(before);
  RunUntil([] { return false; }, 500);
  // The next load starts a new render process and the page works again.
  ASSERT_TRUE(LoadAndWait(main_browser(), WritePage("after.html", "<p/>")));
  EXPECT_EQ(Evaluate(main_browser(), "KXHelper.SetUserOptions('[]')"), "true");
  ASSERT_TRUE(RunUntil([&] { return notifications() == 1; }));
}

TEST_F(MultiProcessTest, ARendererKilledInABurstLeavesOnlyWholeRecords) {
  ASSERT_TRUE(LoadAndWait(
      main_browser(),
      WritePage(
          "burst.html",
          "<script>var next = 0;"
          "function burst() {"
          "  for (var i = 0; i < 20; ++i)"
          "    KXHelper.SetUserOptions('[{\"uic_type\":1,\"filter_id\":' +"
          "        (next++) + ',\"is_filter\":true}]');"
          "  setTimeout(burst, 0);"
          "}"
          "burst();</script>")));
  ASSERT_TRUE(RunUntil([] { return notifications() >= 50; }));
  const std::vector<DWORD> killed = ChildRenderers();
  KillRenderers(killed);
  // Both ends are heard after whatever each renderer sent before it died;
  // then nothing more comes.
  ASSERT_TRUE(RunUntil([&] { return render_process_ends_ == 2; }));
  const std::string records = ReadRecords();
  ASSERT_EQ(records.size() % 56, 0u) << records.size();
  const size_t count = records.size() / 56;
  EXPECT_TRUE(
      RunUntil([&] { return notifications() == static_cast<int>(count); }));
  for (size_t i = 0; i < count; ++i) {
    int32_t words[3];
    std::memcpy(words, records.data() + i * 56, sizeof(words));
    // Type 1, one filter, the page's ids in order: no record torn or lost.
    ASSERT_EQ(words[0], 1) << i;
    ASSERT_EQ(words[1], 1) << i;
    ASSERT_EQ(words[2], static_cast<int32_t>(i)) << i;
  }
  // The next load gets a render process of its own, and it works.
  ASSERT_TRUE(LoadAndWait(main_browser(), WritePage("after.html", "<p/>")));
  for (DWORD pid : ChildRenderers())
    EXPECT_EQ(std::find(killed.begin(), killed.end(), pid), killed.end());
  EXPECT_EQ(Evaluate(main_browser(), "KXHelper.SetUserOptions('[]')"), "true");
  ASSERT_TRUE(
      RunUntil([&] { return notifications() == static_cast<int>(count) + 1; }));
}

TEST_F(MultiProcessTest, ShutdownEndsEveryRendererWithExitCodeZero) {
  // Both render processes are up and connected (the avatar's too).
  ASSERT_TRUE(LoadAndWait(second_browser(), WritePage("avatar.html", "<p/>")));
  std::vector<HANDLE> renderers;
  for (DWORD pid : ChildRenderers()) {
    renderers.push_back(
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, pid));
  }
  ASSERT_FALSE(renderers.empty());
  g_client_handler->CloseAllBrowsers(true);
  ASSERT_TRUE(RunUntil([&] { return last_browser_closed_; }));
  EmbedBrowserHandler::RemoveObserver(this);
  CefShutdown();
  for (HANDLE process : renderers) {
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    DWORD exit_code = 1234;
    GetExitCodeProcess(process, &exit_code);
    EXPECT_EQ(exit_code, 0u);
    CloseHandle(process);
  }
  EXPECT_TRUE(ChildRenderers().empty());
}

}  // namespace
