// The voice texts reach a page whichever comes first, the page's load or the
// browser's "OnLoad" script (the real framework promises neither order), in
// both process models: every voice once per render process.
#include <windows.h>

#include <tuple>

#include "common/option_block.h"
#include "store/option_store.h"
#include "tests/integration/system_fixture.h"

namespace {

// (single process, page waits for the browser's script)
class VoiceDeliveryTest
    : public SystemTest,
      public testing::WithParamInterface<std::tuple<bool, bool>> {
 protected:
  bool SingleProcess() const override { return std::get<0>(GetParam()); }
  void SetUp() override {
    cef_internal::Navigator::SetPageWaitsForLoadStart(std::get<1>(GetParam()));
    SystemTest::SetUp();
  }

  // How often |voice| is in the main page's normal list.
  int Occurrences(const std::string& voice) {
    const std::string list =
        Evaluate(main_browser(), "KXHelper.GetFilteredVoices(1)");
    int count = 0;
    const std::string quoted = "\"" + voice + "\"";
    for (size_t at = list.find(quoted); at != std::string::npos;
         at = list.find(quoted, at + 1)) {
      ++count;
    }
    return count;
  }

  // Seeds the store's options with kSeeded and adds a voice text of its
  // own, which it returns.
  std::string SeedOptionsAndAVoice() {
    static int run = 0;
    OptionBlock options = MakeEmptyOptionBlock();
    EXPECT_TRUE(ParseOptionJson(kSeeded, &options));
    OptionStore::GetInstance()->SetInitialOptions(options);
    const std::string voice = "own-onload" + std::to_string(++run);
    OptionStore::GetInstance()->AddNormalVoice(CefString(voice));
    return voice;
  }

  // The main page's render process has synced: |voice| and the seeded
  // options arrived.
  void ExpectSynced(const std::string& voice) {
    EXPECT_TRUE(WaitFor([&] { return Occurrences(voice) == 1; }));
    EXPECT_EQ(Evaluate(main_browser(), "KXHelper.GetUserOptions()"), kSeeded);
  }

  static constexpr char kSeeded[] =
      "[{\"filter_id\":8,\"is_filter\":true,\"uic_type\":2}]";

  // Evaluations between short pauses: a wait nested in RunUntil's condition
  // could leave RunUntil asleep until its time-out.
  bool WaitFor(const std::function<bool()>& done) {
    for (int attempt = 0; attempt < 200; ++attempt) {
      if (done())
        return true;
      RunUntil([] { return false; }, 50);
    }
    return false;
  }
};

TEST_P(VoiceDeliveryTest, EveryVoiceArrivesOnceWhicheverComesFirst) {
  // Unique per run: the store keeps earlier tests' voices.
  static int run = 0;
  const std::string tag = "voice" + std::to_string(++run) + "-";
  for (int i = 0; i < 3; ++i)
    OptionStore::GetInstance()->AddNormalVoice(
        CefString(tag + std::to_string(i)));
  // A short page, and one that sets its own load listener the way pages
  // should (addEventListener leaves window.onload to the browser).
  ASSERT_TRUE(LoadAndWait(main_browser(), WritePage("short.html", "<p/>")));
  ASSERT_TRUE(WaitFor([&] { return Occurrences(tag + "2") == 1; }));
  EXPECT_EQ(Occurrences(tag + "0"), 1);
  EXPECT_EQ(Occurrences(tag + "1"), 1);

  // The same render process never syncs again.
  ASSERT_TRUE(LoadAndWait(
      main_browser(),
      WritePage("listener.html",
                "<script>window.addEventListener('load', function() {"
                " console.log('own listener'); });</script>")));
  std::string rest;
  ASSERT_TRUE(WaitForConsole("own listener", &rest));
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(Occurrences(tag + "0"), 1);
  EXPECT_EQ(Occurrences(tag + "2"), 1);
}

TEST_P(VoiceDeliveryTest, APageThatLoadsBeforeTheScriptStillSyncs) {
  if (std::get<1>(GetParam()))
    GTEST_SKIP() << "the script comes first in this order";
  // Its own window.onload ran before the browser's script arrived: the
  // script finds the page loaded and asks at once.
  OptionStore::GetInstance()->AddHornVoice(L"late horn");
  ASSERT_TRUE(LoadAndWait(
      main_browser(),
      WritePage("own_onload.html",
                "<script>window.onload = function() {};</script>")));
  ASSERT_TRUE(WaitFor([&] {
    return Evaluate(main_browser(), "KXHelper.GetFilteredVoices(2)")
               .find("\"late horn\"") != std::string::npos;
  }));
}

// The avatar's render process asks for the texts too (in one process it is
// the same process); they go to the main browser's render process, which
// must get them once however often and whenever the avatar asks.
class AvatarSyncTest : public VoiceDeliveryTest {
 protected:
  // A main page that counts its "synced" events.
  std::string CountingPage(const std::string& name) {
    return WritePage(name,
                     "<script>var synced = 0;"
                     "addEventListener('kxhelperchange', function(e) {"
                     " if (e.detail.change === 'synced') synced++; });"
                     "</script>");
  }
  // The main page's texts, count and "synced" events, as one line.
  std::string MainState() {
    return Evaluate(main_browser(), "KXHelper.GetFilteredVoices(1)") + " " +
           Evaluate(main_browser(), "KXHelper.GetFilteredVoices(2)") + " " +
           Evaluate(main_browser(), "KXHelper.GetFilteredNum()") + " " +
           Evaluate(main_browser(), "synced");
  }
  void LoadAvatar(const std::string& name) {
    ASSERT_TRUE(LoadAndWait(second_browser(), WritePage(name, "<p/>")));
    // Long enough for its "OnLoad" answer, its ask and any texts.
    RunUntil([] { return false; }, 300);
  }
  // The render process started last: the avatar's, while each browser has
  // the one it was created with.
  static DWORD NewestRenderer() {
    DWORD newest = 0;
    ULONGLONG newest_start = 0;
    for (DWORD pid : ChildRenderers()) {
      HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
      FILETIME start, end, kernel, user;
      if (process && GetProcessTimes(process, &start, &end, &kernel, &user)) {
        const ULONGLONG at =
            (ULONGLONG(start.dwHighDateTime) << 32) | start.dwLowDateTime;
        if (at >= newest_start) {
          newest_start = at;
          newest = pid;
        }
      }
      if (process)
        CloseHandle(process);
    }
    return newest;
  }
  void AddTexts(const std::string& tag) {
    OptionStore* store = OptionStore::GetInstance();
    for (int i = 0; i < 3; ++i)
      store->AddNormalVoice(CefString(tag + "n" + std::to_string(i)));
    for (int i = 0; i < 2; ++i)
      store->AddHornVoice(CefString(tag + "h" + std::to_string(i)));
  }
};

TEST_P(AvatarSyncTest, AvatarPagesLeaveTheMainPagesTextsAsGiven) {
  static int run = 0;
  const std::string tag = "avatar" + std::to_string(++run) + "-";
  AddTexts(tag);
  ASSERT_TRUE(LoadAndWait(main_browser(), CountingPage("main.html")));
  ASSERT_TRUE(
      WaitFor([&] { return Evaluate(main_browser(), "synced") == "1"; }));
  EXPECT_EQ(Occurrences(tag + "n2"), 1);
  const std::string synced = MainState();

  LoadAvatar("avatar1.html");
  LoadAvatar("avatar2.html");
  EXPECT_EQ(MainState(), synced);
  if (!SingleProcess()) {
    // A new avatar render process asks anew: still nothing for the main one.
    ASSERT_EQ(ChildRenderers().size(), 2u);
    KillRenderers({NewestRenderer()});
    ASSERT_TRUE(RunUntil([&] { return render_process_ends_ == 1; }));
    LoadAvatar("avatar3.html");
    EXPECT_EQ(MainState(), synced);
  }
}

TEST_P(AvatarSyncTest, AnAvatarPageFirstSyncsTheMainRenderProcessOnce) {
  static int run = 0;
  const std::string tag = "first" + std::to_string(++run) + "-";
  AddTexts(tag);
  LoadAvatar("avatar.html");
  ASSERT_TRUE(LoadAndWait(main_browser(), CountingPage("main.html")));
  ASSERT_TRUE(WaitFor([&] { return Occurrences(tag + "n2") == 1; }));
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(Occurrences(tag + "n0"), 1);
  EXPECT_EQ(Occurrences(tag + "n2"), 1);
  LoadAvatar("avatar2.html");
  EXPECT_EQ(Occurrences(tag + "n2"), 1);
}

TEST_P(AvatarSyncTest, AReplacedMainRenderProcessGetsOneResend) {
  if (SingleProcess())
    GTEST_SKIP() << "one render process, which cannot be replaced";
  static int run = 0;
  const std::string tag = "replaced" + std::to_string(++run) + "-";
  AddTexts(tag);
  ASSERT_TRUE(LoadAndWait(main_browser(), CountingPage("main.html")));
  ASSERT_TRUE(
      WaitFor([&] { return Evaluate(main_browser(), "synced") == "1"; }));
  LoadAvatar("avatar.html");
  const std::string synced = MainState();

  KillRenderers(ChildRenderers());
  ASSERT_TRUE(RunUntil([&] { return render_process_ends_ == 2; }));
  ASSERT_TRUE(LoadAndWait(main_browser(), CountingPage("again.html")));
  ASSERT_TRUE(
      WaitFor([&] { return Evaluate(main_browser(), "synced") == "1"; }));
  LoadAvatar("avatar2.html");
  EXPECT_EQ(MainState(), synced);
}

INSTANTIATE_TEST_SUITE_P(
    OrdersAndModes,
    AvatarSyncTest,
    testing::Combine(testing::Bool(), testing::Bool()),
    [](const testing::TestParamInfo<std::tuple<bool, bool>>& info) {
      return std::string(std::get<0>(info.param) ? "Single" : "Multi") +
             (std::get<1>(info.param) ? "ScriptFirst" : "PageFirst");
    });

// A page's own window.onload, set in its head or once it has loaded, in
// either order with the browser's script: the handler stays the page's, and
// the render process syncs all the same (options and voice texts).
TEST_P(VoiceDeliveryTest, AnOnloadSetInTheHeadRunsAndTheSyncHappens) {
  const std::string voice = SeedOptionsAndAVoice();
  ASSERT_TRUE(LoadAndWait(
      main_browser(),
      WritePage("head.html",
                "<html><head><script>window.onload = function() {"
                " console.log('head onload ran'); };</script></head>"
                "<body><p>body</p></body></html>")));
  std::string rest;
  EXPECT_TRUE(WaitForConsole("head onload ran", &rest));
  ExpectSynced(voice);
}

TEST_P(VoiceDeliveryTest, AnOnloadSetAfterLoadStaysAndTheSyncHappens) {
  const std::string voice = SeedOptionsAndAVoice();
  ASSERT_TRUE(LoadAndWait(
      main_browser(),
      WritePage("late.html",
                "<script>function mine() {}"
                "addEventListener('load', function() {"
                " window.onload = mine; console.log('late onload set'); });"
                "</script>")));
  std::string rest;
  EXPECT_TRUE(WaitForConsole("late onload set", &rest));
  ExpectSynced(voice);
  EXPECT_EQ(Evaluate(main_browser(), "window.onload === mine"), "true");
}

INSTANTIATE_TEST_SUITE_P(
    OrdersAndModes,
    VoiceDeliveryTest,
    testing::Combine(testing::Bool(), testing::Bool()),
    [](const testing::TestParamInfo<std::tuple<bool, bool>>& info) {
      return std::string(std::get<0>(info.param) ? "Single" : "Multi") +
             (std::get<1>(info.param) ? "ScriptFirst" : "PageFirst");
    });

}  // namespace
