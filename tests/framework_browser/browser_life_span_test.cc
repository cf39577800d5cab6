// Browser creation, windows and closing, checked on real Win32 windows.
#include <memory>
#include <thread>

#include "include/cef_app.h"
#include "include/cef_task.h"
#include "tests/framework_browser/browser_test_support.h"

namespace browser_test {
namespace {

class BrowserLifeSpanTest : public BrowserTest {};

class ClosureTask : public CefTask {
 public:
  explicit ClosureTask(std::function<void()> closure) : closure_(closure) {}
  void Execute() override { closure_(); }

 private:
  std::function<void()> closure_;
  IMPLEMENT_REFCOUNTING(ClosureTask);
};

std::wstring ClassNameOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

TEST_F(BrowserLifeSpanTest, ContextInitializedOnceLoopRuns) {
  EXPECT_FALSE(log_.Has("context-initialized"));
  ASSERT_TRUE(log_.WaitFor("context-initialized"));
  Settle();
  EXPECT_EQ(1, log_.Count("context-initialized"));
}

TEST_F(BrowserLifeSpanTest, SecondInitializeIsRefused) {
  CefSettings settings;
  settings.single_process = true;
  EXPECT_FALSE(CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings,
                             app_, nullptr));
}

TEST_F(BrowserLifeSpanTest, WindowComesFromWindowInfoUnchanged) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  HWND window = browser->GetHost()->GetWindowHandle();
  ASSERT_TRUE(IsWindow(window));

  LONG style = GetWindowLongW(window, GWL_STYLE);
  EXPECT_EQ(0x86000000u, static_cast<DWORD>(style) & 0x86000000u);
  EXPECT_EQ(0u, static_cast<DWORD>(style) & (WS_VISIBLE | WS_CHILD));
  EXPECT_TRUE(GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(IsWindowVisible(window));

  // CW_USEDEFAULT places a pop-up window at (0, 0).
  RECT rect;
  GetWindowRect(window, &rect);
  EXPECT_EQ(0, rect.left);
  EXPECT_EQ(0, rect.top);
  EXPECT_EQ(800, rect.right - rect.left);
  EXPECT_EQ(600, rect.bottom - rect.top);

  EXPECT_EQ(parent_, GetWindow(window, GW_OWNER));
  EXPECT_EQ(parent_, GetParent(window));
  wchar_t title[32] = {};
  GetWindowTextW(window, title, 32);
  EXPECT_STREQ(L"kxweb", title);
  EXPECT_EQ(L"CefBrowserWindow", ClassNameOf(window));
}

TEST_F(BrowserLifeSpanTest, ChildWindowKeepsRectAndControlId) {
  CefWindowInfo info;
  RECT rect = {10, 20, 310, 220};
  info.SetAsChild(parent_, rect);
  info.style &= ~WS_VISIBLE;
  info.menu = reinterpret_cast<HMENU>(77);
  CefRefPtr<CefBrowser> browser = CefBrowserHost::CreateBrowserSync(
      info, client_.get(), "", CefBrowserSettings(), nullptr);
  ASSERT_TRUE(browser);
  HWND window = browser->GetHost()->GetWindowHandle();
  EXPECT_EQ(parent_, GetParent(window));
  EXPECT_EQ(77, GetDlgCtrlID(window));
  RECT bounds;
  GetWindowRect(window, &bounds);
  MapWindowPoints(HWND_DESKTOP, parent_, reinterpret_cast<POINT*>(&bounds), 2);
  EXPECT_EQ(10, bounds.left);
  EXPECT_EQ(20, bounds.top);
  EXPECT_EQ(300, bounds.right - bounds.left);
  EXPECT_EQ(200, bounds.bottom - bounds.top);
}

TEST_F(BrowserLifeSpanTest, CreateBrowserIsAsynchronous) {
  ASSERT_TRUE(CefBrowserHost::CreateBrowser(HiddenPopupInfo(parent_, "a"),
                                            client_.get(), "",
                                            CefBrowserSettings(), nullptr));
  ASSERT_TRUE(CefBrowserHost::CreateBrowser(HiddenPopupInfo(parent_, "b"),
                                            client_.get(), "",
                                            CefBrowserSettings(), nullptr));
  EXPECT_TRUE(client_->browsers.empty());
  ASSERT_TRUE(WaitFor([&]() { return client_->browsers.size() == 2; }));
  CefRefPtr<CefBrowser> first = client_->browsers[0];
  CefRefPtr<CefBrowser> second = client_->browsers[1];
  EXPECT_NE(first->GetIdentifier(), second->GetIdentifier());
  EXPECT_FALSE(first->IsSame(second));
  EXPECT_TRUE(first->IsSame(first->GetHost()->GetBrowser()));
  EXPECT_FALSE(first->IsPopup());
  EXPECT_EQ(client_.get(), first->GetHost()->GetClient().get());
  ASSERT_TRUE(first->GetMainFrame());
  EXPECT_TRUE(first->GetMainFrame()->IsMain());
  EXPECT_EQ(1u, first->GetFrameCount());
  EXPECT_TRUE(first->GetHost()->GetRequestContext()->IsGlobal());
  // No URL, no navigation.
  Settle();
  EXPECT_EQ("", log_.Find("before-browse"));
}

TEST_F(BrowserLifeSpanTest, RenderSideStartsWithBrowserProcessExtraInfo) {
  ASSERT_TRUE(CreateBrowser(""));
  int created = log_.IndexOf("render-process-thread-created");
  int thread = log_.IndexOf("render-thread-created extra from the browser");
  ASSERT_GE(created, 0) << log_.Dump();
  ASSERT_GT(thread, created) << log_.Dump();
  EXPECT_GT(log_.IndexOf("webkit-initialized"), thread);
}

TEST_F(BrowserLifeSpanTest, CloseAsksDoCloseThenDestroysWindow) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  HWND window = browser->GetHost()->GetWindowHandle();
  CefRefPtr<CefFrame> frame = browser->GetMainFrame();
  browser->GetHost()->CloseBrowser(false);
  ASSERT_TRUE(log_.WaitFor("before-close"));
  EXPECT_LT(log_.IndexOf("do-close"), log_.IndexOf("before-close"));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(frame->IsValid());
  EXPECT_EQ(nullptr, browser->GetHost()->GetWindowHandle());
}

TEST_F(BrowserLifeSpanTest, DoCloseTrueLeavesClosingToTheClient) {
  client_->do_close_result = true;
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  HWND window = browser->GetHost()->GetWindowHandle();
  browser->GetHost()->CloseBrowser(false);
  ASSERT_TRUE(log_.WaitFor("do-close"));
  Settle();
  EXPECT_FALSE(log_.Has("before-close"));
  EXPECT_TRUE(IsWindow(window));

  // The client closes the window later; it is not asked again.
  PostMessageW(window, WM_CLOSE, 0, 0);
  ASSERT_TRUE(log_.WaitFor("before-close"));
  EXPECT_EQ(1, log_.Count("do-close"));
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(BrowserLifeSpanTest, ForceCloseSkipsDoClose) {
  client_->do_close_result = true;
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  browser->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(log_.WaitFor("before-close"));
  EXPECT_FALSE(log_.Has("do-close"));
}

TEST_F(BrowserLifeSpanTest, WmCloseGoesThroughCloseFlow) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  PostMessageW(browser->GetHost()->GetWindowHandle(), WM_CLOSE, 0, 0);
  ASSERT_TRUE(log_.WaitFor("before-close"));
  EXPECT_LT(log_.IndexOf("do-close"), log_.IndexOf("before-close"));
}

TEST_F(BrowserLifeSpanTest, DestroyedOwnerClosesBrowser) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  DestroyWindow(parent_);
  ASSERT_TRUE(log_.WaitFor("before-close"));
  EXPECT_EQ(1, log_.Count("before-close"));
}

TEST_F(BrowserLifeSpanTest, QuitFromOnBeforeCloseEndsRunMessageLoop) {
  client_->quit_on_close = true;
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  browser->GetHost()->CloseBrowser(false);
  // A backstop so that a missing quit fails instead of hanging. The thread's
  // loop outlives the test: once the test is over, the backstop must neither
  // touch its log nor end a later test's loop.
  auto test_running = std::make_shared<bool>(true);
  CefPostDelayedTask(TID_UI, new ClosureTask([this, test_running]() {
                       if (!*test_running)
                         return;
                       log_.Add("backstop");
                       CefQuitMessageLoop();
                     }),
                     kWaitMs);
  CefRunMessageLoop();
  *test_running = false;
  EXPECT_TRUE(log_.Has("before-close"));
  EXPECT_FALSE(log_.Has("backstop"));
}

TEST_F(BrowserLifeSpanTest, ShutdownClosesOpenBrowsersAndAllowsRestart) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  HWND window = browser->GetHost()->GetWindowHandle();
  CefShutdown();
  EXPECT_EQ(1, log_.Count("before-close"));
  EXPECT_FALSE(IsWindow(window));
  EXPECT_FALSE(CefBrowserHost::CreateBrowser(HiddenPopupInfo(parent_, "x"),
                                             client_.get(), "",
                                             CefBrowserSettings(), nullptr));

  CefSettings settings;
  settings.single_process = true;
  ASSERT_TRUE(CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings,
                            app_, nullptr));
  log_.Clear();
  CefRefPtr<CefBrowser> again = CreateBrowser("");
  ASSERT_TRUE(again);
  EXPECT_NE(browser->GetIdentifier(), again->GetIdentifier());
}

TEST_F(BrowserLifeSpanTest, CreationPostedBeforeShutdownNeverHappens) {
  ASSERT_TRUE(CefBrowserHost::CreateBrowser(HiddenPopupInfo(parent_, "late"),
                                            client_.get(), "",
                                            CefBrowserSettings(), nullptr));
  CefShutdown();
  CefSettings settings;
  settings.single_process = true;
  ASSERT_TRUE(CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings,
                            app_, nullptr));
  Settle();
  EXPECT_TRUE(client_->browsers.empty());
}

TEST_F(BrowserLifeSpanTest, SyncCreationOnlyOnUiThread) {
  CefRefPtr<CefBrowser> from_worker;
  bool done = false;
  std::thread worker([&]() {
    from_worker = CefBrowserHost::CreateBrowserSync(
        HiddenPopupInfo(parent_, "w"), client_.get(), "", CefBrowserSettings(),
        nullptr);
    done = true;
  });
  worker.join();
  EXPECT_TRUE(done);
  EXPECT_FALSE(from_worker);
}

}  // namespace
}  // namespace browser_test
