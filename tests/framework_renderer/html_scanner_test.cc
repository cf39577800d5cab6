// The page model's view of a document, and URL resolution.
#include "src/renderer/html_scanner.h"
#include "gtest/gtest.h"
#include "src/renderer/url_resolver.h"

namespace {

using cef_internal::HtmlElement;
using cef_internal::HtmlScanner;
using cef_internal::UrlResolver;

TEST(HtmlScannerTest, FindsScriptsAndIframesInOrder) {
  std::vector<HtmlElement> found = HtmlScanner::Scan(
      L"<html><ScRiPt>one()</sCrIpT>\n<iframe src=a.html name='n'>"
      L"</iframe>\n<script type=\"text/javascript\">two()</script>");
  ASSERT_EQ(3u, found.size());
  EXPECT_EQ(HtmlElement::Kind::kScript, found[0].kind);
  EXPECT_EQ(L"one()", found[0].text);
  EXPECT_EQ(1, found[0].line);
  EXPECT_EQ(HtmlElement::Kind::kIframe, found[1].kind);
  EXPECT_EQ(L"a.html", found[1].Get(L"src"));
  EXPECT_EQ(L"n", found[1].Get(L"name"));
  EXPECT_EQ(L"two()", found[2].text);
  EXPECT_EQ(3, found[2].line);
}

TEST(HtmlScannerTest, ScriptEndsAtTheFirstCloseTag) {
  std::vector<HtmlElement> found = HtmlScanner::Scan(
      L"<script>var s = '<b>'; var t = '</script>'; more()</script>");
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(L"var s = '<b>'; var t = '", found[0].text);
}

TEST(HtmlScannerTest, AttributesInEveryQuoting) {
  std::vector<HtmlElement> found = HtmlScanner::Scan(
      L"<iframe SRC = \"x y.html?a=1&amp;b=2\" name='it''s' data-x=plain "
      L"hidden></iframe><iframe src=\"a>b.html\">");
  ASSERT_EQ(2u, found.size());
  EXPECT_EQ(L"x y.html?a=1&b=2", found[0].Get(L"src"));
  EXPECT_EQ(L"it", found[0].Get(L"name"));
  EXPECT_EQ(L"plain", found[0].Get(L"data-x"));
  EXPECT_TRUE(found[0].Has(L"hidden"));
  EXPECT_EQ(L"a>b.html", found[1].Get(L"src"));
}

TEST(HtmlScannerTest, SkipsCommentsRawTextAndStrayBrackets) {
  std::vector<HtmlElement> found = HtmlScanner::Scan(
      L"<!-- <script>no()</script> -->"
      L"<textarea><script>no()</script></textarea>"
      L"<style>p { content: '<iframe>' }</style>"
      L"<p>1 < 2 and 3 > 2 <script>yes()</script>");
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(L"yes()", found[0].text);
}

TEST(HtmlScannerTest, UnterminatedInputEndsCleanly) {
  const wchar_t* inputs[] = {L"<",         L"<script",        L"<script>x",
                             L"<!-- open", L"<iframe src='",  L"<iframe src=",
                             L"</",        L"<script src=\"a"};
  for (const wchar_t* input : inputs)
    HtmlScanner::Scan(input);
  std::vector<HtmlElement> found = HtmlScanner::Scan(L"<script>x");
  ASSERT_EQ(1u, found.size());
  EXPECT_EQ(L"x", found[0].text);
}

TEST(HtmlScannerTest, OnlyClassicScriptTypesRun) {
  std::vector<HtmlElement> found = HtmlScanner::Scan(
      L"<script></script><script type=''></script>"
      L"<script type=' Text/JavaScript '></script>"
      L"<script type=module></script><script type=text/template></script>");
  ASSERT_EQ(5u, found.size());
  EXPECT_TRUE(HtmlScanner::IsClassicScript(found[0]));
  EXPECT_TRUE(HtmlScanner::IsClassicScript(found[1]));
  EXPECT_TRUE(HtmlScanner::IsClassicScript(found[2]));
  EXPECT_FALSE(HtmlScanner::IsClassicScript(found[3]));
  EXPECT_FALSE(HtmlScanner::IsClassicScript(found[4]));
}

TEST(UrlResolverTest, ResolvesLikeABrowser) {
  const std::wstring base = L"http://h.test/a/b/page.html?q=1#top";
  EXPECT_EQ(L"http://h.test/a/b/c.html", UrlResolver::Resolve(base, L"c.html"));
  EXPECT_EQ(L"http://h.test/a/c.html",
            UrlResolver::Resolve(base, L"../c.html"));
  EXPECT_EQ(L"http://h.test/c.html",
            UrlResolver::Resolve(base, L"../../../../c.html"));
  EXPECT_EQ(L"http://h.test/x/y", UrlResolver::Resolve(base, L"/x/./y"));
  EXPECT_EQ(L"http://o.test/p", UrlResolver::Resolve(base, L"//o.test/p"));
  EXPECT_EQ(L"http://h.test/a/b/page.html?z",
            UrlResolver::Resolve(base, L"?z"));
  EXPECT_EQ(L"http://h.test/a/b/page.html?q=1#f",
            UrlResolver::Resolve(base, L"#f"));
  EXPECT_EQ(L"mailto:x@y", UrlResolver::Resolve(base, L"mailto:x@y"));
  EXPECT_EQ(L"http://h.test/a/b/d/?k=../v",
            UrlResolver::Resolve(base, L"d/?k=../v"));
  EXPECT_EQ(L"http://h.test/a/b/page.html?q=1",
            UrlResolver::Resolve(base, L""));
  EXPECT_EQ(L"http://h.test/x", UrlResolver::Resolve(L"http://h.test", L"x"));
}

TEST(UrlResolverTest, FileUrlsKeepTheirDrive) {
  EXPECT_EQ(L"file:///C:/pages/other.html",
            UrlResolver::Resolve(L"file:///C:/pages/main.html", L"other.html"));
  EXPECT_EQ(L"file:///C:/root.html",
            UrlResolver::Resolve(L"file:///C:/pages/main.html", L"/root.html"));
  EXPECT_EQ(L"rel.html", UrlResolver::Resolve(L"about:blank", L"rel.html"));
}

}  // namespace
