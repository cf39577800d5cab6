// What a host hears names the browser it is about, and a host can give up
// at any moment, also before the page browsers exist.
#include <string>
#include <vector>

#include "include/cef_app.h"
#include "tests/integration/system_fixture.h"

namespace {

std::string NameOf(PageBrowser which) {
  switch (which) {
    case PageBrowser::kMain:
      return "main";
    case PageBrowser::kAvatar:
      return "avatar";
    default:
      return "unknown";
  }
}

class HostEventsTest : public SystemTest {
 protected:
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser,
                        PageBrowser which) override {
    created_.push_back(NameOf(which));
    EXPECT_EQ(g_client_handler->WhichBrowser(browser), which);
  }
  void OnPageLoaded(CefRefPtr<CefBrowser> browser,
                    int http_status_code) override {
    loaded_.push_back(NameOf(g_client_handler->WhichBrowser(browser)));
  }
  void OnJumped(CefRefPtr<CefBrowser> browser) override {
    jumped_.push_back(NameOf(g_client_handler->WhichBrowser(browser)));
  }

  std::vector<std::string> created_, loaded_, jumped_;
};

TEST_F(HostEventsTest, EachEventNamesItsBrowser) {
  // SetUp waited for both browsers; the main one is announced first, both
  // ways for the main one.
  EXPECT_EQ(created_, std::vector<std::string>({"main", "avatar"}));
  EXPECT_TRUE(main_browser_created_);
  EXPECT_EQ(g_client_handler->WhichBrowser(nullptr), PageBrowser::kUnknown);

  ASSERT_TRUE(LoadAndWait(second_browser(), WritePage("avatar.html", "<p/>")));
  ASSERT_TRUE(LoadAndWait(main_browser(), WritePage("main.html", "<p/>")));
  EXPECT_EQ(loaded_, std::vector<std::string>({"avatar", "main"}));
  EXPECT_EQ(main_frame_loads_, 2);

  Execute(second_browser(), "window.cefQuery({request: 'Onjump'});");
  ASSERT_TRUE(RunUntil([&] { return jumped_.size() == 1; }));
  EXPECT_EQ(jumped_, std::vector<std::string>({"avatar"}));
  EXPECT_EQ(jumps_, 1);
}

// A host that gives up while its browsers are still being created: they
// close as they appear, nobody is told to load a page into them, and the
// message loop ends.
class GiveUpTest : public HostEventsTest {
 protected:
  bool WaitsForBrowsers() const override { return false; }
};

class GiveUpAtOnceApp : public SimpleApp {
 public:
  void OnContextInitialized() override {
    SimpleApp::OnContextInitialized();
    g_client_handler->CloseAllBrowsers(true);
  }
};

class GiveUpAtOnceTest : public GiveUpTest {
 protected:
  CefRefPtr<SimpleApp> CreateApp() override { return new GiveUpAtOnceApp(); }
};

TEST_F(GiveUpAtOnceTest, BeforeAnyBrowserExists) {
  CefRunMessageLoop();
  EXPECT_TRUE(last_browser_closed_);
  EXPECT_TRUE(created_.empty());
  EXPECT_FALSE(main_browser_created_);
  EXPECT_TRUE(!g_client_handler || g_client_handler->browser_count() == 0);
}

class GiveUpOnTheMainBrowserTest : public GiveUpTest {
 protected:
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser,
                        PageBrowser which) override {
    HostEventsTest::OnBrowserCreated(browser, which);
    g_client_handler->CloseAllBrowsers(true);
    // Once given up, no browser is asked for.
    CefWindowInfo info;
    info.SetAsPopup(nullptr, L"late");
    EXPECT_FALSE(
        g_client_handler->CreatePageBrowser(info, CefBrowserSettings()));
  }
};

TEST_F(GiveUpOnTheMainBrowserTest, WhileTheAvatarIsOnItsWay) {
  CefRunMessageLoop();
  EXPECT_TRUE(last_browser_closed_);
  EXPECT_EQ(created_, std::vector<std::string>({"main"}));
  EXPECT_TRUE(!g_client_handler || g_client_handler->browser_count() == 0);
}

}  // namespace
