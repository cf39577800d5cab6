// Messages from the browser process reaching the render-process handler.
#include <string>
#include <vector>

#include "app/simple_app.h"
#include "common/process_messages.h"
#include "gtest/gtest.h"
#include "tests/support/fake_browser.h"
#include "tests/support/framework_thread.h"

namespace {

class RenderMessagesTest : public testing::Test {
 protected:
  void SetUp() override { g_cache_sync_requested = false; }

  bool Deliver(CefRefPtr<CefProcessMessage> message) {
    return app_->OnProcessMessageReceived(browser_.get(), PID_BROWSER, message);
  }
  bool DeliverString(const std::string& name, const CefString& text) {
    return Deliver(CreateStringMessage(name, text));
  }

  CefRefPtr<SimpleApp> app_ = new SimpleApp();
  CefRefPtr<FakeBrowser> browser_ = new FakeBrowser(7);
};

TEST_F(RenderMessagesTest, FirstRouterMessageAsksForOptionsAndVoicesOnce) {
  Deliver(CefProcessMessage::Create("cefQueryMsg"));
  Deliver(CefProcessMessage::Create("cefQueryMsg"));
  ASSERT_EQ(browser_->sent.size(), 2u);
  EXPECT_EQ(MessageName(browser_->sent[0].message), "get_option");
  EXPECT_EQ(MessageName(browser_->sent[1].message), "syncCache");
  for (const FakeBrowser::Sent& sent : browser_->sent) {
    EXPECT_EQ(sent.target, PID_BROWSER);
    EXPECT_EQ(sent.message->GetArgumentList()->GetSize(), 0u);
  }
}

TEST_F(RenderMessagesTest, OtherNamesNeverTriggerTheCacheRequest) {
  Deliver(CefProcessMessage::Create("cefquerymsg"));
  Deliver(CefProcessMessage::Create("save_option"));
  EXPECT_TRUE(browser_->sent.empty());
  EXPECT_FALSE(g_cache_sync_requested);
}

TEST_F(RenderMessagesTest, SaveOptionStoresValidTextAsReceived) {
  const std::string text = "[{\"uic_type\":1,},]";  // trailing commas allowed
  EXPECT_FALSE(DeliverString("save_option", text));
  EXPECT_EQ(app_->GetUserOptionsJson().ToString(), text);
}

TEST_F(RenderMessagesTest, SaveOptionIgnoresBrokenTextWrongTypesAndNames) {
  DeliverString("save_option", "[1]");
  DeliverString("save_option", "[1,");
  DeliverString("Save_option", "[2]");
  DeliverString("save_option ", "[3]");
  CefRefPtr<CefProcessMessage> dict = CefProcessMessage::Create("save_option");
  dict->GetArgumentList()->SetDictionary(0, CefDictionaryValue::Create());
  Deliver(dict);
  CefRefPtr<CefProcessMessage> number =
      CefProcessMessage::Create("save_option");
  number->GetArgumentList()->SetInt(0, 4);
  Deliver(number);
  Deliver(CefProcessMessage::Create("save_option"));
  EXPECT_EQ(app_->GetUserOptionsJson().ToString(), "[1]");
}

TEST_F(RenderMessagesTest, EmptySaveOptionClearsTheText) {
  DeliverString("save_option", "[1]");
  DeliverString("save_option", "");
  EXPECT_TRUE(app_->GetUserOptionsJson().empty());
}

TEST_F(RenderMessagesTest, VoiceMessagesAppendOnlyTheirFirstString) {
  CefRefPtr<CefProcessMessage> two =
      CefProcessMessage::Create("add_horn_voice");
  two->GetArgumentList()->SetString(0, "one");
  two->GetArgumentList()->SetString(1, "two");
  EXPECT_FALSE(Deliver(two));
  EXPECT_FALSE(DeliverString("add_normal_voice", ""));
  CefRefPtr<CefProcessMessage> wrong =
      CefProcessMessage::Create("add_normal_voice");
  wrong->GetArgumentList()->SetInt(0, 1);
  Deliver(wrong);
  EXPECT_EQ(app_->GetHornVoices(), SimpleApp::VoiceList({L"one"}));
  EXPECT_EQ(app_->GetNormalVoices(), SimpleApp::VoiceList({L""}));
  EXPECT_EQ(app_->GetFilteredCount(), 2);
}

}  // namespace
