// Page loading through the system's load handler: the "OnLoad" query and
// the built-in error page.
#include "tests/integration/system_fixture.h"

#include "browser/error_page.h"
#include "store/option_store.h"

namespace {

using PageLoadingTest = SystemTest;

TEST_F(PageLoadingTest, AKeptOnloadSendsOnLoadAndSyncsTheVoices) {
  OptionStore::GetInstance()->AddNormalVoice(L"kept-onload voice");
  ASSERT_TRUE(LoadAndWait(
      main_browser(), WritePage("keep.html", "<script>var x = 1;</script>")));
  ASSERT_TRUE(RunUntil([&] {
    return Evaluate(main_browser(), "KXHelper.GetFilteredNum()") != "0";
  }));
  EXPECT_NE(Evaluate(main_browser(), "KXHelper.GetFilteredVoices(1)")
                .find("kept-onload voice"),
            std::string::npos);
}

TEST_F(PageLoadingTest, TheBrowsersScriptLeavesWindowOnloadToThePage) {
  // The browser's script first, while the page loads: it listens for the
  // load event instead of taking window.onload, which the page then sets.
  cef_internal::Navigator::SetPageWaitsForLoadStart(true);
  OptionStore::GetInstance()->AddNormalVoice(L"synced anyway");
  ASSERT_TRUE(LoadAndWait(
      main_browser(),
      WritePage("replace.html",
                "<script>console.log('onload at start ' + window.onload);"
                "window.onload = function() {"
                " console.log('page onload ran'); };</script>")));
  std::string rest;
  ASSERT_TRUE(WaitForConsole("onload at start ", &rest));
  EXPECT_EQ(rest, "null");
  ASSERT_TRUE(WaitForConsole("page onload ran", &rest));
  ASSERT_TRUE(RunUntil([&] {
    return Evaluate(main_browser(), "KXHelper.GetFilteredNum()") != "0";
  }));
  EXPECT_TRUE(g_cache_sync_requested);
}

TEST_F(PageLoadingTest, MissingFileShowsTheErrorPageUnderTheFailedUrl) {
  const std::string url = MissingPageUrl("missing.html");
  ASSERT_TRUE(LoadAndWait(main_browser(), url));
  CefRefPtr<CefFrame> frame = main_browser()->GetMainFrame();
  EXPECT_EQ(frame->GetURL().ToString(), url);
  EXPECT_EQ(SourceOf(frame), JoinErrorPage());
}

TEST_F(PageLoadingTest, AnAbortedLoadLeavesTheFrameAlone) {
  const std::string first = WritePage("first.html", "<p>first</p>");
  const std::string second = WritePage("second.html", "<p>second</p>");
  main_browser()->GetMainFrame()->LoadURL(first);
  ASSERT_TRUE(LoadAndWait(main_browser(), second));
  RunUntil([] { return false; }, 200);
  CefRefPtr<CefFrame> frame = main_browser()->GetMainFrame();
  EXPECT_EQ(frame->GetURL().ToString(), second);
  EXPECT_EQ(SourceOf(frame), L"<p>second</p>");
}

TEST_F(PageLoadingTest, AFailingSubFrameGetsTheErrorPageItself) {
  const std::string page = WritePage(
      "outer.html", "<p>outer</p><iframe src=\"gone.html\"></iframe>");
  ASSERT_TRUE(LoadAndWait(main_browser(), page));
  CefRefPtr<CefBrowser> browser = main_browser();
  CefRefPtr<CefFrame> sub;
  ASSERT_TRUE(RunUntil([&] {
    std::vector<int64> ids;
    browser->GetFrameIdentifiers(ids);
    for (int64 id : ids) {
      CefRefPtr<CefFrame> frame = browser->GetFrame(id);
      if (frame && !frame->IsMain() && SourceOf(frame) == JoinErrorPage())
        sub = frame;
    }
    return sub != nullptr;
  }));
  EXPECT_EQ(sub->GetURL().ToString(), MissingPageUrl("gone.html"));
  EXPECT_EQ(SourceOf(browser->GetMainFrame()),
            L"<p>outer</p><iframe src=\"gone.html\"></iframe>");
}

}  // namespace
