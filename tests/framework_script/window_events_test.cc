// The window's event model as pages use it: listeners and window.onload for
// the load event, custom events a page or the application dispatches, and
// the errors a browser gives for misuse.
#include "src/script/window_events.h"
#include "gtest/gtest.h"
#include "tests/framework_script/script_test_support.h"

namespace {

using cef_internal::V8ContextImpl;
using cef_internal::WindowEvents;
using script_test::EvalToString;
using script_test::MakeContext;
using script_test::RecordingDelegate;

class WindowEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = MakeContext(&delegate_);
    ASSERT_TRUE(context_);
  }
  void TearDown() override { context_->Invalidate(); }

  std::string Eval(const std::string& code) {
    return EvalToString(context_, code);
  }

  RecordingDelegate delegate_;
  CefRefPtr<V8ContextImpl> context_;
};

TEST_F(WindowEventsTest, LoadReachesTheAttributeAndEveryListenerInOrder) {
  ASSERT_TRUE(context_->RunScript(
      "var log = [];"
      "addEventListener('load', function(e) { log.push('first:' + e.type); });"
      "window.onload = function(e) { log.push('attr:' + e.isTrusted); };"
      "window.addEventListener('load', function() { log.push('last'); });",
      "file:///p.html", 1));
  WindowEvents::DispatchTrusted(context_.get(), "load");
  EXPECT_EQ("first:load,attr:true,last", Eval("log.join()"));
}

TEST_F(WindowEventsTest, OnloadIsAnEventHandlerAttribute) {
  EXPECT_EQ("null", Eval("String(window.onload)"));
  EXPECT_EQ("null", Eval("window.onload = 5; String(window.onload)"));
  // Setting it again replaces the handler and moves it behind the
  // listeners added since; null removes it.
  ASSERT_TRUE(context_->RunScript(
      "var log = [];"
      "onload = function() { log.push('old'); };"
      "addEventListener('load', function() { log.push('listener'); });"
      "onload = function() { log.push('new'); };",
      "file:///p.html", 1));
  WindowEvents::DispatchTrusted(context_.get(), "load");
  EXPECT_EQ("listener,new", Eval("log.join()"));
  Eval("log = []; onload = null;");
  WindowEvents::DispatchTrusted(context_.get(), "load");
  EXPECT_EQ("listener", Eval("log.join()"));
}

TEST_F(WindowEventsTest, AListenerThatThrowsIsReportedAndTheOthersRun) {
  ASSERT_TRUE(context_->RunScript(
      "var ran = 0;\n"
      "addEventListener('load', function() { throw new Error('boom'); });\n"
      "addEventListener('load', function() { ++ran; });",
      "file:///p.html", 1));
  WindowEvents::DispatchTrusted(context_.get(), "load");
  EXPECT_EQ("1", Eval("ran"));
  ASSERT_EQ(1u, delegate_.console.size());
  EXPECT_EQ("Uncaught Error: boom", delegate_.console[0].message);
  EXPECT_EQ(LOGSEVERITY_ERROR, delegate_.console[0].level);
  EXPECT_EQ(2, delegate_.console[0].line);
}

TEST_F(WindowEventsTest, CustomEventsCarryTheirDetail) {
  EXPECT_EQ("7|kx|false|true|true|0",
            Eval("var seen;"
                 "addEventListener('kx', function(e) {"
                 "  seen = [e.detail.n, e.type, e.isTrusted,"
                 "          e.target === window, e.currentTarget === window,"
                 "          ];"
                 "});"
                 "var e = new CustomEvent('kx', {detail: {n: 7}});"
                 "dispatchEvent(e);"
                 "seen.concat([e.eventPhase]).join('|')"));
  EXPECT_EQ("null|true|true",
            Eval("var plain = new CustomEvent('x');"
                 "[String(plain.detail), plain instanceof Event,"
                 " plain instanceof CustomEvent].join('|')"));
}

TEST_F(WindowEventsTest, ListenersAreKeptOnceAndRemovedByTheirOwnKey) {
  EXPECT_EQ("2", Eval("var n = 0; function f() { ++n; }"
                      "addEventListener('x', f); addEventListener('x', f);"
                      "addEventListener('x', f, true);"
                      "var o = {handleEvent: function() { ++n; }};"
                      "addEventListener('x', o);"
                      "removeEventListener('x', f, true);"
                      "addEventListener('x', null); addEventListener('x', 'f');"
                      "dispatchEvent(new Event('x')); n"));
  EXPECT_EQ("0", Eval("n = 0; removeEventListener('x', f);"
                      "removeEventListener('x', o);"
                      "dispatchEvent(new Event('x')); n"));
}

TEST_F(WindowEventsTest, ChangesDuringADispatchApplyToTheNextOne) {
  EXPECT_EQ("a,c|a,c,b",
            Eval("var log = [];"
                 "function a() { log.push('a');"
                 "  addEventListener('x', b); removeEventListener('x', c2); }"
                 "function b() { log.push('b'); }"
                 "function c() { log.push('c'); }"
                 "function c2() { log.push('c2'); }"
                 "addEventListener('x', a); addEventListener('x', c);"
                 "addEventListener('x', c2);"
                 "dispatchEvent(new Event('x')); var first = log.join();"
                 "log = []; dispatchEvent(new Event('x'));"
                 "first + '|' + log.join()"));
}

TEST_F(WindowEventsTest, CancelAndStopAsInABrowser) {
  EXPECT_EQ("true|false|1",
            Eval("var n = 0;"
                 "addEventListener('x', function(e) {"
                 "  e.preventDefault(); e.stopImmediatePropagation(); ++n; });"
                 "addEventListener('x', function() { ++n; });"
                 "[dispatchEvent(new Event('x')),"
                 " dispatchEvent(new Event('x', {cancelable: true})),"
                 " n / 2].join('|')"));
}

TEST_F(WindowEventsTest, MisuseThrowsAsInABrowser) {
  EXPECT_EQ(
      "throws: Uncaught TypeError: Failed to execute 'dispatchEvent' on "
      "'EventTarget': parameter 1 is not of type 'Event'.",
      Eval("dispatchEvent({type: 'x'})"));
  EXPECT_EQ(
      "throws: Uncaught TypeError: Failed to construct 'Event': 1 argument "
      "required, but only 0 present.",
      Eval("new Event()"));
  EXPECT_EQ(0u, Eval("Event('x')").find("throws: Uncaught TypeError"));
  EXPECT_EQ("InvalidStateError",
            Eval("var r; addEventListener('again', function(e) {"
                 "  try { dispatchEvent(e); } catch (x) { r = x.name; } });"
                 "dispatchEvent(new Event('again')); r"));
  EXPECT_EQ("false", Eval("var fake = Object.create(Event.prototype);"
                          "try { fake.type; 'true' } catch (x) { false }"));
}

TEST_F(WindowEventsTest, EventStateIsOutOfThePageReach) {
  EXPECT_EQ("isTrusted",
            Eval("var e = new Event('x');"
                 "Object.getOwnPropertyNames(e).concat("
                 "    Object.getOwnPropertySymbols(e).map(String)).join()"));
  EXPECT_EQ("false", Eval("e.isTrusted = true; e.isTrusted"));
  // One getter serves every event, and only events.
  EXPECT_EQ(
      "shared refused",
      Eval("function getter(v) {"
           "  return Object.getOwnPropertyDescriptor(v, 'isTrusted').get;"
           "}"
           "var other = new CustomEvent('y');"
           "(getter(e) === getter(other) ? 'shared' : 'apart') + ' ' +"
           "(function() {"
           "  try { getter(e).call({}); return 'read'; }"
           "  catch (x) { return x instanceof TypeError ? 'refused' : x; }"
           "})()"));
}

}  // namespace
