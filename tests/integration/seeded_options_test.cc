// The user's saved filters, seeded by the host before the framework starts,
// reach the pages of both browsers from their first load, in both process
// models, without coming back to the host as an update.
#include <algorithm>
#include <tuple>

#include "store/option_store.h"
#include "tests/integration/system_fixture.h"

namespace {

// Remembers what KXHelper held when the page's script ran, the options each
// "options" event announced, and how many "synced" events it heard.
const char kListeningPage[] =
    "<script>var atStart = KXHelper.GetUserOptions(), heard = [], synced = 0;"
    "addEventListener('kxhelperchange', function(e) {"
    "  if (e.detail.change === 'options')"
    "    heard.push(KXHelper.GetUserOptions());"
    "  if (e.detail.change === 'synced')"
    "    ++synced;"
    "});</script>";

OptionBlock Filters(uint32_t count) {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = count;
  for (uint32_t i = 0; i < count && i < kMaxOptionEntries; ++i) {
    block.entries[i].uic_type = 1 + i % 3;
    block.entries[i].filter_id = static_cast<int32_t>(40 + i);
    block.entries[i].is_filter = i % 2;
  }
  return block;
}

// The text pages read for Filters(count): its first twenty at most.
std::string FiltersJson(uint32_t count) {
  std::string json = "[";
  for (uint32_t i = 0; i < count && i < kMaxOptionEntries; ++i) {
    json += std::string(i ? "," : "") +
            "{\"filter_id\":" + std::to_string(40 + i) +
            ",\"is_filter\":" + (i % 2 ? "true" : "false") +
            ",\"uic_type\":" + std::to_string(1 + i % 3) + "}";
  }
  return json + "]";
}

class SeededTest : public SystemTest {
 protected:
  // What the listening page in |browser| held at its start, then each text
  // it heard of: once that is |expected|, or what it was at the time-out.
  std::string StartAndHeard(CefRefPtr<CefBrowser> browser,
                            const std::string& expected) {
    std::string seen;
    RunUntil([&] {
      seen = Evaluate(browser, "atStart + '|' + heard.join('|')");
      return seen == expected;
    });
    return seen;
  }
};

// (single process, number of filters seeded)
class SeededOptionsTest
    : public SeededTest,
      public testing::WithParamInterface<std::tuple<bool, uint32_t>> {
 protected:
  bool SingleProcess() const override { return std::get<0>(GetParam()); }
  void BeforeFrameworkStarts() override {
    OptionStore::GetInstance()->SetInitialOptions(Filters(Count()));
  }
  uint32_t Count() const { return std::get<1>(GetParam()); }
};

TEST_P(SeededOptionsTest, TheFirstPageOfEachBrowserReadsThem) {
  const std::string seeded = FiltersJson(Count());
  // The first page of a render process learns of them with an event, once
  // it has loaded; one event, no update went out.
  ASSERT_TRUE(
      LoadAndWait(main_browser(), WritePage("main.html", kListeningPage)));
  EXPECT_EQ(StartAndHeard(main_browser(), "|" + seeded), "|" + seeded);

  // The avatar's render process asks as well (single process: it is the
  // same process, which already holds them).
  ASSERT_TRUE(
      LoadAndWait(second_browser(), WritePage("avatar.html", kListeningPage)));
  const std::string avatar = SingleProcess() ? seeded + "|" : "|" + seeded;
  EXPECT_EQ(StartAndHeard(second_browser(), avatar), avatar);

  // A later page of a render process that has them reads them at once.
  ASSERT_TRUE(
      LoadAndWait(main_browser(), WritePage("next.html", kListeningPage)));
  EXPECT_EQ(Evaluate(main_browser(), "atStart"), seeded);

  // Seeding is not an update: nothing reached the host.
  EXPECT_EQ(ReadRecords(), "");
  EXPECT_EQ(notifications(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    ModesAndCounts,
    SeededOptionsTest,
    testing::Combine(testing::Bool(), testing::Values(2u, 0u, 25u)),
    [](const testing::TestParamInfo<std::tuple<bool, uint32_t>>& info) {
      return std::string(std::get<0>(info.param) ? "Single" : "Multi") +
             std::to_string(std::get<1>(info.param)) + "Filters";
    });

class SeededRendererReplacedTest : public SeededTest {
 protected:
  bool SingleProcess() const override { return false; }
  void BeforeFrameworkStarts() override {
    OptionStore::GetInstance()->SetInitialOptions(Filters(2));
  }
};

TEST_F(SeededRendererReplacedTest, ANewRenderProcessReadsTheCurrentOptions) {
  ASSERT_TRUE(
      LoadAndWait(main_browser(), WritePage("main.html", kListeningPage)));
  ASSERT_EQ(StartAndHeard(main_browser(), "|" + FiltersJson(2)),
            "|" + FiltersJson(2));
  const std::vector<DWORD> killed = ChildRenderers();
  ASSERT_EQ(killed.size(), 2u);
  KillRenderers(killed);
  ASSERT_TRUE(RunUntil([&] { return render_process_ends_ == 2; }));

  // Changed while no render process is there to be told.
  const OptionBlock changed = Filters(3);
  OptionStore::GetInstance()->UpdateOptions(&changed);
  ASSERT_TRUE(RunUntil([] { return notifications() == 1; }));

  // The next page of each browser starts a render process, which asks.
  ASSERT_TRUE(
      LoadAndWait(main_browser(), WritePage("after.html", kListeningPage)));
  EXPECT_EQ(StartAndHeard(main_browser(), "|" + FiltersJson(3)),
            "|" + FiltersJson(3));
  ASSERT_TRUE(
      LoadAndWait(second_browser(), WritePage("avatar.html", kListeningPage)));
  EXPECT_EQ(StartAndHeard(second_browser(), "|" + FiltersJson(3)),
            "|" + FiltersJson(3));
  for (DWORD pid : ChildRenderers())
    EXPECT_EQ(std::find(killed.begin(), killed.end(), pid), killed.end());
}

// Without a seed or an update there is nothing to give: no page hears of
// options, and every page reads "".
class UnseededTest : public SeededTest,
                     public testing::WithParamInterface<bool> {
 protected:
  bool SingleProcess() const override { return GetParam(); }
};

TEST_P(UnseededTest, PagesHearOfNoOptions) {
  // A render process asks for the options before the voice texts, and both
  // answers come to the main browser's render process in that order: once
  // the page heard "synced", it would have heard of options.
  ASSERT_TRUE(
      LoadAndWait(main_browser(), WritePage("main.html", kListeningPage)));
  ASSERT_TRUE(
      RunUntil([&] { return Evaluate(main_browser(), "synced") == "1"; }));
  EXPECT_EQ(Evaluate(main_browser(), "atStart + '|' + heard.length"), "|0");

  ASSERT_TRUE(
      LoadAndWait(second_browser(), WritePage("avatar.html", kListeningPage)));
  if (!SingleProcess()) {
    // The avatar's render process asked too (the main one, which has its
    // voice texts, gets nothing more); a page query's answer follows the
    // answer to its options.
    Execute(second_browser(),
            "window.cefQuery({request: 'TestOnly', onSuccess: function() {},"
            " onFailure: function() { console.log('answered'); }});");
    std::string rest;
    ASSERT_TRUE(WaitForConsole("answered", &rest));
  }
  EXPECT_EQ(Evaluate(second_browser(), "atStart + '|' + heard.length"), "|0");
  EXPECT_EQ(Evaluate(main_browser(), "heard.length"), "0");
}

INSTANTIATE_TEST_SUITE_P(BothModes,
                         UnseededTest,
                         testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "Single" : "Multi";
                         });

}  // namespace
