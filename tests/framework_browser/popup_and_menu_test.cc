// Pop-ups asked for by pages, window.close(), and the context menu.
#include "src/browser/menu_model_impl.h"
#include "tests/framework_browser/browser_test_support.h"

namespace browser_test {
namespace {

class PopupTest : public BrowserTest {
 protected:
  CefRefPtr<CefBrowser> OpenOpener() {
    pages_.Write("target.html", "<script>console.log('popup page');</script>");
    return CreateBrowser(pages_.Write(
        "opener.html", "<script>window.open('target.html', 'win');</script>"));
  }
};

TEST_F(PopupTest, CancelledPopupOpensNothing) {
  client_->on_before_popup = [](CefWindowInfo&) { return true; };
  CefRefPtr<CefBrowser> opener = OpenOpener();
  ASSERT_TRUE(opener);
  std::string expected = "before-popup main " + pages_.Url("target.html") +
                         " win " + std::to_string(WOD_NEW_FOREGROUND_TAB) +
                         " no-gesture";
  ASSERT_TRUE(log_.WaitFor(expected)) << log_.Dump();
  ASSERT_TRUE(RoundTrip(opener, "settled"));
  EXPECT_EQ(1u, client_->browsers.size());

  // What the handler was offered: a default pop-up and the opener's client.
  const CefWindowInfo& info = client_->last_popup_info;
  EXPECT_EQ(static_cast<DWORD>(WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN |
                               WS_CLIPSIBLINGS | WS_VISIBLE),
            info.style);
  EXPECT_EQ(nullptr, info.parent_window);
  EXPECT_EQ(CW_USEDEFAULT, info.width);
  EXPECT_EQ(client_.get(), client_->last_popup_client.get());
  // On the framework's IO thread, as in the real framework.
  EXPECT_NE(0u, client_->popup_thread);
  EXPECT_NE(GetCurrentThreadId(), client_->popup_thread);
}

TEST_F(PopupTest, AllowedPopupUsesTheChangedWindowInfo) {
  HWND parent = parent_;
  client_->on_before_popup = [parent](CefWindowInfo& info) {
    info = HiddenPopupInfo(parent, "popup");
    info.width = 300;
    info.height = 200;
    return false;
  };
  CefRefPtr<CefBrowser> opener = OpenOpener();
  ASSERT_TRUE(opener);
  ASSERT_TRUE(log_.WaitFor("popup load-end main 200")) << log_.Dump();
  EXPECT_TRUE(log_.Has("popup console popup page"));
  ASSERT_EQ(2u, client_->browsers.size());
  CefRefPtr<CefBrowser> popup = client_->browsers[1];
  EXPECT_TRUE(popup->IsPopup());
  EXPECT_EQ(pages_.Url("target.html"),
            popup->GetMainFrame()->GetURL().ToString());
  EXPECT_EQ(opener->GetHost()->GetWindowHandle(),
            popup->GetHost()->GetOpenerWindowHandle());
  HWND window = popup->GetHost()->GetWindowHandle();
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(300, rect.right - rect.left);
  EXPECT_EQ(200, rect.bottom - rect.top);
  EXPECT_FALSE(IsWindowVisible(window));
}

TEST_F(PopupTest, WindowCloseClosesTheBrowser) {
  CefRefPtr<CefBrowser> browser = CreateBrowser(
      pages_.Write("closer.html", "<script>window.close();</script>"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("before-close")) << log_.Dump();
  EXPECT_LT(log_.IndexOf("do-close"), log_.IndexOf("before-close"));
}

class ContextMenuTest : public BrowserTest {
 protected:
  void PostContextMenu(CefRefPtr<CefBrowser> browser) {
    HWND window = browser->GetHost()->GetWindowHandle();
    RECT rect;
    GetWindowRect(window, &rect);
    PostMessageW(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                 MAKELPARAM(rect.left + 10, rect.top + 10));
  }
};

// A menu window of the system's menu class that is showing.
bool MenuShowing() {
  HWND menu = FindWindowW(L"#32768", nullptr);
  return menu && IsWindowVisible(menu);
}

TEST_F(ContextMenuTest, ClearedModelShowsNoMenu) {
  client_->clear_menu = true;
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  PostContextMenu(browser);
  ASSERT_TRUE(log_.WaitFor("before-context-menu main")) << log_.Dump();
  Settle();
  EXPECT_FALSE(MenuShowing());
  EXPECT_FALSE(log_.Has("run-context-menu"));
  // The framework's default items were offered first.
  ASSERT_GE(client_->last_menu_item_count, 3);
  EXPECT_EQ(cef_internal::kMenuIdBack, client_->last_menu_commands[0]);
  EXPECT_EQ(cef_internal::kMenuIdForward, client_->last_menu_commands[1]);
}

TEST_F(ContextMenuTest, HandlerRunsTheMenuAndAnswersOnce) {
  client_->run_menu_command = 4321;
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  PostContextMenu(browser);
  ASSERT_TRUE(log_.WaitFor("menu-dismissed")) << log_.Dump();
  Settle();
  EXPECT_LT(log_.IndexOf("run-context-menu"),
            log_.IndexOf("menu-command 4321"));
  EXPECT_EQ(1, log_.Count("menu-dismissed"));
  EXPECT_EQ(1, log_.Count("menu-command 4321"));
}

TEST(MenuModelTest, EditsItems) {
  CefRefPtr<cef_internal::MenuModelImpl> model =
      new cef_internal::MenuModelImpl();
  EXPECT_EQ(0, model->GetCount());
  EXPECT_TRUE(model->AddItem(7, "Seven"));
  EXPECT_TRUE(model->AddSeparator());
  EXPECT_TRUE(model->AddItem(8, "Eight"));
  ASSERT_EQ(3, model->GetCount());
  EXPECT_EQ(-1, model->GetCommandIdAt(1));
  EXPECT_TRUE(model->RemoveAt(0));
  EXPECT_EQ(8, model->GetCommandIdAt(1));
  EXPECT_EQ("Eight", model->GetLabelAt(1).ToString());
  EXPECT_FALSE(model->RemoveAt(2));
  EXPECT_FALSE(model->RemoveAt(-1));
  EXPECT_EQ(-1, model->GetCommandIdAt(5));
  EXPECT_EQ("", model->GetLabelAt(5).ToString());
  HMENU menu = model->CreatePopupMenuHandle();
  ASSERT_NE(nullptr, menu);
  EXPECT_EQ(2, GetMenuItemCount(menu));
  EXPECT_EQ(8u, GetMenuItemID(menu, 1));
  DestroyMenu(menu);
  EXPECT_TRUE(model->Clear());
  EXPECT_EQ(0, model->GetCount());
}

}  // namespace
}  // namespace browser_test
