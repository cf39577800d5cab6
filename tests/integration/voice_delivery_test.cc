// The voice texts reach a page whichever comes first, the page's load or the
// browser's "OnLoad" script (the real framework promises neither order), in
// both process models: every voice once per render process.
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
