// Page script that never yields is stopped by the script budget, reported on
// the console, and the thread goes on with the next script or timer.
#include <windows.h>

#include "gtest/gtest.h"
#include "src/script/script_budget.h"
#include "tests/framework_script/script_test_support.h"

namespace {

using cef_internal::ScriptBudget;
using cef_internal::V8ContextImpl;
using script_test::EvalToString;
using script_test::MakeContext;
using script_test::Pump;
using script_test::RecordingDelegate;

constexpr int kShortBudgetMs = 150;

bool IsTimeoutReport(const script_test::ConsoleEntry& entry) {
  return entry.level == LOGSEVERITY_ERROR &&
         entry.message == "Uncaught RangeError: execution timeout";
}

class ScriptBudgetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ScriptBudget::SetLimitMs(kShortBudgetMs);
    context_ = MakeContext(&delegate_);
    ASSERT_TRUE(context_);
  }
  void TearDown() override {
    if (context_)
      context_->Invalidate();
    ScriptBudget::SetLimitMs(0);
  }

  RecordingDelegate delegate_;
  CefRefPtr<V8ContextImpl> context_;
};

TEST_F(ScriptBudgetTest, ALoopThatNeverEndsIsStoppedAndReported) {
  EXPECT_FALSE(context_->RunScript("var before = 1;\nwhile (true) {}",
                                   "http://example.test/loop.js", 1));
  ASSERT_EQ(1u, delegate_.console.size());
  EXPECT_TRUE(IsTimeoutReport(delegate_.console[0]))
      << delegate_.console[0].message;
  EXPECT_EQ("http://example.test/loop.js", delegate_.console[0].source);
  // The context goes on, with a whole budget for the next script.
  EXPECT_TRUE(context_->RunScript("var after = before + 1;", "", 1));
  EXPECT_EQ("2", EvalToString(context_, "after"));
}

TEST_F(ScriptBudgetTest, CatchingTheTimeoutDoesNotOutlastIt) {
  EXPECT_FALSE(context_->RunScript(
      "var caught = 0, finished = 0;"
      "try { while (true) {} } catch (e) { caught++; while (true) {} }"
      " finally { finished++; for (;;) {} }",
      "", 1));
  ASSERT_EQ(1u, delegate_.console.size());
  EXPECT_TRUE(IsTimeoutReport(delegate_.console[0]));
  // Not one instruction runs once the budget is spent, not even a handler's.
  EXPECT_EQ("0,0", EvalToString(context_, "caught + ',' + finished"));
}

TEST_F(ScriptBudgetTest, HostEvalOfALoopGetsTheTimeoutAsException) {
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> exception;
  EXPECT_FALSE(context_->Eval("for (var i = 0; ; i++) {}", value, exception));
  ASSERT_TRUE(exception);
  EXPECT_EQ("Uncaught RangeError: execution timeout",
            exception->GetMessage().ToString());
  EXPECT_EQ("3", EvalToString(context_, "1 + 2"));
}

TEST_F(ScriptBudgetTest, ATimerThatNeverYieldsIsStoppedAndLaterTimersRun) {
  EvalToString(context_,
               "setTimeout(function() { while (true) {} }, 0);"
               "setTimeout(function() { console.log('next timer'); }, 0);");
  ASSERT_TRUE(Pump([&] { return delegate_.console.size() >= 2; }, 10000));
  EXPECT_TRUE(IsTimeoutReport(delegate_.console[0]))
      << delegate_.console[0].message;
  EXPECT_EQ("next timer", delegate_.console[1].message);
}

TEST_F(ScriptBudgetTest, OtherContextsAreNotStoppedWithTheLoopingOne) {
  RecordingDelegate other_delegate;
  CefRefPtr<V8ContextImpl> other = MakeContext(&other_delegate);
  ASSERT_TRUE(other);
  EXPECT_FALSE(context_->RunScript("while (true) {}", "", 1));
  EXPECT_TRUE(other->RunScript("var fine = 'yes';", "", 1));
  EXPECT_EQ("yes", EvalToString(other, "fine"));
  EXPECT_TRUE(other_delegate.console.empty());
  other->Invalidate();
}

TEST(ScriptBudgetLimitTest, TheEnvironmentSetsTheLimitWhenValid) {
  SetEnvironmentVariableW(L"KX_SCRIPT_BUDGET_MS", L"1234");
  ScriptBudget::SetLimitMs(0);
  EXPECT_EQ(1234, ScriptBudget::LimitMs());
  ScriptBudget::SetLimitMs(99);
  EXPECT_EQ(99, ScriptBudget::LimitMs());
  for (const wchar_t* bad : {L"", L"0", L"-5", L"12x", L"99999999999999"}) {
    SetEnvironmentVariableW(L"KX_SCRIPT_BUDGET_MS", bad);
    ScriptBudget::SetLimitMs(0);
    EXPECT_EQ(ScriptBudget::kDefaultLimitMs, ScriptBudget::LimitMs());
  }
  SetEnvironmentVariableW(L"KX_SCRIPT_BUDGET_MS", nullptr);
  ScriptBudget::SetLimitMs(0);
  EXPECT_EQ(ScriptBudget::kDefaultLimitMs, ScriptBudget::LimitMs());
}

}  // namespace
