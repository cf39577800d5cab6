// Script contexts: isolation, the current/entered context, native
// functions, the page globals, timers and how errors reach the console.
#include "gtest/gtest.h"
#include "src/script/context_stack.h"
#include "tests/framework_script/script_test_support.h"

namespace {

using cef_internal::V8ContextImpl;
using script_test::EvalToString;
using script_test::MakeContext;
using script_test::Pump;
using script_test::RecordingDelegate;

// Records each call and answers as configured.
class TestHandler : public CefV8Handler {
 public:
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    names.push_back(name.ToString());
    last_this = object;
    last_arguments = arguments;
    current = CefV8Context::GetCurrentContext();
    if (!exception_text.empty())
      exception = exception_text;
    retval = result;
    return handled;
  }

  bool handled = true;
  std::string exception_text;
  CefRefPtr<CefV8Value> result;
  std::vector<std::string> names;
  CefRefPtr<CefV8Value> last_this;
  CefV8ValueList last_arguments;
  CefRefPtr<CefV8Context> current;

  IMPLEMENT_REFCOUNTING(TestHandler);
};

class V8ContextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = MakeContext(&delegate_);
    ASSERT_TRUE(context_);
  }
  void TearDown() override {
    if (context_)
      context_->Invalidate();
  }

  // Installs a function named |name| backed by |handler| as a global.
  void InstallFunction(const char* name, CefRefPtr<TestHandler> handler) {
    ASSERT_TRUE(context_->Enter());
    CefRefPtr<CefV8Value> fn = CefV8Value::CreateFunction(name, handler);
    ASSERT_TRUE(fn);
    context_->GetGlobal()->SetValue(name, fn, V8_PROPERTY_ATTRIBUTE_NONE);
    context_->Exit();
  }

  RecordingDelegate delegate_;
  CefRefPtr<V8ContextImpl> context_;
};

TEST_F(V8ContextTest, ContextsDoNotShareGlobals) {
  RecordingDelegate other_delegate;
  CefRefPtr<V8ContextImpl> other = MakeContext(&other_delegate);
  EXPECT_EQ("1", EvalToString(context_, "var shared = 1; shared"));
  EXPECT_EQ("undefined", EvalToString(other, "typeof shared"));
  EXPECT_FALSE(context_->IsSame(other));
  EXPECT_TRUE(context_->IsSame(context_));
  other->Invalidate();
}

TEST_F(V8ContextTest, EnterAndExitKeepAStack) {
  RecordingDelegate other_delegate;
  CefRefPtr<V8ContextImpl> other = MakeContext(&other_delegate);
  EXPECT_FALSE(CefV8Context::InContext());
  ASSERT_TRUE(context_->Enter());
  ASSERT_TRUE(other->Enter());
  EXPECT_TRUE(CefV8Context::GetCurrentContext()->IsSame(other));
  EXPECT_TRUE(CefV8Context::GetEnteredContext()->IsSame(context_));
  EXPECT_FALSE(context_->Exit());  // not the innermost
  EXPECT_TRUE(other->Exit());
  EXPECT_TRUE(context_->Exit());
  EXPECT_FALSE(CefV8Context::InContext());
  other->Invalidate();
}

TEST_F(V8ContextTest, NativeFunctionSeesItsContextArgumentsAndThis) {
  CefRefPtr<TestHandler> handler = new TestHandler;
  handler->result = CefV8Value::CreateString("done");
  InstallFunction("native", handler);
  EXPECT_EQ("done",
            EvalToString(context_, "var o = {f: native}; o.f(1, 'two', [3])"));
  ASSERT_EQ(1u, handler->names.size());
  EXPECT_EQ("native", handler->names[0]);
  ASSERT_EQ(3u, handler->last_arguments.size());
  EXPECT_EQ(1, handler->last_arguments[0]->GetIntValue());
  EXPECT_EQ("two", handler->last_arguments[1]->GetStringValue().ToString());
  EXPECT_TRUE(handler->last_arguments[2]->IsArray());
  EXPECT_TRUE(handler->last_this->HasValue("f"));
  ASSERT_TRUE(handler->current);
  EXPECT_TRUE(handler->current->IsSame(context_));
  EXPECT_FALSE(CefV8Context::InContext());
}

TEST_F(V8ContextTest, NativeFunctionOutcomes) {
  CefRefPtr<TestHandler> handler = new TestHandler;
  InstallFunction("native", handler);
  handler->handled = false;
  handler->result = CefV8Value::CreateInt(5);
  EXPECT_EQ("undefined", EvalToString(context_, "typeof native()"));
  handler->handled = true;
  handler->result = nullptr;
  EXPECT_EQ("undefined", EvalToString(context_, "typeof native()"));
  handler->exception_text = "bad input";
  EXPECT_EQ("true bad input",
            EvalToString(context_,
                         "try { native(); 'no' } catch (e) {"
                         " (e instanceof Error) + ' ' + e.message }"));
  EXPECT_EQ("throws: Uncaught Error: bad input",
            EvalToString(context_, "native()"));
  CefRefPtr<CefV8Value> fn = context_->GetGlobal()->GetValue("native");
  EXPECT_EQ(handler.get(), fn->GetFunctionHandler().get());
  EXPECT_EQ("native", fn->GetFunctionName().ToString());
}

// Counts live instances, to show that a throwing call leaks nothing.
class CountedHandler : public CefV8Handler {
 public:
  explicit CountedHandler(int* live) : live_(live) { ++*live_; }
  ~CountedHandler() override { --*live_; }
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    exception = "always";
    return true;
  }

 private:
  int* live_;
  IMPLEMENT_REFCOUNTING(CountedHandler);
};

TEST_F(V8ContextTest, ThrowingHandlersReleaseEverything) {
  int live = 0;
  {
    CefRefPtr<CefV8Handler> handler = new CountedHandler(&live);
    ASSERT_TRUE(context_->Enter());
    context_->GetGlobal()->SetValue(
        "thrower", CefV8Value::CreateFunction("thrower", handler),
        V8_PROPERTY_ATTRIBUTE_NONE);
    context_->Exit();
  }
  EXPECT_EQ("100", EvalToString(context_,
                                "var n = 0; for (var i = 0; i < 100; ++i) {"
                                " try { thrower({}, [i]); } catch (e) { ++n; }"
                                "} n"));
  EXPECT_EQ(1, live);
  context_->Invalidate();
  context_ = nullptr;
  EXPECT_EQ(0, live);
}

// Reads its first argument's properties while the script's own values are
// still on the heap's stack.
class Reader : public CefV8Handler {
 public:
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    std::vector<CefString> keys;
    arguments[0]->GetKeys(keys);
    std::string text;
    for (const CefString& key : keys) {
      CefRefPtr<CefV8Value> value = arguments[0]->GetValue(key);
      text += key.ToString() + "=" +
              (value ? value->GetStringValue().ToString() : "<thrown>") + ";";
    }
    arguments[0]->SetValue("seen", CefV8Value::CreateBool(true),
                           V8_PROPERTY_ATTRIBUTE_NONE);
    retval = CefV8Value::CreateString(text);
    return true;
  }
  IMPLEMENT_REFCOUNTING(Reader);
};

TEST_F(V8ContextTest, ObjectOperationsWorkInsideNativeCalls) {
  ASSERT_TRUE(context_->Enter());
  context_->GetGlobal()->SetValue(
      "read", CefV8Value::CreateFunction("read", new Reader),
      V8_PROPERTY_ATTRIBUTE_NONE);
  context_->Exit();
  EXPECT_EQ("a=x;b=y;bad=<thrown>;|true",
            EvalToString(context_,
                         "var a = 1, b = 2, o = {a: 'x', b: 'y',"
                         " get bad() { throw 1; }};"
                         "read(o) + '|' + o.seen"));
}

TEST_F(V8ContextTest, WindowIsTheGlobalObject) {
  EXPECT_EQ("true", EvalToString(context_, "window === this"));
  EXPECT_EQ("true", EvalToString(context_, "var g = 1; window.g === 1"));
  EXPECT_EQ("true", EvalToString(context_, "window = 5; window === this"));
  EXPECT_EQ("null", EvalToString(context_, "String(window.onload)"));
}

TEST_F(V8ContextTest, ConsoleGoesToTheDelegate) {
  ASSERT_TRUE(
      context_->RunScript("\nconsole.log('a', 1, {});\nconsole.error('bad');",
                          "file:///p.html", 10));
  ASSERT_EQ(2u, delegate_.console.size());
  EXPECT_EQ("a 1 [object Object]", delegate_.console[0].message);
  EXPECT_EQ(LOGSEVERITY_INFO, delegate_.console[0].level);
  EXPECT_EQ("file:///p.html", delegate_.console[0].source);
  EXPECT_EQ(11, delegate_.console[0].line);
  EXPECT_EQ(LOGSEVERITY_ERROR, delegate_.console[1].level);
  EXPECT_EQ(12, delegate_.console[1].line);
}

TEST_F(V8ContextTest, UncaughtErrorsAreReportedNotFatal) {
  EXPECT_FALSE(context_->RunScript("var before = 1;\nthrow new Error('boom');",
                                   "http://x/a.js", 1));
  ASSERT_EQ(1u, delegate_.console.size());
  EXPECT_EQ("Uncaught Error: boom", delegate_.console[0].message);
  EXPECT_EQ("http://x/a.js", delegate_.console[0].source);
  EXPECT_EQ(2, delegate_.console[0].line);
  EXPECT_FALSE(context_->RunScript("this is not script", "http://x/b.js", 1));
  ASSERT_EQ(2u, delegate_.console.size());
  EXPECT_EQ(0u, delegate_.console[1].message.find("Uncaught SyntaxError"));
  EXPECT_TRUE(context_->RunScript("before = 2;", "http://x/c.js", 1));
  EXPECT_EQ("2", EvalToString(context_, "before"));
}

TEST_F(V8ContextTest, EvalReportsExceptionsToTheCaller) {
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> exception;
  EXPECT_FALSE(context_->Eval("\n\nnoSuchThing()", value, exception));
  ASSERT_TRUE(exception);
  EXPECT_EQ(3, exception->GetLineNumber());
  EXPECT_EQ("noSuchThing()", exception->GetSourceLine().ToString());
  EXPECT_EQ(0u, exception->GetMessage().ToString().find("Uncaught "));
  EXPECT_TRUE(delegate_.console.empty());
  EXPECT_FALSE(context_->Eval("", value, exception));
}

TEST_F(V8ContextTest, WindowOpenAndCloseGoToTheDelegate) {
  EXPECT_EQ("null",
            EvalToString(context_, "String(window.open('page.html', 'side'))"));
  EvalToString(context_, "open(); window.close();");
  ASSERT_EQ(2u, delegate_.opened.size());
  EXPECT_EQ("page.html|side", delegate_.opened[0]);
  EXPECT_EQ("|", delegate_.opened[1]);
  EXPECT_EQ(1, delegate_.close_requests);
}

// Only orders that no scheduling delay can change are asserted: equal
// delays keep their creation order, and a later-created timer with a longer
// delay is never due earlier.
TEST_F(V8ContextTest, TimersRunInDueOrderWithArguments) {
  EvalToString(context_,
               "var order = [];"
               "setTimeout(function(a, b) { order.push(a + b); }, 0, 'x', 'y');"
               "setTimeout('order.push(\"code\")', 0);"
               "var dropped = setTimeout(function() { order.push('no'); }, 0);"
               "setTimeout(function() { order.push('late'); }, 30);"
               "clearTimeout(dropped);");
  ASSERT_TRUE(Pump([&] { return context_->timers().size() == 0; }));
  EXPECT_EQ("xy,code,late", EvalToString(context_, "order.join()"));
}

// The loop may hand a timer back before one that is due earlier; the
// earlier one still runs first, and exactly once.
TEST_F(V8ContextTest, EarlierTimersRunBeforeALaterOneThatFires) {
  std::string later =
      EvalToString(context_,
                   "var order = [];"
                   "setTimeout(function() { order.push('a'); }, 0);"
                   "setTimeout(function() { order.push('b'); }, 40);");
  context_->timers().Fire(std::stoi(later));
  EXPECT_EQ("a,b", EvalToString(context_, "order.join()"));
  ASSERT_TRUE(Pump([&] { return context_->timers().size() == 0; }));
  int spins = 0;
  Pump([&] { return ++spins > 5; }, 100);
  EXPECT_EQ("a,b", EvalToString(context_, "order.join()"));
}

TEST_F(V8ContextTest, TimersStopWithTheirContext) {
  EvalToString(context_,
               "setTimeout(function() { console.log('too late'); }, 0);");
  context_->Invalidate();
  int spins = 0;
  Pump([&] { return ++spins > 20; }, 200);
  EXPECT_TRUE(delegate_.console.empty());
}

TEST_F(V8ContextTest, TimerErrorsAreUncaught) {
  EvalToString(context_,
               "setTimeout(function() { throw new Error('in timer'); }, 0);");
  ASSERT_TRUE(Pump([&] { return !delegate_.console.empty(); }));
  EXPECT_EQ("Uncaught Error: in timer", delegate_.console[0].message);
}

TEST_F(V8ContextTest, ReleasingTheContextFromInsideItsScriptIsSafe) {
  // A handler that ends its own context mid-call, like a page whose
  // navigation is committed while it runs.
  class Releaser : public CefV8Handler {
   public:
    bool Execute(const CefString& name,
                 CefRefPtr<CefV8Value> object,
                 const CefV8ValueList& arguments,
                 CefRefPtr<CefV8Value>& retval,
                 CefString& exception) override {
      static_cast<V8ContextImpl*>(CefV8Context::GetCurrentContext().get())
          ->Invalidate();
      retval = CefV8Value::CreateInt(1);
      return true;
    }
    IMPLEMENT_REFCOUNTING(Releaser);
  };
  ASSERT_TRUE(context_->Enter());
  context_->GetGlobal()->SetValue(
      "release", CefV8Value::CreateFunction("release", new Releaser),
      V8_PROPERTY_ATTRIBUTE_NONE);
  context_->Exit();
  context_->RunScript("var r = release(); var after = r + 1;", "", 1);
  EXPECT_FALSE(context_->IsValid());
  EXPECT_FALSE(context_->heap());
}

}  // namespace
