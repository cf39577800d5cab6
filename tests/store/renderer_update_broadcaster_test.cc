#include "store/renderer_update_broadcaster.h"

#include <cstring>

#include "browser/embed_browser_handler.h"
#include "common/process_messages.h"
#include "gtest/gtest.h"
#include "tests/support/fake_browser.h"
#include "tests/support/framework_thread.h"

namespace {

class BroadcasterTest : public testing::Test {
 protected:
  void SetUp() override {
    handler_ = new EmbedBrowserHandler();
    main_ = new FakeBrowser(1);
    second_ = new FakeBrowser(2);
    handler_->OnAfterCreated(main_.get());
    handler_->OnAfterCreated(second_.get());
  }
  void TearDown() override {
    handler_->OnBeforeClose(main_.get());
    handler_->OnBeforeClose(second_.get());
  }

  std::string OnlyText() {
    EXPECT_EQ(main_->sent.size(), 1u);
    CefString text;
    EXPECT_TRUE(ReadStringArgument(main_->sent[0].message, &text));
    EXPECT_EQ(main_->sent[0].message->GetArgumentList()->GetSize(), 1u);
    return text.ToString();
  }

  CefRefPtr<EmbedBrowserHandler> handler_;
  CefRefPtr<FakeBrowser> main_;
  CefRefPtr<FakeBrowser> second_;
};

TEST_F(BroadcasterTest, VoiceCommandsBecomeVoiceMessagesForTheMainBrowser) {
  SendHostCommand(handler_.get(), MakeVoiceCommand(kAddNormalVoice, L"abc"));
  EXPECT_EQ(MessageName(main_->sent[0].message), "add_normal_voice");
  EXPECT_EQ(main_->sent[0].target, PID_RENDERER);
  EXPECT_EQ(OnlyText(), "abc");
  EXPECT_TRUE(second_->sent.empty());

  main_->sent.clear();
  SendHostCommand(handler_.get(), MakeVoiceCommand(kAddHornVoice, L""));
  EXPECT_EQ(MessageName(main_->sent[0].message), "add_horn_voice");
  EXPECT_EQ(OnlyText(), "");
}

TEST_F(BroadcasterTest, SaveOptionCarriesTheBlocksJson) {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = 2;
  block.entries[0].filter_id = 7;
  block.entries[1].uic_type = 2;
  block.entries[1].is_filter = 1;
  SendHostCommand(handler_.get(), MakeSaveOptionCommand(block));
  const std::string expected =
      "[{\"filter_id\":7,\"is_filter\":false,\"uic_type\":0},"
      "{\"filter_id\":0,\"is_filter\":true,\"uic_type\":2}]";
  EXPECT_EQ(OnlyText(), expected);
  EXPECT_EQ(MessageName(main_->sent[0].message), "save_option");
  EXPECT_TRUE(second_->sent.empty());
}

TEST_F(BroadcasterTest, UnknownKindsSendNothing) {
  HostCommand command = MakeVoiceCommand(kAddNormalVoice, L"x");
  for (int32_t kind : {0, 4, -1}) {
    command.kind = kind;
    SendHostCommand(handler_.get(), command);
  }
  EXPECT_TRUE(main_->sent.empty());
}

TEST(BroadcasterWithoutBrowser, DropsTheCommand) {
  SendHostCommand(nullptr, MakeSaveOptionCommand(MakeEmptyOptionBlock()));
  CefRefPtr<EmbedBrowserHandler> handler(new EmbedBrowserHandler());
  SendHostCommand(handler.get(), MakeSaveOptionCommand(MakeEmptyOptionBlock()));
  SendHostCommand(handler.get(), MakeVoiceCommand(kAddNormalVoice, L"x"));
}

}  // namespace
