// The render half of the message router, driven through real page script
// and the browser half's messages played by the harness.
#include "gtest/gtest.h"
#include "src/core/message_loop.h"
#include "src/testing/render_harness.h"
#include "src/wrapper/message_router_protocol.h"
#include "tests/framework_renderer/test_render_app.h"

namespace {

using cef_internal::MainFrameId;
using cef_internal::RenderHarness;
using renderer_test::TestRenderApp;

constexpr int kBrowser = 4;
const char kPage[] =
    "<script>var log = [];"
    "function ask(request, persistent) {"
    "  return cefQuery({request: request, persistent: !!persistent,"
    "    onSuccess: function(r) { log.push('ok:' + r); },"
    "    onFailure: function(c, m) { log.push('fail:' + c + ':' + m); }});"
    "}</script>";

class MessageRouterRendererTest : public ::testing::Test {
 protected:
  MessageRouterRendererTest() : app_(new TestRenderApp(true)), harness_(app_) {
    harness_.CreateBrowser(kBrowser);
    EXPECT_TRUE(harness_.LoadPage(kBrowser, "http://r.test/", kPage));
  }

  std::string Eval(const std::string& code) {
    return harness_.Evaluate(kBrowser, code);
  }

  // The last query message the page sent.
  CefRefPtr<CefListValue> LastQuery() {
    std::vector<RenderHarness::SentMessage> sent =
        harness_.SentMessagesNamed("cefQueryMsg");
    return sent.empty() ? nullptr : sent.back().message->GetArgumentList();
  }

  void Reply(int context_id,
             int request_id,
             bool success,
             const std::string& response,
             int code = 0) {
    CefRefPtr<CefProcessMessage> message =
        CefProcessMessage::Create("cefQueryMsg");
    CefRefPtr<CefListValue> args = message->GetArgumentList();
    args->SetInt(0, context_id);
    args->SetInt(1, request_id);
    args->SetBool(2, success);
    if (success) {
      args->SetString(3, response);
    } else {
      args->SetInt(3, code);
      args->SetString(4, response);
    }
    harness_.SendProcessMessage(kBrowser, message);
  }

  int Pending() { return app_->router->GetPendingCount(nullptr, nullptr); }

  CefRefPtr<TestRenderApp> app_;
  RenderHarness harness_;
};

TEST_F(MessageRouterRendererTest, QueryCarriesTheProtocolLayout) {
  EXPECT_EQ("number", Eval("typeof ask('hello')"));
  CefRefPtr<CefListValue> query = LastQuery();
  ASSERT_TRUE(query);
  EXPECT_EQ(static_cast<double>(MainFrameId(kBrowser)), query->GetDouble(0));
  EXPECT_EQ(VTYPE_INT, query->GetType(1));
  EXPECT_EQ(VTYPE_INT, query->GetType(2));
  EXPECT_EQ("hello", query->GetString(3).ToString());
  EXPECT_FALSE(query->GetBool(4));
  EXPECT_EQ(1, Pending());
  EXPECT_EQ(1, app_->router->GetPendingCount(harness_.GetBrowser(kBrowser),
                                             harness_.GetContext(kBrowser)));
  EXPECT_EQ(query->GetInt(2), std::stoi(Eval("ask('again') - 1")));
}

TEST_F(MessageRouterRendererTest, SuccessEndsAQuery) {
  Eval("ask('q')");
  CefRefPtr<CefListValue> query = LastQuery();
  Reply(query->GetInt(1), query->GetInt(2), true, "answer");
  EXPECT_EQ(1, app_->router_claimed);
  EXPECT_EQ("ok:answer", Eval("log.join()"));
  EXPECT_EQ(0, Pending());
  // A second answer is taken too, and finds nothing to answer.
  Reply(query->GetInt(1), query->GetInt(2), true, "late");
  EXPECT_EQ(2, app_->router_claimed);
  EXPECT_EQ("ok:answer", Eval("log.join()"));
}

TEST_F(MessageRouterRendererTest, ThePageHearsFromATaskOfItsOwn) {
  Eval("ask('q')");
  CefRefPtr<CefListValue> query = LastQuery();
  CefRefPtr<CefProcessMessage> answer =
      CefProcessMessage::Create("cefQueryMsg");
  answer->GetArgumentList()->SetInt(0, query->GetInt(1));
  answer->GetArgumentList()->SetInt(1, query->GetInt(2));
  answer->GetArgumentList()->SetBool(2, true);
  answer->GetArgumentList()->SetString(3, "later");
  EXPECT_TRUE(app_->router->OnProcessMessageReceived(
      harness_.GetBrowser(kBrowser), PID_BROWSER, answer));
  // Nothing ran inside the call.
  EXPECT_EQ(1, Pending());
  EXPECT_EQ("", Eval("log.join()"));
  cef_internal::MessageLoop::Current()->RunUntilIdle();
  EXPECT_EQ(0, Pending());
  EXPECT_EQ("ok:later", Eval("log.join()"));
}

TEST_F(MessageRouterRendererTest, PersistentQueryLastsUntilFailure) {
  Eval("ask('watch', true)");
  CefRefPtr<CefListValue> query = LastQuery();
  EXPECT_TRUE(query->GetBool(4));
  Reply(query->GetInt(1), query->GetInt(2), true, "1");
  Reply(query->GetInt(1), query->GetInt(2), true, "2");
  EXPECT_EQ(1, Pending());
  Reply(query->GetInt(1), query->GetInt(2), false, "gone", -7);
  EXPECT_EQ("ok:1,ok:2,fail:-7:gone", Eval("log.join()"));
  EXPECT_EQ(0, Pending());
}

TEST_F(MessageRouterRendererTest, PageCancelSendsTheCancelMessage) {
  int id = std::stoi(Eval("ask('slow', true)"));
  CefRefPtr<CefListValue> query = LastQuery();
  EXPECT_EQ("true", Eval("cefQueryCancel(" + std::to_string(id) + ")"));
  EXPECT_EQ("false", Eval("cefQueryCancel(" + std::to_string(id) + ")"));
  std::vector<RenderHarness::SentMessage> cancels =
      harness_.SentMessagesNamed("cefQueryCancelMsg");
  ASSERT_EQ(1u, cancels.size());
  EXPECT_EQ(query->GetInt(1), cancels[0].message->GetArgumentList()->GetInt(0));
  EXPECT_EQ(id, cancels[0].message->GetArgumentList()->GetInt(1));
  EXPECT_EQ(0, Pending());
  Reply(query->GetInt(1), id, true, "after cancel");
  EXPECT_EQ("", Eval("log.join()"));
}

TEST_F(MessageRouterRendererTest, ReleasedContextCancelsAllItsQueries) {
  Eval("ask('a'); ask('b', true)");
  CefRefPtr<CefListValue> query = LastQuery();
  ASSERT_TRUE(harness_.LoadPage(kBrowser, "http://r.test/next", kPage));
  std::vector<RenderHarness::SentMessage> cancels =
      harness_.SentMessagesNamed("cefQueryCancelMsg");
  ASSERT_EQ(1u, cancels.size());
  EXPECT_EQ(query->GetInt(1), cancels[0].message->GetArgumentList()->GetInt(0));
  EXPECT_EQ(0, cancels[0].message->GetArgumentList()->GetInt(1));
  EXPECT_EQ(0, Pending());
  // Replies for the old context are taken and go nowhere.
  Reply(query->GetInt(1), query->GetInt(2), true, "stale");
  EXPECT_EQ(1, app_->router_claimed);
  EXPECT_EQ("", Eval("log.join()"));
  // The new document has its own functions and context id.
  Eval("ask('new')");
  EXPECT_NE(query->GetInt(1), LastQuery()->GetInt(1));
}

TEST_F(MessageRouterRendererTest, ReleasingAContextWithoutQueriesSendsNothing) {
  ASSERT_TRUE(harness_.LoadPage(kBrowser, "http://r.test/next", kPage));
  EXPECT_TRUE(harness_.SentMessagesNamed("cefQueryCancelMsg").empty());
}

TEST_F(MessageRouterRendererTest, BadArgumentsThrowInThePage) {
  const char* calls[] = {
      "cefQuery()",
      "cefQuery('text')",
      "cefQuery({})",
      "cefQuery({request: 5})",
      "cefQuery({request: 'r', onSuccess: 1})",
      "cefQuery({request: 'r', onFailure: 'f'})",
      "cefQuery({request: 'r', persistent: 'yes'})",
      "cefQuery({request: 'r'}, 2)",
      "cefQueryCancel()",
      "cefQueryCancel('1')",
      "cefQueryCancel(1.5)",
  };
  for (const char* call : calls) {
    std::string result = Eval(std::string("try { ") + call +
                              "; 'no error' } catch (e) {"
                              " (e instanceof Error) + ':' + e.message }");
    EXPECT_EQ(0u, result.find("true:Invalid arguments")) << call << result;
  }
  EXPECT_TRUE(harness_.SentMessagesNamed("cefQueryMsg").empty());
  // Callbacks are optional.
  EXPECT_EQ("number", Eval("typeof cefQuery({request: 'bare'})"));
}

TEST_F(MessageRouterRendererTest, PageFunctionsAreFixed) {
  EXPECT_EQ("function", Eval("cefQuery = 1; typeof cefQuery"));
  EXPECT_EQ("false", Eval("delete window.cefQueryCancel"));
  EXPECT_EQ("-1", Eval("Object.keys(window).indexOf('cefQuery')"));
}

TEST_F(MessageRouterRendererTest, TakesEveryQueryAnswerAndNothingElse) {
  Eval("ask('x')");
  CefRefPtr<CefListValue> query = LastQuery();
  CefRefPtr<CefProcessMessage> other = CefProcessMessage::Create("save_option");
  harness_.SendProcessMessage(kBrowser, other);
  CefRefPtr<CefProcessMessage> malformed =
      CefProcessMessage::Create("cefQueryMsg");
  malformed->GetArgumentList()->SetString(0, "1");
  harness_.SendProcessMessage(kBrowser, malformed);
  Reply(query->GetInt(1), query->GetInt(2) + 100, true, "unknown id");
  // The malformed answer and the unknown id: taken, answering nothing.
  EXPECT_EQ(2, app_->router_claimed);
  EXPECT_EQ(3u, app_->received.size());
  EXPECT_EQ(1, Pending());
  EXPECT_EQ("", Eval("log.join()"));
  EXPECT_TRUE(app_->router->OnProcessMessageReceived(
      harness_.GetBrowser(kBrowser), PID_RENDERER,
      CefProcessMessage::Create("cefQueryMsg")));
  EXPECT_FALSE(app_->router->OnProcessMessageReceived(
      harness_.GetBrowser(kBrowser), PID_BROWSER,
      CefProcessMessage::Create("cefQueryCancelMsg")));
}

TEST_F(MessageRouterRendererTest, CallbackThatThrowsLeavesTheRouterWorking) {
  Eval("cefQuery({request: 'boom', onSuccess: function() { throw 1; }})");
  CefRefPtr<CefListValue> query = LastQuery();
  Reply(query->GetInt(1), query->GetInt(2), true, "r");
  EXPECT_EQ(1, app_->router_claimed);
  Eval("ask('next')");
  query = LastQuery();
  Reply(query->GetInt(1), query->GetInt(2), true, "fine");
  EXPECT_EQ("ok:fine", Eval("log.join()"));
}

TEST(MessageRouterRendererConfigTest, CustomNamesAndBadConfigs) {
  CefMessageRouterConfig config;
  config.js_query_function = "ask";
  config.js_cancel_function = "forget";
  CefRefPtr<TestRenderApp> app = new TestRenderApp(true, false, config);
  RenderHarness harness(app);
  harness.CreateBrowser(1);
  ASSERT_TRUE(harness.LoadPage(1, "http://r.test/", ""));
  EXPECT_EQ("undefined", harness.Evaluate(1, "typeof cefQuery"));
  EXPECT_EQ("number", harness.Evaluate(1, "typeof ask({request: 'r'})"));
  EXPECT_EQ(1u, harness.SentMessagesNamed("askMsg").size());
  harness.Evaluate(1, "forget(1)");
  EXPECT_EQ(1u, harness.SentMessagesNamed("forgetMsg").size());

  CefMessageRouterConfig empty;
  empty.js_query_function = "";
  EXPECT_FALSE(CefMessageRouterRendererSide::Create(empty));
  CefMessageRouterConfig same;
  same.js_cancel_function = same.js_query_function;
  EXPECT_FALSE(CefMessageRouterRendererSide::Create(same));
}

}  // namespace
