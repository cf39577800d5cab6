// "kxhelperchange": every page of a render process hears about each change
// of the renderer cache, after the cache holds it, without polling.
#include <memory>

#include "app/simple_app.h"
#include "common/process_messages.h"
#include "gtest/gtest.h"
#include "renderer/cache_change_notifier.h"
#include "src/testing/render_harness.h"

namespace {

using cef_internal::RenderHarness;

constexpr int kBrowser = 1;
constexpr int kOtherBrowser = 2;

// Records each event's detail, and what KXHelper said when it arrived.
const char kListeningPage[] =
    "<script>var seen = [];"
    "addEventListener('kxhelperchange', function(e) {"
    "  seen.push(JSON.stringify(e.detail) + '@' + KXHelper.GetFilteredNum() +"
    "            '/' + KXHelper.GetUserOptions());"
    "});</script>";

class CacheChangeEventTest : public testing::Test {
 protected:
  void SetUp() override {
    g_cache_sync_requested = false;
    app_ = new SimpleApp();
    harness_.reset(new RenderHarness(app_.get()));
    harness_->CreateBrowser(kBrowser);
    ASSERT_TRUE(
        harness_->LoadPage(kBrowser, "file:///page.html", kListeningPage));
  }
  void TearDown() override {
    harness_->Shutdown();
    harness_.reset();
  }

  std::string Seen(int browser = kBrowser) {
    return harness_->Evaluate(browser, "seen.join(' ')");
  }
  void FromBrowser(CefRefPtr<CefProcessMessage> message) {
    harness_->SendProcessMessage(kBrowser, message);
    harness_->Flush();
  }
  void FromBrowser(const std::string& name, const CefString& text) {
    FromBrowser(CreateStringMessage(name, text));
  }

  CefRefPtr<SimpleApp> app_;
  std::unique_ptr<RenderHarness> harness_;
};

TEST_F(CacheChangeEventTest, EachChangeArrivesAfterTheCacheHoldsIt) {
  FromBrowser("add_normal_voice", "a");
  FromBrowser("add_horn_voice", "b");
  FromBrowser("save_option", "[]");
  FromBrowser(CreateEmptyMessage(kCacheSyncedMessage));
  EXPECT_EQ(Seen(),
            "{\"change\":\"voice\",\"count\":1,\"list\":1}@1/ "
            "{\"change\":\"voice\",\"count\":2,\"list\":2}@2/ "
            "{\"change\":\"options\"}@2/[] "
            "{\"change\":\"synced\",\"count\":2}@2/[]");
}

TEST_F(CacheChangeEventTest, RefusedUpdatesFireNothing) {
  FromBrowser("save_option", "[{\"filter_id\":3");
  FromBrowser(CreateEmptyMessage(kAddNormalVoiceMessage));
  FromBrowser("Save_option", "[]");
  FromBrowser("syncCache", "");
  // An empty text is a real change: it clears the options.
  FromBrowser("save_option", "");
  EXPECT_EQ(Seen(), "{\"change\":\"options\"}@0/");
}

TEST_F(CacheChangeEventTest, AnAnswerThatRepeatsTheOptionsHeldFiresNothing) {
  // The browser had none to give, and the process holds none.
  FromBrowser(CreateOptionAnswerMessage(""));
  EXPECT_EQ(Seen(), "");
  // New to this process: a change.
  FromBrowser(CreateOptionAnswerMessage("[]"));
  EXPECT_EQ(Seen(), "{\"change\":\"options\"}@0/[]");
  // Already pushed to it: a page waiting for its own change hears nothing.
  FromBrowser(CreateOptionAnswerMessage("[]"));
  EXPECT_EQ(Seen(), "{\"change\":\"options\"}@0/[]");
  // A push of the same text is a page's change coming back: it is heard.
  FromBrowser("save_option", "[]");
  EXPECT_EQ(Seen(),
            "{\"change\":\"options\"}@0/[] {\"change\":\"options\"}@0/[]");
}

TEST_F(CacheChangeEventTest, EveryPageOfTheProcessHearsIt) {
  harness_->CreateBrowser(kOtherBrowser);
  ASSERT_TRUE(harness_->LoadPage(
      kOtherBrowser, "file:///other.html",
      std::string(kListeningPage) + "<iframe src='sub.html'></iframe>"));
  // Only the main browser is sent updates, yet the cache is the process's.
  FromBrowser("add_normal_voice", "a");
  EXPECT_EQ(Seen(kOtherBrowser), Seen(kBrowser));
  EXPECT_NE(Seen(kBrowser), "");
  // Both main frames and the sub-frame.
  EXPECT_EQ(app_->change_notifier_for_testing().context_count(), 3u);
}

TEST_F(CacheChangeEventTest, ReplacedDocumentsAreForgotten) {
  ASSERT_TRUE(
      harness_->LoadPage(kBrowser, "file:///next.html", kListeningPage));
  ASSERT_TRUE(
      harness_->LoadPage(kBrowser, "file:///last.html", kListeningPage));
  EXPECT_EQ(app_->change_notifier_for_testing().context_count(), 1u);
  FromBrowser("add_horn_voice", "h");
  EXPECT_EQ(Seen(), "{\"change\":\"voice\",\"count\":1,\"list\":2}@1/");
}

TEST_F(CacheChangeEventTest, AThrowingListenerLeavesOthersAndTheCacheAlone) {
  harness_->Evaluate(kBrowser,
                     "addEventListener('kxhelperchange', function() {"
                     "  throw new Error('page bug'); });"
                     "window.later = 0;"
                     "addEventListener('kxhelperchange', function() {"
                     "  ++window.later; });");
  FromBrowser("add_normal_voice", "a");
  FromBrowser("add_normal_voice", "b");
  EXPECT_EQ(harness_->Evaluate(kBrowser,
                               "later + ' ' + seen.length + ' ' +"
                               "KXHelper.GetFilteredNum()"),
            "2 2 2");
}

TEST_F(CacheChangeEventTest, APageCannotBreakTheNextEvent) {
  // The detail does not depend on the page's own JSON.
  harness_->Evaluate(kBrowser, "JSON.parse = function() { return 'fake'; }");
  FromBrowser("add_normal_voice", "a");
  // A dispatch the page broke fires nothing, and leaves the next one alone.
  harness_->Evaluate(kBrowser,
                     "window.kept = window.dispatchEvent;"
                     "window.dispatchEvent = function() { throw 1; }");
  FromBrowser("add_normal_voice", "b");
  harness_->Evaluate(kBrowser, "window.dispatchEvent = window.kept");
  FromBrowser("add_horn_voice", "c");
  EXPECT_EQ(Seen(),
            "{\"change\":\"voice\",\"count\":1,\"list\":1}@1/ "
            "{\"change\":\"voice\",\"count\":3,\"list\":2}@3/");
}

TEST_F(CacheChangeEventTest, PagesWithoutKXHelperGetNoEvent) {
  harness_->Evaluate(kBrowser, "delete window.KXHelper; KXHelper = undefined");
  FromBrowser("add_normal_voice", "a");
  EXPECT_EQ(Seen(), "");
}

}  // namespace
