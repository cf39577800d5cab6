// The application object's thread rules hold in the suite's build: each half
// is called on its own framework thread, or the process ends.
#include <thread>

#include "app/simple_app.h"
#include "gtest/gtest.h"
#include "tests/support/framework_thread.h"

namespace {

TEST(SimpleAppThreadRulesDeathTest, ExtraInfoOffTheIoThreadEndsTheProcess) {
  CefRefPtr<SimpleApp> app(new SimpleApp());
  EXPECT_DEATH(app->OnRenderProcessThreadCreated(CefListValue::Create()),
               "Check failed: CefCurrentlyOn\\(TID_IO\\)");
}

TEST(SimpleAppThreadRulesDeathTest, RenderSideOffItsMainThreadEndsTheProcess) {
  CefRefPtr<SimpleApp> app(new SimpleApp());
  EXPECT_DEATH(std::thread([&] {
                 app->OnBeforeNavigation(nullptr, nullptr, nullptr,
                                         NAVIGATION_OTHER, false);
               }).join(),
               "Check failed: CefCurrentlyOn\\(TID_RENDERER\\)");
}

}  // namespace
