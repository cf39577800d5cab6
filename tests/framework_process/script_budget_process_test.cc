// A render process whose page never yields, at once and from a timer: the
// script budget (inherited through the environment) stops each loop, the
// console reports it, and the page and its process go on.
#include <string>

#include "include/cef_browser.h"
#include "tests/framework_process/process_test_support.h"

namespace process_test {
namespace {

class ScriptBudgetProcessTest : public MultiProcessTest {
 protected:
  // Before the fixture starts the framework, so every render process
  // launched from here inherits it.
  ScriptBudgetProcessTest() {
    SetEnvironmentVariableW(L"KX_SCRIPT_BUDGET_MS", L"200");
  }
  ~ScriptBudgetProcessTest() override {
    SetEnvironmentVariableW(L"KX_SCRIPT_BUDGET_MS", nullptr);
  }
};

TEST_F(ScriptBudgetProcessTest, LoopsAtOnceAndFromATimerEndAndThePageGoesOn) {
  CefRefPtr<CefBrowser> browser = CreateBrowser(
      Page("busy.html",
           "<script>setTimeout(function() { for (;;) {} }, 0);"
           "setTimeout(function() { console.log('later timer'); }, 0);"
           "while (true) {}</script>"
           "<script>console.log('next script');</script>"));
  ASSERT_TRUE(browser);
  const std::string id = std::to_string(browser->GetIdentifier());
  ASSERT_TRUE(log_.WaitFor(id + " console later timer")) << log_.Dump();
  const std::string timeout =
      id + " console Uncaught RangeError: execution timeout";
  EXPECT_EQ(2, log_.Count(timeout)) << log_.Dump();
  EXPECT_LT(log_.IndexOf(timeout), log_.IndexOf(id + " console next script"));
  EXPECT_TRUE(log_.Has(id + " load-end 200"));
  EXPECT_FALSE(log_.HasPrefix(id + " render-terminated")) << log_.Dump();
}

}  // namespace
}  // namespace process_test
