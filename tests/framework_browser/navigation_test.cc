// Navigation and load events: order, errors, sub-frames, LoadString and
// GetSource, and http: through a local server.
#include <winsock2.h>

#include <atomic>
#include <thread>

#include "include/cef_string_visitor.h"
#include "src/browser/navigator.h"
#include "tests/framework_browser/browser_test_support.h"
#include "tests/support/local_http_server.h"

namespace browser_test {

using cef_internal::Navigator;
namespace {

// Takes connections into its backlog and never answers them; closing it
// resets them.
class SilentServer {
 public:
  SilentServer() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = ListenOnLoopback(SOMAXCONN, &port_);
  }
  ~SilentServer() {
    closesocket(listener_);
    WSACleanup();
  }
  int port() const { return port_; }

 private:
  SOCKET listener_;
  int port_ = 0;
};

std::string LocalUrl(int port, const std::string& rest) {
  return "http://127.0.0.1:" + std::to_string(port) + rest;
}

std::string PageResponse(const std::string& body) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
         std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

std::string RedirectResponse(const std::string& location) {
  return "HTTP/1.1 302 Found\r\nLocation: " + location +
         "\r\nContent-Length: 0\r\nConnection: close\r\n\r\n";
}

// A port nothing listens on: bound once, then released.
int ClosedPort() {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof(address));
  int size = sizeof(address);
  getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
  closesocket(probe);
  WSACleanup();
  return ntohs(address.sin_port);
}

class StringCatcher : public CefStringVisitor {
 public:
  void Visit(const CefString& string) override {
    text = string.ToString();
    ++visits;
  }
  std::string text;
  int visits = 0;
  IMPLEMENT_REFCOUNTING(StringCatcher);
};

class NavigationTest : public BrowserTest {};

TEST_F(NavigationTest, LoadEventsSurroundPageScript) {
  std::string url = pages_.Write(
      "order.html", "<p>x</p><script>console.log('page');</script>");
  CefRefPtr<CefBrowser> browser = CreateBrowser(url);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("load-end main 200")) << log_.Dump();
  int browse = log_.IndexOf("before-browse main " + url);
  int loading = log_.IndexOf("loading true");
  int start = log_.IndexOf("load-start main");
  int script = log_.IndexOf("console page");
  int end = log_.IndexOf("load-end main 200");
  EXPECT_LT(log_.IndexOf("after-created"), browse) << log_.Dump();
  EXPECT_GE(browse, 0);
  EXPECT_LT(browse, loading);
  EXPECT_LT(loading, start);
  EXPECT_LT(start, script);
  EXPECT_LT(script, end);
  ASSERT_TRUE(log_.WaitFor("loading false"));
  EXPECT_LT(end, log_.IndexOf("loading false"));
  EXPECT_EQ(url, browser->GetMainFrame()->GetURL().ToString());
  EXPECT_TRUE(browser->HasDocument());
  EXPECT_FALSE(browser->IsLoading());
}

class ScriptFromLoadStartTest : public NavigationTest {
 protected:
  // Loads a page whose script logs "page" while OnLoadStart sends a script
  // that logs "injected" and whether the page has loaded.
  void LoadInjected(const std::string& expected) {
    client_->on_load_start = [](CefRefPtr<CefBrowser>,
                                CefRefPtr<CefFrame> frame) {
      if (frame->IsMain()) {
        frame->ExecuteJavaScript(
            "console.log('injected ' + document.readyState);", "", 0);
      }
    };
    std::string url = pages_.Write(
        "inject.html",
        "<script>console.log('page ' + document.readyState);</script>");
    ASSERT_TRUE(CreateBrowser(url));
    ASSERT_TRUE(log_.WaitFor(expected)) << log_.Dump();
  }
};

TEST_F(ScriptFromLoadStartTest, UsuallyArrivesAfterTheLoad) {
  LoadInjected("console injected complete");
  // The page ran on its own; OnLoadStart's script came after the load event.
  EXPECT_LT(log_.IndexOf("load-end main 200"),
            log_.IndexOf("console injected complete"))
      << log_.Dump();
}

TEST_F(ScriptFromLoadStartTest, MayRunBeforeThePage) {
  Navigator::SetPageWaitsForLoadStart(true);
  LoadInjected("console injected loading");
  const int injected = log_.IndexOf("console injected loading");
  ASSERT_GE(injected, 0) << log_.Dump();
  EXPECT_LT(injected, log_.IndexOf("console page loading")) << log_.Dump();
}

// location.href = ... navigates the page's own frame, through the handler's
// OnBeforeBrowse like any other load; a page that is not a file opens none.
TEST_F(NavigationTest, APageNavigatesItsOwnFrame) {
  const std::string second = pages_.Write(
      "second.html", "<script>console.log('at ' + location.href);</script>");
  const std::string first =
      pages_.Write("first.html",
                   "<script>location.href = 'second.html';"
                   "console.log('still first');</script>");
  CefRefPtr<CefBrowser> browser = CreateBrowser(first);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("console at " + second)) << log_.Dump();
  EXPECT_LT(log_.IndexOf("console still first"),
            log_.IndexOf("before-browse main " + second))
      << log_.Dump();
  EXPECT_EQ(second, browser->GetMainFrame()->GetURL().ToString());

  LocalHttpServer server(
      PageResponse("<script>location.href = '" + second +
                   "'; console.log('stayed on http');</script>"));
  browser->GetMainFrame()->LoadURL(LocalUrl(server.port(), "/web.html"));
  ASSERT_TRUE(log_.WaitFor("console stayed on http")) << log_.Dump();
  EXPECT_EQ(LocalUrl(server.port(), "/web.html"),
            browser->GetMainFrame()->GetURL().ToString());
  EXPECT_GE(
      log_.IndexOf("console Not allowed to load local resource: " + second), 0)
      << log_.Dump();
}

TEST_F(NavigationTest, MissingFileFailsAndFrameKeepsItsDocument) {
  std::string good = pages_.Write("good.html", "<p>good</p>");
  CefRefPtr<CefBrowser> browser = CreateBrowser(good);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("load-end main 200"));
  log_.Clear();

  std::string missing = pages_.Url("missing.html");
  browser->GetMainFrame()->LoadURL(missing);
  ASSERT_TRUE(log_.WaitFor("load-error main -6 " + missing)) << log_.Dump();
  EXPECT_FALSE(log_.Has("load-start main"));
  EXPECT_EQ(good, browser->GetMainFrame()->GetURL().ToString());
}

TEST_F(NavigationTest, UnusableUrlsFailWithTheirCodes) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  browser->GetMainFrame()->LoadURL("gopher://example/");
  ASSERT_TRUE(log_.WaitFor("load-error main -302 gopher://example/"))
      << log_.Dump();
  browser->GetMainFrame()->LoadURL("no scheme here");
  ASSERT_TRUE(log_.WaitFor("load-error main -300 no scheme here"))
      << log_.Dump();
  browser->GetMainFrame()->LoadURL("about:blank");
  ASSERT_TRUE(log_.WaitFor("load-end main 200")) << log_.Dump();
  EXPECT_EQ("about:blank", browser->GetMainFrame()->GetURL().ToString());
}

TEST_F(NavigationTest, NewNavigationAbortsThePendingOne) {
  std::string first = pages_.Write("first.html", "<p>1</p>");
  std::string second = pages_.Write("second.html", "<p>2</p>");
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  browser->GetMainFrame()->LoadURL(first);
  browser->GetMainFrame()->LoadURL(second);
  ASSERT_TRUE(log_.WaitFor("load-end main 200")) << log_.Dump();
  EXPECT_TRUE(log_.Has("load-error main -3 " + first)) << log_.Dump();
  EXPECT_EQ(1, log_.Count("load-start main"));
  EXPECT_EQ(second, browser->GetMainFrame()->GetURL().ToString());
}

TEST_F(NavigationTest, CancelledNavigationHasNoLoadEvents) {
  client_->cancel_navigation = [](CefRefPtr<CefFrame>, const std::string& url) {
    return url.find("blocked") != std::string::npos;
  };
  std::string blocked = pages_.Write("blocked.html", "<p>no</p>");
  CefRefPtr<CefBrowser> browser = CreateBrowser(blocked);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("before-browse main " + blocked));
  // Something allowed afterwards proves the blocked one is over.
  browser->GetMainFrame()->LoadURL("about:blank");
  ASSERT_TRUE(log_.WaitFor("load-end main 200"));
  EXPECT_EQ(1, log_.Count("load-start main"));
  EXPECT_EQ("", log_.Find("load-error"));
}

TEST_F(NavigationTest, SubframesLoadWithTheirOwnEvents) {
  std::string child =
      pages_.Write("child.html", "<script>console.log('child');</script>");
  std::string main = pages_.Write(
      "parent.html", "<iframe src=\"child.html\" name=\"kid\"></iframe>");
  CefRefPtr<CefBrowser> browser = CreateBrowser(main);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("load-end sub:kid 200")) << log_.Dump();
  EXPECT_LT(log_.IndexOf("before-browse sub:kid " + child),
            log_.IndexOf("load-start sub:kid"));
  EXPECT_LT(log_.IndexOf("load-start sub:kid"), log_.IndexOf("console child"));

  ASSERT_EQ(2u, browser->GetFrameCount());
  std::vector<int64> ids;
  browser->GetFrameIdentifiers(ids);
  CefRefPtr<CefFrame> sub;
  for (int64 id : ids) {
    if (id != browser->GetMainFrame()->GetIdentifier())
      sub = browser->GetFrame(id);
  }
  ASSERT_TRUE(sub);
  EXPECT_FALSE(sub->IsMain());
  EXPECT_EQ("kid", sub->GetName().ToString());
  EXPECT_EQ(child, sub->GetURL().ToString());
  EXPECT_EQ(browser->GetMainFrame()->GetIdentifier(),
            sub->GetParent()->GetIdentifier());

  // A new main document drops the old sub-frames.
  browser->GetMainFrame()->LoadURL("about:blank");
  ASSERT_TRUE(WaitFor([&]() { return !sub->IsValid(); }));
  EXPECT_EQ(1u, browser->GetFrameCount());
  EXPECT_FALSE(browser->GetFrame(sub->GetIdentifier()));
}

TEST_F(NavigationTest, SubframesOfAReplacedDocumentAreIgnored) {
  std::string child = pages_.Write("late_child.html", "<p>c</p>");
  std::string framed = pages_.Write(
      "framed.html", "<iframe src=\"late_child.html\" name=\"kid\"></iframe>");
  bool replaced = false;
  // Replaces the framed document before the render side has run it.
  Navigator::SetPageWaitsForLoadStart(true);
  client_->on_load_start = [&replaced](CefRefPtr<CefBrowser>,
                                       CefRefPtr<CefFrame> frame) {
    if (frame->IsMain() && !replaced) {
      replaced = true;
      frame->LoadString("<p>plain</p>", "http://example.invalid/plain");
    }
  };
  CefRefPtr<CefBrowser> browser = CreateBrowser(framed);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("load-end main 200")) << log_.Dump();
  Settle();
  EXPECT_EQ(1, log_.Count("load-end main 200")) << log_.Dump();
  EXPECT_EQ(1u, browser->GetFrameCount());
  EXPECT_FALSE(log_.Has("before-browse sub:kid " + child)) << log_.Dump();
  EXPECT_EQ("http://example.invalid/plain",
            browser->GetMainFrame()->GetURL().ToString());
}

TEST_F(NavigationTest, FailingSubframeReportsOnItsFrame) {
  std::string main = pages_.Write(
      "holder.html", "<iframe src=\"absent.html\" name=\"gone\"></iframe>");
  ASSERT_TRUE(CreateBrowser(main));
  ASSERT_TRUE(
      log_.WaitFor("load-error sub:gone -6 " + pages_.Url("absent.html")))
      << log_.Dump();
  EXPECT_TRUE(log_.Has("load-end main 200"));
}

TEST_F(NavigationTest, LoadStringCommitsSourceUnderUrl) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  const std::string html =
      "<p>made</p><script>console.log('from string');</script>";
  browser->GetMainFrame()->LoadString(html, "http://example.invalid/page");
  ASSERT_TRUE(log_.WaitFor("load-end main 200")) << log_.Dump();
  EXPECT_LT(log_.IndexOf("load-start main"),
            log_.IndexOf("console from string"));
  EXPECT_EQ("", log_.Find("before-browse"));
  EXPECT_EQ("http://example.invalid/page",
            browser->GetMainFrame()->GetURL().ToString());

  CefRefPtr<StringCatcher> source = new StringCatcher();
  browser->GetMainFrame()->GetSource(source.get());
  EXPECT_EQ(0, source->visits) << "the visitor is called later";
  ASSERT_TRUE(WaitFor([&]() { return source->visits == 1; }));
  EXPECT_EQ(html, source->text);

  CefRefPtr<StringCatcher> text = new StringCatcher();
  browser->GetMainFrame()->GetText(text.get());
  ASSERT_TRUE(WaitFor([&]() { return text->visits == 1; }));
  EXPECT_EQ("made", text->text);
}

TEST_F(NavigationTest, LoadStringInOnLoadErrorShowsReplacement) {
  client_->on_load_error = [](CefRefPtr<CefBrowser>, CefRefPtr<CefFrame> frame,
                              int code) {
    if (code != ERR_ABORTED)
      frame->LoadString("<script>console.log('error page');</script>",
                        frame->GetURL());
  };
  CefRefPtr<CefBrowser> browser = CreateBrowser(pages_.Url("nothing.html"));
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("console error page")) << log_.Dump();
}

TEST_F(NavigationTest, FileUrlEscapesAreDecoded) {
  std::string url = pages_.Write("with space.html",
                                 "<script>console.log('spaced');</script>");
  EXPECT_NE(std::string::npos, url.find("with%20space.html"));
  ASSERT_TRUE(CreateBrowser(url));
  ASSERT_TRUE(log_.WaitFor("console spaced")) << log_.Dump();
}

TEST_F(NavigationTest, HttpStatusReachesOnLoadEnd) {
  LocalHttpServer server(
      "HTTP/1.1 404 Not Found\r\nContent-Type: text/html\r\n"
      "Content-Length: 38\r\nConnection: close\r\n\r\n"
      "<script>console.log('served')</script>");
  std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/x";
  ASSERT_TRUE(CreateBrowser(url));
  ASSERT_TRUE(log_.WaitFor("load-end main 404")) << log_.Dump();
  EXPECT_TRUE(log_.Has("console served"));
  EXPECT_EQ(1, server.requests());
}

TEST_F(NavigationTest, ClosedPortIsConnectionRefused) {
  std::string url = "http://127.0.0.1:" + std::to_string(ClosedPort()) + "/";
  ASSERT_TRUE(CreateBrowser(url));
  ASSERT_TRUE(log_.WaitFor("load-error main -102 " + url)) << log_.Dump();
}

TEST_F(NavigationTest, StopLoadAbortsFetch) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  std::string url = pages_.Write("stopped.html", "<p>s</p>");
  browser->GetMainFrame()->LoadURL(url);
  browser->StopLoad();
  ASSERT_TRUE(log_.WaitFor("load-error main -3 " + url)) << log_.Dump();
  ASSERT_TRUE(log_.WaitFor("loading false"));
  Settle();
  EXPECT_FALSE(log_.Has("load-start main"));
}

TEST_F(NavigationTest, ARedirectIsJudgedAndTheFrameReportsItsTarget) {
  LocalHttpServer final_server(
      PageResponse("<script>console.log('final page')</script>"));
  const std::string target = LocalUrl(final_server.port(), "/done");
  LocalHttpServer redirector(RedirectResponse(target));
  const std::string start = LocalUrl(redirector.port(), "/start");
  CefRefPtr<CefBrowser> browser = CreateBrowser(start);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("load-end main 200")) << log_.Dump();
  EXPECT_LT(log_.IndexOf("before-browse main " + start),
            log_.IndexOf("redirect main " + target));
  EXPECT_LT(log_.IndexOf("redirect main " + target),
            log_.IndexOf("load-start main"));
  EXPECT_TRUE(log_.Has("console final page"));
  EXPECT_EQ(target, browser->GetMainFrame()->GetURL().ToString());
  EXPECT_EQ(1, final_server.requests());
}

TEST_F(NavigationTest, ARedirectTheHandlerRefusesIsNotFollowed) {
  LocalHttpServer final_server(PageResponse("<p>never</p>"));
  const std::string target = LocalUrl(final_server.port(), "/elsewhere");
  LocalHttpServer redirector(RedirectResponse(target));
  client_->cancel_navigation = [&](CefRefPtr<CefFrame>,
                                   const std::string& url) {
    return url == target;
  };
  const std::string start = LocalUrl(redirector.port(), "/");
  ASSERT_TRUE(CreateBrowser(start));
  ASSERT_TRUE(log_.WaitFor("load-error main -3 " + target)) << log_.Dump();
  Settle();
  EXPECT_FALSE(log_.Has("load-start main"));
  EXPECT_EQ(0, final_server.requests());
  // Nor does a redirect leave http: for a file of this machine.
  client_->cancel_navigation = nullptr;
  log_.Clear();
  LocalHttpServer to_file(RedirectResponse(pages_.Url("local.html")));
  const std::string second = LocalUrl(to_file.port(), "/");
  client_->browsers.back()->GetMainFrame()->LoadURL(second);
  ASSERT_TRUE(log_.WaitFor("load-error main -311 " + second)) << log_.Dump();
}

TEST_F(NavigationTest, TheHostAFrameReportsIsTheHostItsBytesCameFrom) {
  // WinHTTP on its own would read these as a user name before the '@'
  // and fetch from the second port.
  LocalHttpServer first(PageResponse("<script>console.log('first')</script>"));
  LocalHttpServer second(
      PageResponse("<script>console.log('second')</script>"));
  const std::string a = "127.0.0.1:" + std::to_string(first.port());
  const std::string b = "127.0.0.1:" + std::to_string(second.port());
  const std::pair<std::string, std::string> cases[] = {
      {"http://" + a + "?@" + b + "/", "http://" + a + "/?@" + b + "/"},
      {"http://" + a + "#@" + b + "/", "http://" + a + "/#@" + b + "/"},
      {"http://" + a + "\\@" + b + "/", "http://" + a + "/@" + b + "/"},
      {"HTTP://user@" + a + "/x", "http://" + a + "/x"},
  };
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  for (const auto& entry : cases) {
    log_.Clear();
    browser->GetMainFrame()->LoadURL(entry.first);
    ASSERT_TRUE(log_.WaitFor("load-end main 200")) << entry.first;
    EXPECT_TRUE(log_.Has("before-browse main " + entry.second)) << log_.Dump();
    EXPECT_TRUE(log_.Has("console first")) << log_.Dump();
    EXPECT_EQ(entry.second, browser->GetMainFrame()->GetURL().ToString());
  }
  EXPECT_EQ(4, first.requests());
  EXPECT_EQ(0, second.requests());
}

// Sub-frames of |count| iframes of |src|.
std::string Iframes(int count, const std::string& src) {
  std::string html;
  for (int i = 0; i < count; ++i)
    html += "<iframe src=\"" + src + "\" name=\"f" + std::to_string(i) +
            "\"></iframe>";
  return html;
}

TEST_F(NavigationTest, DocumentsTooLargeForAFrameFail) {
  // 16 frames of 60 MB each once held a gigabyte of text apiece.
  pages_.Write("huge.html", std::string(60 * 1024 * 1024, 'x'));
  const std::string main = pages_.Write("many.html", Iframes(16, "huge.html"));
  CefRefPtr<CefBrowser> browser = CreateBrowser(main);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(WaitFor([&] {
    return log_.CountStartingWith("load-error") == 16;
  })) << log_.Dump();
  for (int i = 0; i < 16; ++i) {
    EXPECT_TRUE(log_.Has("load-error sub:f" + std::to_string(i) + " -8 " +
                         pages_.Url("huge.html")))
        << i;
  }
  EXPECT_TRUE(log_.Has("load-end main 200"));
}

TEST_F(NavigationTest, APageLoadsTheDocumentsThatFitAndTheRestFail) {
  // Two of these fit the page's share; the others fail, whichever come
  // first.
  pages_.Write("big.html", "<p>" + std::string(12 * 1024 * 1024, 'y'));
  const std::string main = pages_.Write("four.html", Iframes(4, "big.html"));
  ASSERT_TRUE(CreateBrowser(main));
  ASSERT_TRUE(WaitFor([&] {
    return log_.CountStartingWith("load-end sub") +
               log_.CountStartingWith("load-error sub") ==
           4;
  })) << log_.Dump();
  EXPECT_EQ(2, log_.CountStartingWith("load-end sub")) << log_.Dump();
  EXPECT_EQ(2, log_.CountStartingWith("load-error sub")) << log_.Dump();
  for (int i = 0; i < 4; ++i) {
    const std::string frame = "sub:f" + std::to_string(i);
    EXPECT_TRUE(
        log_.Has("load-end " + frame + " 200") ||
        log_.Has("load-error " + frame + " -12 " + pages_.Url("big.html")))
        << frame << "\n"
        << log_.Dump();
  }
}

TEST_F(NavigationTest, AFloodOfFramesToAServerThatNeverAnswersIsBounded) {
  SilentServer server;
  const std::string main =
      pages_.Write("flood.html", Iframes(2000, LocalUrl(server.port(), "/")));
  CefRefPtr<CefBrowser> browser = CreateBrowser(main);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(log_.WaitFor("load-end main 200")) << log_.Dump();
  Settle();
  // A page holds as many frames as the engine allows, no more; their
  // fetches wait their turn.
  EXPECT_EQ(1000u, browser->GetFrameCount());
  EXPECT_EQ(999, log_.CountStartingWith("before-browse sub"));
  EXPECT_TRUE(browser->IsLoading());
  // Closing the browser leaves nothing of them behind to run.
  browser->GetHost()->CloseBrowser(true);
  ASSERT_TRUE(log_.WaitFor("before-close"));
}

}  // namespace
}  // namespace browser_test
