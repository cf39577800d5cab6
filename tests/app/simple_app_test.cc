#include "app/simple_app.h"

#include <thread>

#include "gtest/gtest.h"
#include "tests/support/framework_thread.h"

namespace {

TEST(SimpleApp, HandlerGettersHandOutTheOneObject) {
  CefRefPtr<SimpleApp> app(new SimpleApp());
  ASSERT_TRUE(app->HasOneRef());
  {
    CefRefPtr<CefBrowserProcessHandler> browser_side =
        app->GetBrowserProcessHandler();
    CefRefPtr<CefRenderProcessHandler> render_side =
        app->GetRenderProcessHandler();
    EXPECT_EQ(static_cast<SimpleApp*>(browser_side.get()), app.get());
    EXPECT_EQ(static_cast<SimpleApp*>(render_side.get()), app.get());
    EXPECT_FALSE(app->HasOneRef());
  }
  // Releasing the interfaces leaves the entry point's reference.
  EXPECT_TRUE(app->HasOneRef());
  EXPECT_FALSE(app->GetResourceBundleHandler());
  EXPECT_FALSE(app->GetPrintHandler());
  EXPECT_FALSE(app->GetLoadHandler());
}

TEST(SimpleApp, StartsWithoutHostValuesAndAnEmptyCache) {
  CefRefPtr<SimpleApp> app(new SimpleApp());
  EXPECT_EQ(app->parent_window(), nullptr);
  const RECT& bounds = app->window_bounds();
  EXPECT_EQ(bounds.left | bounds.top | bounds.right | bounds.bottom, 0);
  EXPECT_TRUE(app->GetNormalVoices().empty());
  EXPECT_TRUE(app->GetHornVoices().empty());
  EXPECT_EQ(app->GetFilteredCount(), 0);
  EXPECT_TRUE(app->GetUserOptionsJson().empty());
}

// Only a width and height that an int holds size a window: right - left
// of two ints can be larger (2,147,483,654 for the first bounds below).
TEST(SimpleApp, BoundsWithoutAWindowSizeAreRefused) {
  CefRefPtr<SimpleApp> app(new SimpleApp());
  const RECT good = {100, 50, 900, 650};
  EXPECT_TRUE(app->SetWindowBounds(good));
  for (const RECT& bad :
       {RECT{-2147483647, 1, 7, 1}, RECT{0, -2147483647, 1, 2147483647},
        RECT{10, 0, 9, 5}, RECT{0, 10, 5, 9}}) {
    EXPECT_FALSE(app->SetWindowBounds(bad));
    EXPECT_EQ(app->window_bounds().right, 900);
    EXPECT_EQ(app->window_bounds().bottom, 650);
  }
  EXPECT_TRUE(app->SetWindowBounds({0, 0, 2147483647, 0}));
  EXPECT_TRUE(app->SetWindowBounds({-5, -5, -5, -5}));
}

TEST(SimpleApp, EveryNavigationProceeds) {
  CefRefPtr<SimpleApp> app(new SimpleApp());
  EXPECT_FALSE(app->OnBeforeNavigation(nullptr, nullptr, nullptr,
                                       NAVIGATION_LINK_CLICKED, false));
  EXPECT_FALSE(app->OnBeforeNavigation(nullptr, nullptr, nullptr,
                                       NAVIGATION_OTHER, true));
}

TEST(SimpleApp, ALaterAppLeavesTheCacheLockAsItIs) {
  CefRefPtr<SimpleApp> first(new SimpleApp());
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE release = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  std::thread holder([&] {
    EnterCriticalSection(&g_cache_lock);
    SetEvent(held);
    WaitForSingleObject(release, INFINITE);
    LeaveCriticalSection(&g_cache_lock);
  });
  WaitForSingleObject(held, INFINITE);
  CefRefPtr<SimpleApp> second(new SimpleApp());
  // Still held by the other thread: the lock was not initialised again.
  const bool entered = TryEnterCriticalSection(&g_cache_lock) != FALSE;
  if (entered)
    LeaveCriticalSection(&g_cache_lock);
  SetEvent(release);
  holder.join();
  CloseHandle(held);
  CloseHandle(release);
  EXPECT_FALSE(entered);
}

}  // namespace
