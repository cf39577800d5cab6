// EmbedBrowserHandler's life-span, context-menu and load behaviour, driven
// the way the framework calls it.
#include "browser/embed_browser_handler.h"

#include "browser/error_page.h"
#include "gtest/gtest.h"
#include "tests/support/fake_browser.h"
#include "tests/support/fake_frame.h"
#include "tests/support/framework_thread.h"

namespace {

constexpr LONG kScrollBars = WS_VSCROLL | WS_HSCROLL;

class CountingObserver : public PageObserver {
 public:
  int loaded = 0;
  int jumps = 0;
  void OnMainFrameLoaded() override { ++loaded; }
  void OnJump() override { ++jumps; }
};

class MenuModel : public CefMenuModel {
 public:
  MenuModel() { items_ = 3; }
  bool Clear() override {
    items_ = 0;
    return true;
  }
  int GetCount() override { return items_; }
  bool AddSeparator() override { return false; }
  bool AddItem(int command_id, const CefString& label) override {
    return false;
  }
  int GetCommandIdAt(int index) override { return -1; }
  CefString GetLabelAt(int index) override { return CefString(); }
  bool RemoveAt(int index) override { return false; }

 private:
  int items_;
  IMPLEMENT_REFCOUNTING(MenuModel);
};

class EmbedBrowserHandlerTest : public testing::Test {
 protected:
  void TearDown() override {
    for (auto& browser : created_)
      handler_->OnBeforeClose(browser.get());
    // Drain the quit requests the closes made.
    MSG msg;
    // Only posted messages: unvalidated windows would yield WM_PAINT forever.
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
    }
  }

  CefRefPtr<FakeBrowser> Create(int id) {
    CefRefPtr<FakeBrowser> browser(new FakeBrowser(id));
    handler_->OnAfterCreated(browser.get());
    created_.push_back(browser);
    return browser;
  }

  CefRefPtr<EmbedBrowserHandler> handler_ = new EmbedBrowserHandler();
  std::vector<CefRefPtr<FakeBrowser>> created_;
};

TEST_F(EmbedBrowserHandlerTest, GlobalPointerFollowsTheHandlersLife) {
  EXPECT_EQ(g_client_handler, handler_.get());
  CefRefPtr<EmbedBrowserHandler> other(new EmbedBrowserHandler());
  EXPECT_EQ(g_client_handler, other.get());
  other = nullptr;
  EXPECT_EQ(g_client_handler, nullptr);
}

TEST_F(EmbedBrowserHandlerTest, OffersItselfForTheHandlersItImplements) {
  EXPECT_EQ(handler_->GetLifeSpanHandler().get(),
            static_cast<CefLifeSpanHandler*>(handler_.get()));
  EXPECT_TRUE(handler_->GetContextMenuHandler());
  EXPECT_TRUE(handler_->GetDisplayHandler());
  EXPECT_TRUE(handler_->GetLoadHandler());
  EXPECT_TRUE(handler_->GetRequestHandler());
  EXPECT_FALSE(handler_->GetGeolocationHandler());
  EXPECT_FALSE(handler_->GetRenderHandler());
  EXPECT_FALSE(handler_->GetDialogHandler());
  EXPECT_FALSE(handler_->GetJSDialogHandler());
}

TEST_F(EmbedBrowserHandlerTest, FirstBrowserIsMainAndLosesOnlyScrollBars) {
  CefRefPtr<FakeBrowser> main = Create(1);
  const LONG main_before = GetWindowLongW(main->window(), GWL_STYLE);
  CefRefPtr<FakeBrowser> second = Create(2);
  // The main window's style was read and written once, at its creation.
  LONG main_style = GetWindowLongW(main->window(), GWL_STYLE);
  EXPECT_EQ(main_style & kScrollBars, 0);
  EXPECT_EQ(main_style, main_before);
  EXPECT_TRUE(main_style & WS_BORDER);
  EXPECT_EQ(GetWindowLongW(second->window(), GWL_STYLE) & kScrollBars,
            kScrollBars);
  EXPECT_TRUE(handler_->main_browser()->IsSame(main.get()));
  EXPECT_EQ(handler_->main_window(), main->window());
  EXPECT_TRUE(handler_->second_browser()->IsSame(second.get()));
  EXPECT_EQ(handler_->second_window(), second->window());
}

TEST_F(EmbedBrowserHandlerTest, ThirdBrowserIsOnlyTracked) {
  Create(1);
  CefRefPtr<FakeBrowser> second = Create(2);
  CefRefPtr<FakeBrowser> third = Create(3);
  EXPECT_EQ(handler_->browser_count(), 3u);
  EXPECT_TRUE(handler_->second_browser()->IsSame(second.get()));
}

TEST_F(EmbedBrowserHandlerTest, ClosedMainBrowserStaysMain) {
  CefRefPtr<FakeBrowser> main = Create(1);
  CefRefPtr<FakeBrowser> second = Create(2);
  handler_->OnBeforeClose(main.get());
  EXPECT_EQ(handler_->main_window(), nullptr);
  EXPECT_TRUE(handler_->main_browser()->IsSame(main.get()));
  CefRefPtr<FakeBrowser> next = Create(3);
  EXPECT_TRUE(handler_->main_browser()->IsSame(main.get()));
  EXPECT_TRUE(handler_->second_browser()->IsSame(second.get()));
}

// The framework's checked wrapper stops at CefShutdown on a browser object
// still referenced: once none is open, none is kept, and a later browser
// is still not the main one.
TEST_F(EmbedBrowserHandlerTest, NoBrowserIsKeptOnceTheLastHasClosed) {
  CefRefPtr<FakeBrowser> main = Create(1);
  CefRefPtr<FakeBrowser> second = Create(2);
  handler_->OnBeforeClose(second.get());
  handler_->OnBeforeClose(main.get());
  EXPECT_FALSE(handler_->main_browser());
  EXPECT_FALSE(handler_->second_browser());
  CefRefPtr<FakeBrowser> later = Create(3);
  EXPECT_FALSE(handler_->main_browser());
  EXPECT_EQ(handler_->main_window(), nullptr);
}

TEST_F(EmbedBrowserHandlerTest, ContextMenuIsCleared) {
  CefRefPtr<MenuModel> model(new MenuModel());
  handler_->OnBeforeContextMenu(nullptr, nullptr, nullptr, model.get());
  EXPECT_EQ(model->GetCount(), 0);
}

TEST_F(EmbedBrowserHandlerTest, DoCloseLetsTheFrameworkClose) {
  CefRefPtr<FakeBrowser> browser = Create(1);
  EXPECT_FALSE(handler_->DoClose(browser.get()));
}

TEST_F(EmbedBrowserHandlerTest, MainFramesGetTheOnLoadQueryScript) {
  CefRefPtr<FakeFrame> main(new FakeFrame(true));
  CefRefPtr<FakeFrame> sub(new FakeFrame(false));
  handler_->OnLoadStart(nullptr, main.get());
  handler_->OnLoadStart(nullptr, sub.get());
  ASSERT_EQ(main->executed_scripts.size(), 1u);
  // Asks at once when the page has loaded already, else from a load
  // listener of its own, never window.onload; the query itself is unchanged.
  const char kQuery[] =
      "window.cefQuery({request: 'OnLoad',persistent: false,onSuccess: "
      "function(response) {},onFailure: function(code, msg) {}});";
  EXPECT_EQ(main->executed_scripts[0].ToString(),
            std::string("if(document.readyState=='complete'){") + kQuery +
                "}else{window.addEventListener('load',function(){" + kQuery +
                "})}");
  EXPECT_TRUE(sub->executed_scripts.empty());
}

TEST_F(EmbedBrowserHandlerTest, MainFrameLoadEndsReachObservers) {
  CountingObserver first, second;
  handler_->AddObserver(&first);
  handler_->AddObserver(&second);
  CefRefPtr<FakeFrame> main(new FakeFrame(true));
  CefRefPtr<FakeFrame> sub(new FakeFrame(false));
  handler_->OnLoadEnd(nullptr, main.get(), 200);
  handler_->OnLoadEnd(nullptr, sub.get(), 200);
  handler_->RemoveObserver(&second);
  handler_->OnLoadEnd(nullptr, main.get(), 404);
  EXPECT_EQ(first.loaded, 2);
  EXPECT_EQ(second.loaded, 1);
  handler_->RemoveObserver(&first);
}

// Records the host events, registered for the whole test.
class HostEvents : public PageObserver {
 public:
  HostEvents() { EmbedBrowserHandler::AddObserver(this); }
  ~HostEvents() override { EmbedBrowserHandler::RemoveObserver(this); }
  std::vector<std::string> events;

  void OnMainBrowserCreated(CefRefPtr<CefBrowser> browser) override {
    Add("main " + std::to_string(browser->GetIdentifier()));
  }
  void OnLoadFailed(CefRefPtr<CefBrowser> browser,
                    CefRefPtr<CefFrame> frame,
                    const CefString& failed_url,
                    int error_code) override {
    Add("failed " + failed_url.ToString() + " " + std::to_string(error_code));
  }
  void OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& source,
                        int line) override {
    Add("console " + message.ToString() + " " + source.ToString() + ":" +
        std::to_string(line));
  }
  void OnRenderProcessEnded(CefRefPtr<CefBrowser> browser,
                            RenderProcessEnd status) override {
    Add("ended " + std::to_string(browser->GetIdentifier()) + " " +
        std::to_string(status));
  }
  void OnBrowserClosed(CefRefPtr<CefBrowser> browser) override {
    Add("closed " + std::to_string(browser->GetIdentifier()));
  }
  void OnLastBrowserClosed() override { Add("last closed"); }

 private:
  void Add(const std::string& event) { events.push_back(event); }
};

TEST(HostEventsTest, ObserversRegisteredBeforeAnyHandlerHearEverything) {
  HostEvents host;
  CefRefPtr<EmbedBrowserHandler> handler(new EmbedBrowserHandler());
  CefRefPtr<FakeBrowser> main(new FakeBrowser(7));
  CefRefPtr<FakeBrowser> avatar(new FakeBrowser(8));
  handler->OnAfterCreated(main.get());
  handler->OnAfterCreated(avatar.get());
  // The framework's output is left as it is.
  EXPECT_FALSE(handler->OnConsoleMessage(main.get(), "hi", "file:///a", 3));
  CefRefPtr<FakeFrame> frame(new FakeFrame(true));
  handler->OnLoadError(main.get(), frame.get(), ERR_ABORTED, "", "http://a/");
  handler->OnLoadError(main.get(), frame.get(), ERR_FILE_NOT_FOUND, "",
                       "file:///gone.html");
  handler->OnRenderProcessTerminated(avatar.get(), TS_PROCESS_CRASHED);
  handler->OnBeforeClose(avatar.get());
  handler->OnBeforeClose(avatar.get());  // not counted twice
  handler->OnBeforeClose(main.get());
  EXPECT_EQ(host.events, std::vector<std::string>(
                             {"main 7", "console hi file:///a:3",
                              "failed file:///gone.html -6", "ended 8 2",
                              "closed 8", "closed 7", "last closed"}));
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE | PM_QS_POSTMESSAGE)) {
  }
}

TEST_F(EmbedBrowserHandlerTest, FailedLoadsShowTheErrorPageUnlessAborted) {
  CefRefPtr<FakeFrame> main(new FakeFrame(true));
  CefRefPtr<FakeFrame> sub(new FakeFrame(false));
  handler_->OnLoadError(nullptr, main.get(), ERR_ABORTED, "aborted",
                        "http://aborted/");
  EXPECT_TRUE(main->loaded_strings.empty());

  handler_->OnLoadError(nullptr, main.get(), ERR_NAME_NOT_RESOLVED, "",
                        "http://nowhere.invalid/");
  handler_->OnLoadError(nullptr, sub.get(), ERR_FILE_NOT_FOUND, "",
                        "file:///missing.html");
  ASSERT_EQ(main->loaded_strings.size(), 1u);
  ASSERT_EQ(sub->loaded_strings.size(), 1u);
  EXPECT_EQ(main->loaded_strings[0].url.ToString(), "http://nowhere.invalid/");
  EXPECT_EQ(sub->loaded_strings[0].url.ToString(), "file:///missing.html");
  const std::wstring page = main->loaded_strings[0].source.ToWString();
  EXPECT_EQ(page, JoinErrorPage());
  EXPECT_EQ(sub->loaded_strings[0].source.ToWString(), page);
}

// Removes itself, and |other| too, from the handler in its callbacks.
class LeavingObserver : public PageObserver {
 public:
  LeavingObserver(EmbedBrowserHandler* handler, PageObserver* other)
      : handler_(handler), other_(other) {}
  int calls = 0;
  void OnMainFrameLoaded() override { Leave(); }
  void OnJump() override { Leave(); }

 private:
  void Leave() {
    ++calls;
    handler_->RemoveObserver(this);
    if (other_)
      handler_->RemoveObserver(other_);
  }
  EmbedBrowserHandler* handler_;
  PageObserver* other_;
};

TEST_F(EmbedBrowserHandlerTest, ObserversMayLeaveFromTheirCallbacks) {
  // Members in this order lie at rising addresses, the set's order.
  struct Observers {
    explicit Observers(EmbedBrowserHandler* handler)
        : first(handler, nullptr), second(handler, &counting) {}
    LeavingObserver first;
    LeavingObserver second;
    CountingObserver counting;
  } observers(handler_.get());
  CefRefPtr<FakeFrame> main(new FakeFrame(true));
  for (int round = 0; round < 2; ++round) {
    handler_->AddObserver(&observers.first);
    handler_->AddObserver(&observers.second);
    handler_->AddObserver(&observers.counting);
    handler_->OnLoadEnd(nullptr, main.get(), 200);
    handler_->OnLoadEnd(nullptr, main.get(), 200);
  }
  EXPECT_EQ(observers.first.calls, 2);
  EXPECT_EQ(observers.second.calls, 2);
  // Removed by |second| before its turn came: never called.
  EXPECT_EQ(observers.counting.loaded, 0);
}

}  // namespace
