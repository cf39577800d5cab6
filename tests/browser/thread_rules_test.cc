// The handler's thread rules hold in the suite's build: a framework callback
// reached on another thread than its own ends the process, naming the rule.
#include <thread>

#include "browser/embed_browser_handler.h"
#include "gtest/gtest.h"
#include "tests/support/fake_browser.h"
#include "tests/support/framework_thread.h"

namespace {

bool DecidePopup(EmbedBrowserHandler* handler) {
  CefWindowInfo window_info;
  CefRefPtr<CefClient> client;
  CefBrowserSettings settings;
  bool no_javascript_access = false;
  return handler->OnBeforePopup(nullptr, nullptr, "https://example.com/", "",
                                WOD_NEW_FOREGROUND_TAB, false,
                                CefPopupFeatures(), window_info, client,
                                settings, &no_javascript_access);
}

TEST(ThreadRulesDeathTest, APopupDecidedOffTheIoThreadEndsTheProcess) {
  CefRefPtr<EmbedBrowserHandler> handler(new EmbedBrowserHandler());
  EXPECT_DEATH(DecidePopup(handler.get()),
               "Check failed: CefCurrentlyOn\\(TID_IO\\)");
}

TEST(ThreadRulesDeathTest, ABrowserReportedOffTheUiThreadEndsTheProcess) {
  CefRefPtr<EmbedBrowserHandler> handler(new EmbedBrowserHandler());
  CefRefPtr<FakeBrowser> browser(new FakeBrowser(1));
  EXPECT_DEATH(
      std::thread([&] { handler->OnAfterCreated(browser.get()); }).join(),
      "Check failed: CefCurrentlyOn\\(TID_UI\\)");
}

// The rule's own thread passes: the same call on the UI thread goes on.
TEST(ThreadRules, ACallOnItsOwnThreadGoesOn) {
  CefRefPtr<EmbedBrowserHandler> handler(new EmbedBrowserHandler());
  EXPECT_FALSE(handler->OnConsoleMessage(nullptr, "text", "page", 1));
}

}  // namespace
