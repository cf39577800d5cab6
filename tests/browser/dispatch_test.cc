// The browser side's handling of renderer messages and page queries.
#include <string>

#include "browser/embed_browser_handler.h"
#include "common/process_messages.h"
#include "gtest/gtest.h"
#include "store/option_store.h"
#include "tests/support/fake_browser.h"
#include "tests/support/fake_frame.h"
#include "tests/support/framework_thread.h"

namespace {

class RecordingCallback : public CefMessageRouterBrowserSide::Callback {
 public:
  std::string result;
  void Success(const CefString& response) override {
    result = "success " + response.ToString();
  }
  void Failure(int error_code, const CefString& error_message) override {
    result = "failure " + std::to_string(error_code) + " " +
             error_message.ToString();
  }
  IMPLEMENT_REFCOUNTING(RecordingCallback);
};

class JumpObserver : public PageObserver {
 public:
  int jumps = 0;
  void OnMainFrameLoaded() override {}
  void OnJump() override { ++jumps; }
};

class DispatchTest : public testing::Test {
 protected:
  void SetUp() override {
    handler_->OnAfterCreated(main_.get());
    handler_->OnAfterCreated(second_.get());
  }
  void TearDown() override {
    handler_->OnBeforeClose(main_.get());
    handler_->OnBeforeClose(second_.get());
    MSG msg;
    // Only posted messages: unvalidated windows would yield WM_PAINT forever.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
    }
  }

  bool Deliver(CefRefPtr<FakeBrowser> from,
               CefRefPtr<CefProcessMessage> message) {
    return handler_->OnProcessMessageReceived(from.get(), PID_RENDERER,
                                              message);
  }

  static std::string TextOf(const FakeBrowser::Sent& sent) {
    CefString text;
    EXPECT_TRUE(ReadStringArgument(sent.message, &text));
    return text.ToString();
  }

  std::string Query(CefRefPtr<FakeBrowser> browser,
                    bool main_frame,
                    const char* request,
                    bool* handled) {
    CefRefPtr<RecordingCallback> callback(new RecordingCallback());
    CefRefPtr<FakeFrame> frame(new FakeFrame(main_frame));
    *handled = handler_->OnQuery(browser.get(), frame.get(), 1, request, false,
                                 callback.get());
    return callback->result;
  }

  CefRefPtr<EmbedBrowserHandler> handler_ = new EmbedBrowserHandler();
  CefRefPtr<FakeBrowser> main_ = new FakeBrowser(1);
  CefRefPtr<FakeBrowser> second_ = new FakeBrowser(2);
};

TEST_F(DispatchTest, SetOptionBuildsTheBlockAndBroadcastsToMain) {
  CefRefPtr<CefProcessMessage> message =
      CefProcessMessage::Create("set_option");
  CefRefPtr<CefDictionaryValue> dict = CefDictionaryValue::Create();
  dict->SetInt("uic_type", 2);
  dict->SetInt("filter_id", 31);
  dict->SetBool("is_filter", true);
  message->GetArgumentList()->SetDictionary(0, dict);
  message->GetArgumentList()->SetDictionary(2, dict);  // index 1 stays null
  EXPECT_FALSE(Deliver(second_, message));

  const OptionBlock options = OptionStore::GetInstance()->options();
  EXPECT_EQ(options.count, 3u);
  EXPECT_EQ(options.entries[0].filter_id, 31);
  EXPECT_EQ(options.entries[0].is_filter, 1);
  EXPECT_EQ(options.entries[2].filter_id, 0);  // reading stopped at the null
  ASSERT_EQ(main_->sent.size(), 1u);
  EXPECT_EQ(MessageName(main_->sent[0].message), "save_option");
  EXPECT_TRUE(second_->sent.empty());
}

TEST_F(DispatchTest, EmptySetOptionUpdatesWithCountZero) {
  Deliver(main_, CefProcessMessage::Create("set_option"));
  EXPECT_EQ(OptionStore::GetInstance()->options().count, 0u);
  EXPECT_EQ(TextOf(main_->sent.back()), "[]");
}

TEST_F(DispatchTest, GetOptionAnswersTheAskingBrowserWithTheStoresText) {
  OptionStore* store = OptionStore::GetInstance();
  store->ForgetOptionsForTesting();
  EXPECT_FALSE(Deliver(second_, CefProcessMessage::Create("get_option")));
  ASSERT_EQ(second_->sent.size(), 1u);
  EXPECT_EQ(MessageName(second_->sent[0].message), "save_option");
  EXPECT_EQ(second_->sent[0].target, PID_RENDERER);
  EXPECT_EQ(TextOf(second_->sent[0]), "");
  EXPECT_TRUE(IsOptionAnswer(second_->sent[0].message));

  // Seeded options were never pushed, yet they are the answer.
  OptionBlock seed = MakeEmptyOptionBlock();
  seed.count = 1;
  seed.entries[0].filter_id = 4;
  store->SetInitialOptions(seed);
  Deliver(second_, CefProcessMessage::Create("get_option"));
  EXPECT_EQ(TextOf(second_->sent[1]),
            "[{\"filter_id\":4,\"is_filter\":false,\"uic_type\":0}]");
  EXPECT_TRUE(main_->sent.empty());

  // And after an update, the update's text.
  Deliver(main_, CefProcessMessage::Create("set_option"));
  Deliver(main_, CefProcessMessage::Create("get_option"));
  ASSERT_EQ(main_->sent.size(), 2u);
  EXPECT_FALSE(IsOptionAnswer(main_->sent[0].message));  // the update's push
  EXPECT_EQ(TextOf(main_->sent[1]), "[]");
  EXPECT_EQ(second_->sent.size(), 2u);
}

TEST_F(DispatchTest, SetUserOptionsParsesTextWithTrailingCommas) {
  EXPECT_FALSE(Deliver(
      second_, CreateStringMessage(
                   "SetUserOptions",
                   "[{\"uic_type\":1,\"filter_id\":8,\"is_filter\":true},]")));
  EXPECT_EQ(OptionStore::GetInstance()->options().entries[0].filter_id, 8);
  EXPECT_EQ(TextOf(main_->sent.back()),
            "[{\"filter_id\":8,\"is_filter\":true,\"uic_type\":1}]");
}

TEST_F(DispatchTest, SetUserOptionsIgnoresBadInput) {
  CefRefPtr<CefProcessMessage> number =
      CefProcessMessage::Create("SetUserOptions");
  number->GetArgumentList()->SetInt(0, 1);
  for (CefRefPtr<CefProcessMessage> message :
       {CefProcessMessage::Create("SetUserOptions"), number,
        CreateStringMessage("SetUserOptions", "[{"),
        CreateStringMessage("SetUserOptions", ""),
        CreateStringMessage("SetUserOptions", "{\"filter_id\":1}"),
        CreateStringMessage("setuseroptions", "[]")}) {
    Deliver(second_, message);
  }
  EXPECT_TRUE(main_->sent.empty());
}

TEST_F(DispatchTest, SetUserOptionsStopsAtANonDictionaryElement) {
  Deliver(second_,
          CreateStringMessage("SetUserOptions",
                              "[{\"filter_id\":1},7,{\"filter_id\":3}]"));
  const OptionBlock options = OptionStore::GetInstance()->options();
  EXPECT_EQ(options.count, 3u);
  EXPECT_EQ(options.entries[0].filter_id, 1);
  EXPECT_EQ(options.entries[2].filter_id, 0);
}

TEST_F(DispatchTest, SyncCacheResendsVoicesToTheMainBrowser) {
  OptionStore::GetInstance()->AddHornVoice(L"dispatch horn");
  EXPECT_FALSE(Deliver(second_, CefProcessMessage::Create("syncCache")));
  // The voices, then the marker that tells pages they have all arrived.
  ASSERT_GE(main_->sent.size(), 2u);
  const FakeBrowser::Sent& last_voice = main_->sent[main_->sent.size() - 2];
  EXPECT_EQ(MessageName(last_voice.message), "add_horn_voice");
  EXPECT_EQ(TextOf(last_voice), "dispatch horn");
  EXPECT_EQ(MessageName(main_->sent.back().message), "cache_synced");
  EXPECT_EQ(main_->sent.back().message->GetArgumentList()->GetSize(), 0u);
  EXPECT_TRUE(second_->sent.empty());
}

// The texts go to the main browser's render process, once, whichever
// browser's render process asks: a second answer would hand that process
// every text twice. Only a new render process of the main browser (after
// one ended, or a later render view) is answered again.
TEST_F(DispatchTest, SyncCacheIsAnsweredOncePerMainRenderProcess) {
  OptionStore::GetInstance()->AddNormalVoice(L"once");
  auto answers = [&] {
    size_t synced = 0;
    for (const FakeBrowser::Sent& sent : main_->sent)
      synced += MessageName(sent.message) == "cache_synced";
    return synced;
  };
  handler_->OnRenderViewReady(main_.get());
  for (int i = 0; i < 5; ++i)
    Deliver(main_, CefProcessMessage::Create("syncCache"));
  EXPECT_EQ(answers(), 1u);
  // The avatar's render process, however often it asks or is replaced.
  Deliver(second_, CefProcessMessage::Create("syncCache"));
  handler_->OnRenderViewReady(second_.get());
  handler_->OnRenderProcessTerminated(second_.get(), TS_PROCESS_CRASHED);
  Deliver(second_, CefProcessMessage::Create("syncCache"));
  EXPECT_EQ(answers(), 1u);
  EXPECT_TRUE(second_->sent.empty());

  handler_->OnRenderProcessTerminated(main_.get(), TS_PROCESS_CRASHED);
  Deliver(second_, CefProcessMessage::Create("syncCache"));
  Deliver(main_, CefProcessMessage::Create("syncCache"));
  EXPECT_EQ(answers(), 2u);
  handler_->OnRenderViewReady(main_.get());
  Deliver(main_, CefProcessMessage::Create("syncCache"));
  Deliver(main_, CefProcessMessage::Create("syncCache"));
  EXPECT_EQ(answers(), 3u);
}

// Texts sent before the main browser's first render view was ready wait
// for that view: its arrival is not a new render process.
TEST_F(DispatchTest, TheFirstMainRenderViewDoesNotAskAgain) {
  Deliver(second_, CefProcessMessage::Create("syncCache"));
  handler_->OnRenderViewReady(main_.get());
  Deliver(main_, CefProcessMessage::Create("syncCache"));
  size_t synced = 0;
  for (const FakeBrowser::Sent& sent : main_->sent)
    synced += MessageName(sent.message) == "cache_synced";
  EXPECT_EQ(synced, 1u);
}

TEST_F(DispatchTest, RouterMessagesAreClaimedByTheRouter) {
  CefRefPtr<CefProcessMessage> query = CefProcessMessage::Create("cefQueryMsg");
  CefRefPtr<CefListValue> args = query->GetArgumentList();
  args->SetDouble(0, 0);
  args->SetInt(1, 1);
  args->SetInt(2, 1);
  args->SetString(3, "NoSuchRequest");
  args->SetBool(4, false);
  EXPECT_TRUE(Deliver(main_, query));
  EXPECT_FALSE(Deliver(main_, CefProcessMessage::Create("unknown")));
}

TEST_F(DispatchTest, OnLoadAndTestOnlyAreAnsweredFromAnyFrame) {
  bool handled = false;
  EXPECT_EQ(Query(main_, true, "OnLoad", &handled), "success OnLoad OK");
  EXPECT_TRUE(handled);
  EXPECT_EQ(Query(second_, false, "OnLoad", &handled), "success OnLoad OK");
  EXPECT_EQ(Query(main_, false, "TestOnly", &handled),
            "failure 404 TestOnly Error");
  EXPECT_EQ(Query(main_, true, "onload", &handled), "");
  EXPECT_FALSE(handled);
}

TEST_F(DispatchTest, OnjumpHidesTheAskingMainFramesWindowOnly) {
  JumpObserver observer;
  handler_->AddObserver(&observer);
  ShowWindow(main_->window(), SW_SHOWNOACTIVATE);
  ShowWindow(second_->window(), SW_SHOWNOACTIVATE);
  bool handled = false;

  EXPECT_EQ(Query(second_, false, "Onjump", &handled), "");
  EXPECT_TRUE(handled);
  EXPECT_TRUE(IsWindowVisible(second_->window()));
  EXPECT_EQ(observer.jumps, 0);

  EXPECT_EQ(Query(second_, true, "Onjump", &handled), "");  // stays pending
  EXPECT_FALSE(IsWindowVisible(second_->window()));
  EXPECT_TRUE(IsWindowVisible(main_->window()));
  EXPECT_EQ(observer.jumps, 1);
  handler_->RemoveObserver(&observer);
}

TEST_F(DispatchTest, UnknownFramesAndBrowsersAskForNothing) {
  JumpObserver observer;
  handler_->AddObserver(&observer);
  ShowWindow(main_->window(), SW_SHOWNOACTIVATE);
  for (const char* request : {"OnLoad", "TestOnly", "Onjump", "other"}) {
    SCOPED_TRACE(request);
    CefRefPtr<RecordingCallback> callback(new RecordingCallback());
    // Declined: the router fails the query back to the page.
    EXPECT_FALSE(
        handler_->OnQuery(main_.get(), nullptr, 1, request, false, callback));
    CefRefPtr<FakeFrame> frame(new FakeFrame(true));
    EXPECT_FALSE(
        handler_->OnQuery(nullptr, frame.get(), 2, request, false, callback));
    EXPECT_EQ(callback->result, "");
  }
  EXPECT_TRUE(IsWindowVisible(main_->window()));
  EXPECT_EQ(observer.jumps, 0);
  handler_->RemoveObserver(&observer);

  const CefString options = OptionStore::GetInstance()->OptionJson();
  for (const char* name : {"get_option", "set_option", "syncCache"}) {
    EXPECT_FALSE(handler_->OnProcessMessageReceived(
        nullptr, PID_RENDERER, CefProcessMessage::Create(name)));
  }
  EXPECT_FALSE(
      handler_->OnProcessMessageReceived(main_.get(), PID_RENDERER, nullptr));
  EXPECT_TRUE(main_->sent.empty());
  EXPECT_EQ(OptionStore::GetInstance()->OptionJson(), options);

  handler_->OnLoadStart(main_.get(), nullptr);
  handler_->OnLoadEnd(main_.get(), nullptr, 200);
  handler_->OnLoadError(main_.get(), nullptr, ERR_FILE_NOT_FOUND, "", "x");
  handler_->OnBeforeContextMenu(main_.get(), nullptr, nullptr, nullptr);
  handler_->OnBeforeBrowse(nullptr, nullptr, nullptr, false);
  handler_->OnRenderProcessTerminated(nullptr, TS_PROCESS_CRASHED);
  handler_->OnAfterCreated(nullptr);
  handler_->OnBeforeClose(nullptr);
  EXPECT_EQ(handler_->browser_count(), 2u);
}

}  // namespace
