// The page browsers' real windows and their life span.
#include "tests/integration/system_fixture.h"

#include "include/cef_app.h"

namespace {

using BrowserWindowsTest = SystemTest;

std::wstring TitleOf(HWND window) {
  wchar_t title[64] = {};
  GetWindowTextW(window, title, 64);
  return title;
}

TEST_F(BrowserWindowsTest, KxwebIsAHiddenPopupSizedByTheBounds) {
  HWND window = g_client_handler->main_window();
  ASSERT_TRUE(window);
  EXPECT_EQ(TitleOf(window), L"kxweb");
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), 0x86000000u);
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(window));
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left, 0);
  EXPECT_EQ(rect.top, 0);
  EXPECT_EQ(rect.right - rect.left, 800);
  EXPECT_EQ(rect.bottom - rect.top, 600);
  EXPECT_EQ(GetWindow(window, GW_OWNER), host_window_);
}

TEST_F(BrowserWindowsTest, AvatarIsFortyByFortyWithItsStylesUntouched) {
  HWND window = g_client_handler->second_window();
  ASSERT_TRUE(window);
  EXPECT_EQ(TitleOf(window), L"avatar");
  EXPECT_EQ(static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), 0x86000000u);
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(rect.right - rect.left, 40);
  EXPECT_EQ(rect.bottom - rect.top, 40);
  EXPECT_EQ(GetWindow(window, GW_OWNER), host_window_);
  EXPECT_NE(main_browser()->GetIdentifier(), second_browser()->GetIdentifier());
}

TEST_F(BrowserWindowsTest, MainBrowserStaysMainAfterItClosesAndLastCloseQuits) {
  CefRefPtr<CefBrowser> main = main_browser();
  main->GetHost()->CloseBrowser(false);
  ASSERT_TRUE(RunUntil([] { return g_client_handler->browser_count() == 1; }));
  EXPECT_EQ(g_client_handler->main_window(), nullptr);
  EXPECT_TRUE(g_client_handler->main_browser()->IsSame(main));

  // The last close ends a running message loop; with its browsers gone the
  // handler itself goes too.
  second_browser()->GetHost()->CloseBrowser(false);
  CefRunMessageLoop();
  EXPECT_EQ(g_client_handler, nullptr);
}

TEST_F(BrowserWindowsTest, RightClickShowsNoMenu) {
  ASSERT_TRUE(LoadAndWait(main_browser(), WritePage("menu.html", "<p>x</p>")));
  HWND window = g_client_handler->main_window();
  ShowWindow(window, SW_SHOWNOACTIVATE);
  PostMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
               MAKELPARAM(20, 20));
  RunUntil([] { return false; }, 300);
  HWND menu = FindWindowW(L"#32768", nullptr);
  EXPECT_TRUE(menu == nullptr || !IsWindowVisible(menu));
}

}  // namespace
