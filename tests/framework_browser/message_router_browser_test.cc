// The browser half of the message router, driven by real page queries
// through the renderer half.
#include "include/wrapper/cef_message_router.h"
#include "tests/framework_browser/browser_test_support.h"

namespace browser_test {
namespace {

typedef CefMessageRouterBrowserSide::Callback Callback;

// Records its queries and keeps their callbacks; answers as told.
class RecordingHandler : public CefMessageRouterBrowserSide::Handler {
 public:
  RecordingHandler(EventLog* log, const std::string& name, bool take)
      : log_(log), name_(name), take_(take) {}

  bool OnQuery(CefRefPtr<CefBrowser> browser,
               CefRefPtr<CefFrame> frame,
               int64 query_id,
               const CefString& request,
               bool persistent,
               CefRefPtr<Callback> callback) override {
    log_->Add(name_ + " query " + request.ToString() + " " + FrameLabel(frame) +
              (persistent ? " persistent" : ""));
    if (!take_)
      return false;
    callbacks.push_back(callback);
    query_ids.push_back(query_id);
    if (answer)
      answer(request.ToString(), callback);
    return true;
  }

  void OnQueryCanceled(CefRefPtr<CefBrowser> browser,
                       CefRefPtr<CefFrame> frame,
                       int64 query_id) override {
    log_->Add(name_ + " canceled " + std::to_string(query_id) + " " +
              FrameLabel(frame));
  }

  std::function<void(const std::string&, CefRefPtr<Callback>)> answer;
  std::vector<CefRefPtr<Callback>> callbacks;
  std::vector<int64> query_ids;

 private:
  EventLog* const log_;
  const std::string name_;
  const bool take_;
};

// A page that sends |request| at once and logs the answers.
std::string QueryPage(const std::string& request, bool persistent) {
  return "<script>window.__id = window.cefQuery({request: '" + request +
         "', persistent: " + (persistent ? "true" : "false") +
         ", onSuccess: function(r) { console.log('ok:' + r); },"
         " onFailure: function(c, m) { console.log('fail:' + c + ':' + m); }"
         "});</script>";
}

class MessageRouterBrowserTest : public BrowserTest {
 protected:
  void SetUp() override {
    BrowserTest::SetUp();
    router_ = CefMessageRouterBrowserSide::Create(CefMessageRouterConfig());
    client_->router = router_;
  }
  void TearDown() override {
    BrowserTest::TearDown();
    router_ = nullptr;
  }

  CefRefPtr<CefBrowser> Open(const std::string& request, bool persistent) {
    return CreateBrowser(
        pages_.Write("query.html", QueryPage(request, persistent)));
  }

  CefRefPtr<CefMessageRouterBrowserSide> router_;
};

TEST_F(MessageRouterBrowserTest, SuccessReachesThePage) {
  RecordingHandler handler(&log_, "h", true);
  handler.answer = [](const std::string& request, CefRefPtr<Callback> cb) {
    cb->Success("re:" + request);
  };
  router_->AddHandler(&handler, false);
  CefRefPtr<CefBrowser> browser = Open("hello", false);
  ASSERT_TRUE(log_.WaitFor("console ok:re:hello")) << log_.Dump();
  EXPECT_TRUE(log_.Has("h query hello main"));
  EXPECT_EQ(0, router_->GetPendingCount(browser, nullptr));
}

TEST_F(MessageRouterBrowserTest, FailureReachesThePage) {
  RecordingHandler handler(&log_, "h", true);
  handler.answer = [](const std::string&, CefRefPtr<Callback> cb) {
    cb->Failure(5, "bad request");
  };
  router_->AddHandler(&handler, false);
  Open("x", false);
  ASSERT_TRUE(log_.WaitFor("console fail:5:bad request")) << log_.Dump();
}

TEST_F(MessageRouterBrowserTest, QueryNoHandlerTakesIsCanceled) {
  RecordingHandler declines(&log_, "d", false);
  router_->AddHandler(&declines, false);
  Open("lonely", false);
  ASSERT_TRUE(log_.WaitFor("console fail:-1:The query has been canceled"))
      << log_.Dump();
  EXPECT_TRUE(log_.Has("d query lonely main"));
}

TEST_F(MessageRouterBrowserTest, HandlersAreAskedInOrder) {
  RecordingHandler last(&log_, "last", true);
  RecordingHandler declines(&log_, "declines", false);
  RecordingHandler first(&log_, "first", false);
  EXPECT_TRUE(router_->AddHandler(&last, false));
  EXPECT_TRUE(router_->AddHandler(&declines, true));
  EXPECT_TRUE(router_->AddHandler(&first, true));
  EXPECT_FALSE(router_->AddHandler(&last, true));
  CefRefPtr<CefBrowser> browser = Open("q", false);
  ASSERT_TRUE(log_.WaitFor("last query q main")) << log_.Dump();
  EXPECT_LT(log_.IndexOf("first query q main"),
            log_.IndexOf("declines query q main"));
  EXPECT_LT(log_.IndexOf("declines query q main"),
            log_.IndexOf("last query q main"));
  EXPECT_EQ(1, router_->GetPendingCount(browser, &last));
  EXPECT_EQ(0, router_->GetPendingCount(browser, &first));
}

TEST_F(MessageRouterBrowserTest, NonPersistentQueryAnswersOnce) {
  RecordingHandler handler(&log_, "h", true);
  handler.answer = [](const std::string&, CefRefPtr<Callback> cb) {
    cb->Success("one");
    cb->Success("two");
    cb->Failure(1, "three");
  };
  router_->AddHandler(&handler, false);
  CefRefPtr<CefBrowser> browser = Open("q", false);
  ASSERT_TRUE(log_.WaitFor("console ok:one")) << log_.Dump();
  ASSERT_TRUE(RoundTrip(browser, "after"));
  EXPECT_FALSE(log_.Has("console ok:two"));
  EXPECT_FALSE(log_.Has("console fail:1:three"));
}

TEST_F(MessageRouterBrowserTest, PersistentQueryAnswersUntilFailure) {
  RecordingHandler handler(&log_, "h", true);
  router_->AddHandler(&handler, false);
  CefRefPtr<CefBrowser> browser = Open("p", true);
  ASSERT_TRUE(log_.WaitFor("h query p main persistent")) << log_.Dump();
  CefRefPtr<Callback> callback = handler.callbacks[0];
  callback->Success("a");
  callback->Success("b");
  ASSERT_TRUE(log_.WaitFor("console ok:b")) << log_.Dump();
  EXPECT_LT(log_.IndexOf("console ok:a"), log_.IndexOf("console ok:b"));
  EXPECT_EQ(1, router_->GetPendingCount(browser, nullptr));
  callback->Failure(2, "done");
  ASSERT_TRUE(log_.WaitFor("console fail:2:done"));
  EXPECT_EQ(0, router_->GetPendingCount(browser, nullptr));
  callback->Success("late");
  ASSERT_TRUE(RoundTrip(browser, "after"));
  EXPECT_FALSE(log_.Has("console ok:late"));
}

TEST_F(MessageRouterBrowserTest, ClosingTheBrowserCancelsQuietly) {
  RecordingHandler handler(&log_, "h", true);
  router_->AddHandler(&handler, false);
  CefRefPtr<CefBrowser> browser = Open("q", false);
  ASSERT_TRUE(log_.WaitFor("h query q main")) << log_.Dump();
  browser->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(log_.WaitFor("before-close"));
  EXPECT_TRUE(
      log_.Has("h canceled " + std::to_string(handler.query_ids[0]) + " main"))
      << log_.Dump();
  EXPECT_EQ(0, router_->GetPendingCount(nullptr, nullptr));
  // The callback of a cancelled query does nothing.
  handler.callbacks[0]->Success("too late");
  Settle();
  EXPECT_FALSE(log_.Has("console ok:too late"));
}

TEST_F(MessageRouterBrowserTest, MainFrameNavigationCancels) {
  RecordingHandler handler(&log_, "h", true);
  router_->AddHandler(&handler, false);
  CefRefPtr<CefBrowser> browser = Open("q", false);
  ASSERT_TRUE(log_.WaitFor("h query q main")) << log_.Dump();
  browser->GetMainFrame()->LoadURL("about:blank");
  ASSERT_TRUE(WaitFor([&]() { return !log_.Find("h canceled").empty(); }))
      << log_.Dump();
  EXPECT_EQ(0, router_->GetPendingCount(browser, nullptr));
}

TEST_F(MessageRouterBrowserTest, PageCancelReachesHandler) {
  RecordingHandler handler(&log_, "h", true);
  router_->AddHandler(&handler, false);
  CefRefPtr<CefBrowser> browser = Open("q", false);
  ASSERT_TRUE(log_.WaitFor("h query q main")) << log_.Dump();
  browser->GetMainFrame()->ExecuteJavaScript(
      "window.cefQueryCancel(window.__id);", "", 0);
  ASSERT_TRUE(WaitFor([&]() { return !log_.Find("h canceled").empty(); }))
      << log_.Dump();
  EXPECT_EQ(0, router_->GetPendingCount(browser, nullptr));
}

TEST_F(MessageRouterBrowserTest, RemovingHandlerCancelsItsQueries) {
  RecordingHandler handler(&log_, "h", true);
  router_->AddHandler(&handler, false);
  CefRefPtr<CefBrowser> browser = Open("q", false);
  ASSERT_TRUE(log_.WaitFor("h query q main")) << log_.Dump();
  EXPECT_TRUE(router_->RemoveHandler(&handler));
  EXPECT_FALSE(router_->RemoveHandler(&handler));
  EXPECT_FALSE(log_.Find("h canceled").empty());
  // Unlike a close, the page hears of it.
  ASSERT_TRUE(log_.WaitFor("console fail:-1:The query has been canceled"))
      << log_.Dump();
}

TEST_F(MessageRouterBrowserTest, CancelPendingTellsThePage) {
  RecordingHandler handler(&log_, "h", true);
  router_->AddHandler(&handler, false);
  CefRefPtr<CefBrowser> browser = Open("q", false);
  ASSERT_TRUE(log_.WaitFor("h query q main")) << log_.Dump();
  router_->CancelPending(browser, nullptr);
  ASSERT_TRUE(log_.WaitFor("console fail:-1:The query has been canceled"));
  EXPECT_FALSE(log_.Find("h canceled").empty());
}

TEST_F(MessageRouterBrowserTest, ForeignMessagesAreNotTaken) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  CefRefPtr<CefProcessMessage> other = CefProcessMessage::Create("other");
  EXPECT_FALSE(router_->OnProcessMessageReceived(browser, PID_RENDERER, other));
  // A malformed router message is the router's, and ignored.
  CefRefPtr<CefProcessMessage> bad = CefProcessMessage::Create("cefQueryMsg");
  EXPECT_TRUE(router_->OnProcessMessageReceived(browser, PID_RENDERER, bad));
  EXPECT_EQ(0, router_->GetPendingCount(nullptr, nullptr));
}

}  // namespace
}  // namespace browser_test
