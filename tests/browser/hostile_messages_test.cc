// Every name a renderer can send, with arguments of every wrong type and
// count, from the main browser, the second one and a browser the handler
// never saw: nothing crashes, and the handler still works afterwards.
#include <string>

#include "browser/embed_browser_handler.h"
#include "gtest/gtest.h"
#include "store/option_store.h"
#include "tests/support/fake_browser.h"
#include "tests/support/framework_thread.h"
#include "tests/support/hostile_arguments.h"

namespace {

class HostileMessagesTest : public testing::Test {
 protected:
  void SetUp() override {
    handler_->OnAfterCreated(main_.get());
    handler_->OnAfterCreated(second_.get());
  }
  void TearDown() override {
    handler_->OnBeforeClose(main_.get());
    handler_->OnBeforeClose(second_.get());
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
    }
  }

  CefRefPtr<EmbedBrowserHandler> handler_ = new EmbedBrowserHandler();
  CefRefPtr<FakeBrowser> main_ = new FakeBrowser(1);
  CefRefPtr<FakeBrowser> second_ = new FakeBrowser(2);
  CefRefPtr<FakeBrowser> stranger_ = new FakeBrowser(77);
};

TEST_F(HostileMessagesTest, WrongTypesAndCountsFromAnyBrowserAreSurvived) {
  int delivered = 0;
  for (const std::string& name : hostile::MessageNames()) {
    for (CefRefPtr<CefListValue> args : hostile::ArgumentLists()) {
      for (CefRefPtr<FakeBrowser> from : {main_, second_, stranger_}) {
        CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
        // No message can have an empty name.
        if (!message)
          continue;
        CefRefPtr<CefListValue> list = message->GetArgumentList();
        for (size_t i = 0; i < args->GetSize(); ++i)
          list->SetValue(i, args->GetValue(i)->Copy());
        handler_->OnProcessMessageReceived(from.get(), PID_RENDERER, message);
        ++delivered;
      }
    }
  }
  printf("hostile messages delivered to the browser handler: %d\n", delivered);
  // Still in working order: a well-formed update goes through.
  CefRefPtr<CefProcessMessage> good = CefProcessMessage::Create("set_option");
  CefRefPtr<CefDictionaryValue> entry = CefDictionaryValue::Create();
  entry->SetInt("uic_type", 1);
  entry->SetInt("filter_id", 4321);
  entry->SetBool("is_filter", true);
  good->GetArgumentList()->SetDictionary(0, entry);
  handler_->OnProcessMessageReceived(main_.get(), PID_RENDERER, good);
  const OptionBlock options = OptionStore::GetInstance()->options();
  ASSERT_EQ(options.count, 1u);
  EXPECT_EQ(options.entries[0].filter_id, 4321);
}

// Option texts are measured before they are parsed, and option lists
// before they are read: a render process cannot make the browser process
// parse or walk what no page needs.
TEST_F(HostileMessagesTest, OversizedOptionTextsAndListsAreRefusedUnread) {
  auto options_now = [] { return OptionStore::GetInstance()->options(); };
  auto set_user_options = [&](const std::wstring& text) {
    CefRefPtr<CefProcessMessage> message =
        CefProcessMessage::Create("SetUserOptions");
    message->GetArgumentList()->SetString(0, text);
    handler_->OnProcessMessageReceived(main_.get(), PID_RENDERER, message);
  };
  set_user_options(L"[{\"filter_id\":1}]");
  ASSERT_EQ(options_now().entries[0].filter_id, 1);

  // Thirty million control characters.
  set_user_options(std::wstring(30 * 1000 * 1000, L'\x01'));
  EXPECT_EQ(options_now().entries[0].filter_id, 1);

  std::wstring text = L"[{\"filter_id\":2}";
  text.resize(kMaxOptionJsonLength - 1, L' ');
  text += L"]";
  set_user_options(L" " + text);
  EXPECT_EQ(options_now().entries[0].filter_id, 1);
  set_user_options(text);
  EXPECT_EQ(options_now().entries[0].filter_id, 2);

  auto set_option = [&](size_t length, int filter_id) {
    CefRefPtr<CefProcessMessage> message =
        CefProcessMessage::Create("set_option");
    CefRefPtr<CefDictionaryValue> entry = CefDictionaryValue::Create();
    entry->SetInt("filter_id", filter_id);
    message->GetArgumentList()->SetDictionary(0, entry);
    message->GetArgumentList()->SetNull(length - 1);
    handler_->OnProcessMessageReceived(main_.get(), PID_RENDERER, message);
  };
  set_option(kMaxOptionListLength + 1, 3);
  EXPECT_EQ(options_now().entries[0].filter_id, 2);
  set_option(kMaxOptionListLength, 4);
  EXPECT_EQ(options_now().entries[0].filter_id, 4);
  EXPECT_EQ(options_now().count, kMaxOptionEntries);
}

}  // namespace
