// A page whose script never yields, at once or from a timer: each loop is
// stopped by the script budget and reported, and the rest of the page runs.
#include "gtest/gtest.h"
#include "src/script/script_budget.h"
#include "src/testing/render_harness.h"
#include "tests/framework_renderer/test_render_app.h"

namespace {

using cef_internal::Op;
using cef_internal::RenderHarness;
using cef_internal::ScriptBudget;
using renderer_test::TestRenderApp;

constexpr int kBrowser = 4;

class ScriptBudgetPageTest : public ::testing::Test {
 protected:
  ScriptBudgetPageTest() : app_(new TestRenderApp), harness_(app_) {
    ScriptBudget::SetLimitMs(150);
    harness_.CreateBrowser(kBrowser);
  }
  ~ScriptBudgetPageTest() override { ScriptBudget::SetLimitMs(0); }

  int TimeoutReports() const {
    int count = 0;
    for (const RenderHarness::ConsoleLine& line : harness_.console()) {
      if (line.message == "Uncaught RangeError: execution timeout")
        ++count;
    }
    return count;
  }

  CefRefPtr<TestRenderApp> app_;
  RenderHarness harness_;
};

TEST_F(ScriptBudgetPageTest, LoopsAtOnceAndFromATimerEndAndThePageGoesOn) {
  ASSERT_TRUE(harness_.LoadPage(
      kBrowser, "http://example.test/busy.html",
      "<script>setTimeout(function() { for (;;) {} }, 0);"
      "setTimeout(function() { console.log('later timer'); }, 0);"
      "while (true) {}</script>"
      "<script>console.log('next script');"
      "window.onload = function() { while (true) {} };</script>"));
  // The load is answered although its handler never returned by itself.
  EXPECT_EQ(1u, harness_.OpsOf(Op::kDocumentLoaded).size());
  ASSERT_TRUE(harness_.RunUntil([&] {
    return !harness_.console().empty() &&
           harness_.console().back().message == "later timer";
  }));
  EXPECT_EQ(3, TimeoutReports());
  EXPECT_EQ("next script", harness_.console()[1].message);
  EXPECT_EQ("7", harness_.Evaluate(kBrowser, "3 + 4", -1));
}

}  // namespace
