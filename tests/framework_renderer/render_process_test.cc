// The render side driven by browser-side ops: browsers, frames, the page
// model, script, process messages and the end of the process.
#include "gtest/gtest.h"
#include "src/testing/render_harness.h"
#include "tests/framework_renderer/test_render_app.h"

namespace {

using cef_internal::kFramesPerBrowser;
using cef_internal::MainFrameId;
using cef_internal::Op;
using cef_internal::RenderHarness;
using renderer_test::TestRenderApp;

constexpr int kBrowser = 3;
const char kPageUrl[] = "http://example.test/dir/page.html";

class RenderProcessTest : public ::testing::Test {
 protected:
  RenderProcessTest() : app_(new TestRenderApp), harness_(app_) {
    harness_.CreateBrowser(kBrowser);
  }

  std::string Eval(const std::string& code, int64 frame_id = -1) {
    return harness_.Evaluate(kBrowser, code, frame_id);
  }

  CefRefPtr<TestRenderApp> app_;
  RenderHarness harness_;
};

TEST_F(RenderProcessTest, StartsTheHandlerInOrder) {
  ASSERT_GE(app_->events.size(), 3u);
  EXPECT_EQ("thread:0", app_->events[0]);
  EXPECT_EQ("webkit", app_->events[1]);
  EXPECT_EQ("browser+3", app_->events[2]);
  EXPECT_TRUE(app_->registered);
  CefRefPtr<CefBrowser> browser = harness_.GetBrowser(kBrowser);
  ASSERT_TRUE(browser);
  EXPECT_FALSE(browser->GetHost());
  EXPECT_FALSE(browser->IsPopup());
  EXPECT_EQ(MainFrameId(kBrowser), browser->GetMainFrame()->GetIdentifier());
  EXPECT_TRUE(browser->GetMainFrame()->IsMain());
  EXPECT_FALSE(browser->GetMainFrame()->GetV8Context());
}

TEST_F(RenderProcessTest, ScriptsRunInOrderThenOnload) {
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl,
                                "<html><head><SCRIPT>var log = ['a'];</SCRIPT>"
                                "<script type='text/javascript'>"
                                "window.onload = function() { log.push('load');"
                                " };</script>"
                                "<script type=\"text/template\">log.push('x')"
                                "</script></head><body>"
                                "<script>log.push('b');</script></body>"));
  EXPECT_EQ("a,b,load", Eval("log.join()"));
  EXPECT_EQ("object", Eval("typeof test"));
  ASSERT_EQ(1u, harness_.OpsOf(Op::kDocumentLoaded).size());
  EXPECT_EQ(static_cast<double>(MainFrameId(kBrowser)),
            harness_.OpsOf(Op::kDocumentLoaded)[0].args->GetDouble(1));
}

TEST_F(RenderProcessTest, AScriptErrorEndsOnlyThatScript) {
  ASSERT_TRUE(harness_.LoadPage(
      kBrowser, kPageUrl,
      "<p>\n</p>\n<script>\nvar first = 1;\nundefinedCall();\nfirst = 2;"
      "</script><script>var second = first + 10;</script>"));
  EXPECT_EQ("11", Eval("second"));
  ASSERT_EQ(1u, harness_.console().size());
  const RenderHarness::ConsoleLine& line = harness_.console()[0];
  EXPECT_EQ(kBrowser, line.browser_id);
  EXPECT_EQ(0u, line.message.find("Uncaught ReferenceError"));
  EXPECT_EQ(kPageUrl, line.source);
  EXPECT_EQ(5, line.line);
  EXPECT_EQ(LOGSEVERITY_ERROR,
            harness_.OpsOf(Op::kConsoleMessage)[0].args->GetInt(4));
}

TEST_F(RenderProcessTest, PageReplacesAnInjectedOnload) {
  // What a browser-side load handler does at load start.
  harness_.SendOp(Op::kCommitNavigation, [] {
    CefRefPtr<CefListValue> args = CefListValue::Create();
    args->SetInt(0, kBrowser);
    args->SetDouble(1, static_cast<double>(MainFrameId(kBrowser)));
    args->SetString(2, kPageUrl);
    args->SetString(3,
                    "<script>var log = [];"
                    "window.onload = function() { log.push('page'); };"
                    "</script>");
    return args;
  }());
  harness_.ExecuteJavaScript(
      kBrowser, "window.onload = function() { log.push('injected'); };");
  CefRefPtr<CefListValue> run = CefListValue::Create();
  run->SetInt(0, kBrowser);
  run->SetDouble(1, static_cast<double>(MainFrameId(kBrowser)));
  harness_.SendOp(Op::kRunDocument, run);
  EXPECT_EQ("page", Eval("log.join()"));
}

TEST_F(RenderProcessTest, IframesBecomeSubframesWithOwnContexts) {
  harness_.SetFrameSource("http://example.test/dir/child.html",
                          "<script>var who = 'child';</script>"
                          "<iframe src=/deep.html></iframe>");
  harness_.SetFrameSource("http://example.test/deep.html",
                          "<script>var who = 'deep';</script>");
  ASSERT_TRUE(harness_.LoadPage(
      kBrowser, kPageUrl,
      "<script>var who = 'main';</script>"
      "<IFRAME name=\"side\" SRC=' child.html\n'></IFRAME><iframe></iframe>"));
  std::vector<RenderHarness::RecordedOp> created =
      harness_.OpsOf(Op::kSubframeCreated);
  ASSERT_EQ(3u, created.size());
  const int64 child_id = MainFrameId(kBrowser) + 1;
  EXPECT_EQ(static_cast<double>(MainFrameId(kBrowser)),
            created[0].args->GetDouble(1));
  EXPECT_EQ(static_cast<double>(child_id), created[0].args->GetDouble(2));
  EXPECT_EQ("http://example.test/dir/child.html",
            created[0].args->GetString(3).ToString());
  EXPECT_EQ("side", created[0].args->GetString(4).ToString());
  EXPECT_EQ("about:blank", created[1].args->GetString(3).ToString());
  EXPECT_EQ("http://example.test/deep.html",
            created[2].args->GetString(3).ToString());
  EXPECT_EQ(static_cast<double>(child_id), created[2].args->GetDouble(1));

  EXPECT_EQ("main", Eval("who"));
  EXPECT_EQ("child", Eval("who", child_id));
  EXPECT_EQ("deep", Eval("who", MainFrameId(kBrowser) + 3));
  CefRefPtr<CefBrowser> browser = harness_.GetBrowser(kBrowser);
  EXPECT_EQ(4u, browser->GetFrameCount());
  CefRefPtr<CefFrame> child = browser->GetFrame(child_id);
  ASSERT_TRUE(child);
  EXPECT_FALSE(child->IsMain());
  EXPECT_EQ("side", child->GetName().ToString());
  EXPECT_EQ(MainFrameId(kBrowser), child->GetParent()->GetIdentifier());
  EXPECT_FALSE(
      child->GetV8Context()->IsSame(browser->GetMainFrame()->GetV8Context()));
}

TEST_F(RenderProcessTest, NewDocumentReleasesOldContextsFirst) {
  harness_.SetFrameSource("http://example.test/dir/child.html", "");
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl,
                                "<script>var old = 1;</script>"
                                "<iframe src='child.html'></iframe>"));
  CefRefPtr<CefBrowser> browser = harness_.GetBrowser(kBrowser);
  CefRefPtr<CefV8Context> old_context = browser->GetMainFrame()->GetV8Context();
  CefRefPtr<CefFrame> old_child = browser->GetFrame(MainFrameId(kBrowser) + 1);
  app_->events.clear();
  ASSERT_TRUE(harness_.LoadPage(kBrowser, "http://example.test/next.html",
                                "<script>var fresh = 1;</script>"));
  const std::string main = std::to_string(MainFrameId(kBrowser));
  const std::string child = std::to_string(MainFrameId(kBrowser) + 1);
  EXPECT_EQ((std::vector<std::string>{"context-" + child, "context-" + main,
                                      "context+" + main}),
            app_->events);
  EXPECT_FALSE(old_context->IsValid());
  EXPECT_FALSE(old_child->IsValid());
  EXPECT_EQ(1u, browser->GetFrameCount());
  EXPECT_EQ("undefined", Eval("typeof old"));
  EXPECT_EQ("http://example.test/next.html",
            browser->GetMainFrame()->GetURL().ToString());
}

TEST_F(RenderProcessTest, ExtensionsAreRegisteredPerRenderSide) {
  CefRefPtr<TestRenderApp> plain = new TestRenderApp(false, false);
  RenderHarness other(plain);
  other.CreateBrowser(9);
  ASSERT_TRUE(other.LoadPage(9, kPageUrl, ""));
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl, ""));
  EXPECT_EQ("undefined", other.Evaluate(9, "typeof test"));
  EXPECT_EQ("echoed", Eval("test.echo('echoed')"));
  EXPECT_EQ(std::to_string(kBrowser), Eval("test.browser()"));
}

TEST_F(RenderProcessTest, PageRequestsBecomeOps) {
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl,
                                "<script>console.log('hello', 2);"
                                "window.open('other.html?x=1', 'w');"
                                "window.close();</script>"));
  ASSERT_EQ(1u, harness_.console().size());
  EXPECT_EQ("hello 2", harness_.console()[0].message);
  EXPECT_EQ(1, harness_.console()[0].line);
  std::vector<RenderHarness::RecordedOp> popups =
      harness_.OpsOf(Op::kOpenPopup);
  ASSERT_EQ(1u, popups.size());
  EXPECT_EQ("http://example.test/dir/other.html?x=1",
            popups[0].args->GetString(2).ToString());
  EXPECT_EQ("w", popups[0].args->GetString(3).ToString());
  EXPECT_EQ(1u, harness_.OpsOf(Op::kCloseBrowser).size());
}

// location: read, the document's address; written, assigned, replaced or
// reloaded, a navigation of the frame to the address resolved against it.
// A page that is not a file opens none, with the engine's console line.
TEST_F(RenderProcessTest, LocationNavigationsBecomeOps) {
  ASSERT_TRUE(harness_.LoadPage(
      kBrowser, kPageUrl,
      "<script>console.log(location.href + ' ' + window.location);"
      "location.href = 'a.html';"
      "location.assign('/b.html#x');"
      "window.location = 'c.html';"
      "location.replace('http://other.test/d');"
      "location.reload();"
      "location.href = 'file:///C:/secret.txt';"
      "try { location.href = {toString: function() { throw 7; }}; }"
      "catch (e) { console.log('thrown ' + e); }</script>"));
  std::vector<std::string> urls;
  for (const RenderHarness::RecordedOp& op : harness_.OpsOf(Op::kNavigateFrame))
    urls.push_back(op.args->GetString(2).ToString());
  EXPECT_EQ(urls, std::vector<std::string>({"http://example.test/dir/a.html",
                                            "http://example.test/b.html#x",
                                            "http://example.test/dir/c.html",
                                            "http://other.test/d", kPageUrl}));
  std::vector<std::string> console;
  for (const auto& entry : harness_.console())
    console.push_back(entry.message);
  EXPECT_EQ(console,
            std::vector<std::string>({std::string(kPageUrl) + " " + kPageUrl,
                                      "Not allowed to load local resource: "
                                      "file:///C:/secret.txt",
                                      "thrown 7"}));
}

TEST_F(RenderProcessTest, OnlyTheMainFrameCanClose) {
  harness_.SetFrameSource("http://example.test/dir/c.html",
                          "<script>window.close();</script>");
  ASSERT_TRUE(
      harness_.LoadPage(kBrowser, kPageUrl, "<iframe src='c.html'></iframe>"));
  EXPECT_TRUE(harness_.OpsOf(Op::kCloseBrowser).empty());
}

TEST_F(RenderProcessTest, TimersRunAfterTheLoad) {
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl,
                                "<script>var done = false, atLoad;"
                                "setTimeout(function() { done = true;"
                                " console.log('timer'); }, 0);"
                                "window.onload = function() { atLoad = done; };"
                                "</script>"));
  EXPECT_EQ("false", Eval("atLoad"));
  ASSERT_TRUE(harness_.RunUntil([&] { return !harness_.console().empty(); }));
  EXPECT_EQ("timer", harness_.console()[0].message);
  EXPECT_EQ("true", Eval("done"));
}

TEST_F(RenderProcessTest, ExecuteJavaScriptRunsInTheFramesContext) {
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl,
                                "<script>var n = 1;"
                                "</script>"));
  harness_.ExecuteJavaScript(kBrowser, "n += 10;");
  EXPECT_EQ("11", Eval("n"));
  CefRefPtr<CefFrame> frame = harness_.GetBrowser(kBrowser)->GetMainFrame();
  // On the render thread it runs before the call returns, as the real one.
  frame->ExecuteJavaScript("n += 100;", "", 1);
  EXPECT_EQ("111", Eval("n"));
  frame->ExecuteJavaScript("", "", 1);
  harness_.Flush();
  EXPECT_EQ("111", Eval("n"));
}

TEST_F(RenderProcessTest, ExecuteJavaScriptRunsEachScriptInTurnPastAThrow) {
  ASSERT_TRUE(
      harness_.LoadPage(kBrowser, kPageUrl, "<script>var log = [];</script>"));
  CefRefPtr<CefFrame> frame = harness_.GetBrowser(kBrowser)->GetMainFrame();
  frame->ExecuteJavaScript("log.push('outer');", "", 1);
  frame->ExecuteJavaScript("throw new Error('x');", "", 1);
  frame->ExecuteJavaScript("log.push('after');", "", 1);
  EXPECT_EQ("outer,after", Eval("log.join()"));
}

class Collector : public CefStringVisitor {
 public:
  void Visit(const CefString& string) override {
    texts.push_back(string.ToString());
  }
  std::vector<std::string> texts;
  IMPLEMENT_REFCOUNTING(Collector);
};

TEST_F(RenderProcessTest, FrameHandsOutItsDocumentLater) {
  const char kHtml[] = "<p>Hello <b>there</b></p>";
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl, kHtml));
  CefRefPtr<Collector> collector = new Collector;
  CefRefPtr<CefFrame> frame = harness_.GetBrowser(kBrowser)->GetMainFrame();
  frame->GetSource(collector);
  frame->GetText(collector);
  EXPECT_TRUE(collector->texts.empty());
  harness_.Flush();
  EXPECT_EQ((std::vector<std::string>{kHtml, "Hello there"}), collector->texts);
}

TEST_F(RenderProcessTest, ProcessMessagesBothWays) {
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("ping");
  message->GetArgumentList()->SetString(0, "payload");
  message->GetArgumentList()->SetInt(1, 7);
  harness_.SendProcessMessage(kBrowser, message);
  ASSERT_EQ(1u, app_->received.size());
  EXPECT_EQ("ping", app_->received[0]->GetName().ToString());
  EXPECT_EQ("payload",
            app_->received[0]->GetArgumentList()->GetString(0).ToString());
  EXPECT_EQ(7, app_->received[0]->GetArgumentList()->GetInt(1));
  // The received message is the handler's own to change.
  EXPECT_TRUE(app_->received[0]->GetArgumentList()->SetInt(1, 8));

  CefRefPtr<CefBrowser> browser = harness_.GetBrowser(kBrowser);
  CefRefPtr<CefProcessMessage> reply = CefProcessMessage::Create("pong");
  reply->GetArgumentList()->SetBool(0, true);
  EXPECT_TRUE(browser->SendProcessMessage(PID_BROWSER, reply));
  EXPECT_FALSE(browser->SendProcessMessage(PID_RENDERER, reply));
  // What went out is what the message held then; the message stays usable.
  EXPECT_TRUE(reply->GetArgumentList()->SetBool(0, false));
  harness_.Flush();
  ASSERT_EQ(1u, harness_.sent_messages().size());
  EXPECT_EQ(kBrowser, harness_.sent_messages()[0].browser_id);
  EXPECT_EQ("pong", harness_.sent_messages()[0].message->GetName().ToString());
  EXPECT_TRUE(
      harness_.sent_messages()[0].message->GetArgumentList()->GetBool(0));
}

TEST_F(RenderProcessTest, DestroyedBrowserReleasesItsContextsFirst) {
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl, ""));
  CefRefPtr<CefBrowser> browser = harness_.GetBrowser(kBrowser);
  CefRefPtr<CefV8Context> context = browser->GetMainFrame()->GetV8Context();
  app_->events.clear();
  harness_.DestroyBrowser(kBrowser);
  EXPECT_EQ(
      (std::vector<std::string>{
          "context-" + std::to_string(MainFrameId(kBrowser)), "browser-3"}),
      app_->events);
  EXPECT_FALSE(context->IsValid());
  EXPECT_FALSE(harness_.GetBrowser(kBrowser));
  EXPECT_FALSE(
      browser->SendProcessMessage(PID_BROWSER, CefProcessMessage::Create("x")));
}

TEST(RenderProcessEndTest, ShutdownAndLostBrowserProcess) {
  CefRefPtr<TestRenderApp> app = new TestRenderApp;
  RenderHarness normal(app);
  normal.CreateBrowser(1);
  ASSERT_TRUE(normal.LoadPage(1, kPageUrl, ""));
  ASSERT_TRUE(normal.Shutdown());
  EXPECT_EQ(0, normal.process()->exit_code());
  EXPECT_EQ("browser-1", app->events.back());

  CefRefPtr<TestRenderApp> orphan_app = new TestRenderApp;
  RenderHarness orphan(orphan_app);
  orphan.CreateBrowser(2);
  ASSERT_TRUE(orphan.LoadPage(2, kPageUrl, ""));
  ASSERT_TRUE(orphan.LoseBrowserProcess());
  EXPECT_EQ(cef_internal::kBrowserProcessLostExitCode,
            orphan.process()->exit_code());
  EXPECT_NE(0, orphan.process()->exit_code());
  EXPECT_EQ("browser-2", orphan_app->events.back());
}

// Every op with argument lists that are short, of the wrong types or name
// things that do not exist: all are dropped.
TEST_F(RenderProcessTest, MalformedOpsAreIgnored) {
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl,
                                "<script>var ok = 1;"
                                "</script>"));
  const size_t events = app_->events.size();
  std::vector<CefRefPtr<CefListValue>> lists;
  lists.push_back(CefListValue::Create());
  auto add = [&lists](std::function<void(CefRefPtr<CefListValue>)> fill) {
    CefRefPtr<CefListValue> list = CefListValue::Create();
    fill(list);
    lists.push_back(list);
  };
  add([](CefRefPtr<CefListValue> l) { l->SetString(0, "3"); });
  add([](CefRefPtr<CefListValue> l) { l->SetInt(0, -1); });
  add([](CefRefPtr<CefListValue> l) { l->SetInt(0, 77); });
  add([](CefRefPtr<CefListValue> l) {
    l->SetInt(0, kBrowser);
    l->SetDouble(1, 1.5);
  });
  add([](CefRefPtr<CefListValue> l) {
    l->SetInt(0, kBrowser);
    l->SetDouble(1, -5);
  });
  add([](CefRefPtr<CefListValue> l) {
    l->SetInt(0, kBrowser);
    l->SetDouble(1, 1e300);
  });
  add([](CefRefPtr<CefListValue> l) {
    l->SetInt(0, kBrowser);
    l->SetDouble(1, static_cast<double>(MainFrameId(kBrowser) + 50));
    l->SetString(2, "x");
    l->SetString(3, "<script>ok = 2</script>");
  });
  add([](CefRefPtr<CefListValue> l) {
    l->SetInt(0, kBrowser);
    l->SetDouble(1, static_cast<double>(MainFrameId(kBrowser)));
    l->SetInt(2, 5);
    l->SetList(3, CefListValue::Create());
  });
  // The first four lists name no browser at all.
  for (size_t i = 0; i < 4; ++i) {
    harness_.SendOp(Op::kBrowserCreated, i < 3 ? lists[i] : nullptr);
    harness_.SendOp(Op::kBrowserDestroyed, lists[i]);
  }
  const Op ops[] = {
      Op::kCommitNavigation, Op::kRunDocument,    Op::kExecuteJavaScript,
      Op::kProcessMessage,   Op::kDocumentLoaded, Op::kSubframeCreated,
      Op::kConsoleMessage,   static_cast<Op>(0),  static_cast<Op>(9999)};
  for (Op op : ops) {
    for (const CefRefPtr<CefListValue>& list : lists)
      harness_.SendOp(op, list);
  }
  EXPECT_EQ(events, app_->events.size());
  EXPECT_EQ("1", Eval("ok"));
  EXPECT_FALSE(harness_.process()->finished());
  EXPECT_TRUE(harness_.GetBrowser(kBrowser));
}

TEST_F(RenderProcessTest, RunDocumentIsAlwaysAnsweredButRunsOnce) {
  ASSERT_TRUE(harness_.LoadPage(kBrowser, kPageUrl,
                                "<script>var runs = (window.runs || 0) + 1;"
                                "</script>"));
  CefRefPtr<CefListValue> run = CefListValue::Create();
  run->SetInt(0, kBrowser);
  run->SetDouble(1, static_cast<double>(MainFrameId(kBrowser)));
  harness_.SendOp(Op::kRunDocument, run);
  run->SetDouble(1, static_cast<double>(MainFrameId(kBrowser) + 99));
  harness_.SendOp(Op::kRunDocument, run);
  EXPECT_EQ("1", Eval("runs"));
  EXPECT_EQ(3u, harness_.OpsOf(Op::kDocumentLoaded).size());
}

}  // namespace
