// The host's origin allow-list across the whole system, in both process
// modes: which frames get KXHelper, whose page queries are answered and whose
// option messages reach the store.
#include <string>
#include <vector>

#include "store/option_store.h"
#include "tests/integration/render_side_app.h"
#include "tests/integration/system_fixture.h"

namespace {

// Nothing listens there: a frame sent to it shows the error page under
// that URL, a document of this origin.
const char kHttpOrigin[] = "http://127.0.0.1:1";
const char kHttpPage[] = "http://127.0.0.1:1/sub.html";

class OriginTest : public SystemTest, public testing::WithParamInterface<bool> {
 protected:
  explicit OriginTest(std::vector<std::string> origins)
      : origins_(std::move(origins)) {}

  bool SingleProcess() const override { return GetParam(); }
  CefRefPtr<SimpleApp> CreateApp() override {
    render_app_ = new RenderSideApp();
    render_app_->SetAllowedOrigins(origins_);
    return render_app_.get();
  }

  // Loads a file page whose sub-frame shows the error page for kHttpPage,
  // and returns that sub-frame once it has a document.
  CefRefPtr<CefFrame> LoadPageWithHttpSubFrame() {
    EXPECT_TRUE(LoadAndWait(
        main_browser(),
        WritePage("main.html",
                  std::string("<iframe src=\"") + kHttpPage + "\"></iframe>")));
    CefRefPtr<CefFrame> sub;
    EXPECT_TRUE(RunUntil([&] {
      std::vector<int64> ids;
      main_browser()->GetFrameIdentifiers(ids);
      for (int64 id : ids) {
        CefRefPtr<CefFrame> frame = main_browser()->GetFrame(id);
        if (frame && !frame->IsMain() &&
            frame->GetURL().ToString() == kHttpPage &&
            SourceOf(frame).find(L"<html") != std::wstring::npos) {
          sub = frame;
          return true;
        }
      }
      return false;
    }));
    return sub;
  }

  // Runs |expression| in |frame| and returns its string form.
  std::string EvaluateIn(CefRefPtr<CefFrame> frame,
                         const std::string& expression) {
    static int serial = 0;
    const std::string tag = "in-frame" + std::to_string(++serial) + "=";
    frame->ExecuteJavaScript(
        "console.log('" + tag + "' + (" + expression + "));", "", 0);
    std::string value;
    EXPECT_TRUE(WaitForConsole(tag, &value)) << expression;
    return value;
  }

  // Makes the page query |request| in |frame|; returns how it ended.
  std::string QueryIn(CefRefPtr<CefFrame> frame, const std::string& request) {
    const std::string tag = request + std::to_string(++queries_) + "=";
    frame->ExecuteJavaScript(
        "window.cefQuery({request: '" + request +
            "', onSuccess: function(r) { console.log('" + tag +
            "ok ' + r); }, onFailure: function(c, m) { console.log('" + tag +
            "' + c + ' ' + m); }});",
        "", 0);
    return Answer(tag);
  }

  std::string Answer(const std::string& tag) {
    std::string value;
    EXPECT_TRUE(WaitForConsole(tag, &value)) << tag;
    return value;
  }

  // The console lines that tell a page why it has no KXHelper.
  std::vector<std::string> AbsentLines() {
    std::vector<std::string> lines;
    for (const std::string& message : console_messages_) {
      if (message.compare(0, 19, "KXHelper is absent:") == 0)
        lines.push_back(message);
    }
    return lines;
  }

  std::vector<std::string> origins_;
  CefRefPtr<RenderSideApp> render_app_;
  int queries_ = 0;
};

// The list holds the file origin: the file page is allowed, the http
// sub-frame is refused.
class FileOriginListed : public OriginTest {
 protected:
  FileOriginListed() : OriginTest({"file://"}) {}
};

// The list holds the http origin only: the file page is refused, its http
// sub-frame allowed.
class HttpOriginListed : public OriginTest {
 protected:
  HttpOriginListed() : OriginTest({kHttpOrigin}) {}
};

TEST_P(FileOriginListed, AllowedMainFrameWorksRefusedSubFrameGetsNothing) {
  CefRefPtr<CefFrame> sub = LoadPageWithHttpSubFrame();
  ASSERT_TRUE(sub);
  CefRefPtr<CefFrame> main = main_browser()->GetMainFrame();
  EXPECT_EQ(EvaluateIn(main, "typeof KXHelper"), "object");
  EXPECT_EQ(QueryIn(main, "TestOnly"), "404 TestOnly Error");
  EXPECT_EQ(EvaluateIn(main, "KXHelper.SetUserOptions('[]')"), "true");
  EXPECT_TRUE(RunUntil([] { return notifications() == 1; }));

  EXPECT_EQ(EvaluateIn(sub, "typeof KXHelper"), "undefined");
  EXPECT_EQ(QueryIn(sub, "TestOnly"), "403 Origin not allowed");
  EXPECT_EQ(QueryIn(sub, "OnLoad"), "403 Origin not allowed");
  EXPECT_EQ(ReadRecords().size(), 8u);  // the main frame's one update
  EXPECT_EQ(notifications(), 1);
  // One line, for the refused page only.
  EXPECT_EQ(AbsentLines(),
            std::vector<std::string>(
                {"KXHelper is absent: the host does not allow this page's "
                 "origin (http://127.0.0.1:1)"}));
}

TEST_P(HttpOriginListed, RefusedMainFrameGetsNothingAllowedSubFrameWorks) {
  CefRefPtr<CefFrame> sub = LoadPageWithHttpSubFrame();
  ASSERT_TRUE(sub);
  CefRefPtr<CefFrame> main = main_browser()->GetMainFrame();
  EXPECT_EQ(EvaluateIn(main, "typeof KXHelper"), "undefined");
  EXPECT_EQ(QueryIn(main, "TestOnly"), "403 Origin not allowed");
  EXPECT_EQ(QueryIn(main, "Onjump"), "403 Origin not allowed");
  EXPECT_EQ(jumps_, 0);

  EXPECT_EQ(EvaluateIn(sub, "typeof KXHelper"), "object");
  EXPECT_EQ(QueryIn(sub, "TestOnly"), "404 TestOnly Error");
  EXPECT_EQ(EvaluateIn(sub, "KXHelper.SetUserOptions('[{\"filter_id\":7}]')"),
            "true");
  EXPECT_TRUE(RunUntil([] { return notifications() == 1; }));
  EXPECT_EQ(ReadRecords().size(), 56u);
  EXPECT_EQ(AbsentLines(),
            std::vector<std::string>(
                {"KXHelper is absent: the host does not allow this page's "
                 "origin (file://)"}));
}

INSTANTIATE_TEST_SUITE_P(SingleProcess,
                         FileOriginListed,
                         testing::Values(true));
INSTANTIATE_TEST_SUITE_P(MultiProcess,
                         FileOriginListed,
                         testing::Values(false));
INSTANTIATE_TEST_SUITE_P(SingleProcess,
                         HttpOriginListed,
                         testing::Values(true));
INSTANTIATE_TEST_SUITE_P(MultiProcess,
                         HttpOriginListed,
                         testing::Values(false));

// The host's seeded options follow the list as the voice texts do: a render
// process asks for them once an allowed main frame has loaded.
const char kSeededOptions[] =
    "[{\"filter_id\":61,\"is_filter\":true,\"uic_type\":2}]";

void SeedOneFilter() {
  OptionBlock block = MakeEmptyOptionBlock();
  block.count = 1;
  block.entries[0] = {2, 61, 1, {}};
  OptionStore::GetInstance()->SetInitialOptions(block);
}

class SeededFileOriginListed : public FileOriginListed {
 protected:
  void BeforeFrameworkStarts() override { SeedOneFilter(); }
};

TEST_P(SeededFileOriginListed, AnAllowedPageReadsThem) {
  ASSERT_TRUE(LoadPageWithHttpSubFrame());
  EXPECT_TRUE(RunUntil([&] {
    return EvaluateIn(main_browser()->GetMainFrame(),
                      "KXHelper.GetUserOptions()") == kSeededOptions;
  }));
}

INSTANTIATE_TEST_SUITE_P(SingleProcess,
                         SeededFileOriginListed,
                         testing::Values(true));
INSTANTIATE_TEST_SUITE_P(MultiProcess,
                         SeededFileOriginListed,
                         testing::Values(false));

class SeededHttpOriginListed : public HttpOriginListed {
 protected:
  void BeforeFrameworkStarts() override { SeedOneFilter(); }
};

TEST_P(SeededHttpOriginListed, ARefusedMainFrameNeverAsks) {
  CefRefPtr<CefFrame> sub = LoadPageWithHttpSubFrame();
  ASSERT_TRUE(sub);
  // The refused main frame's "OnLoad" query has been answered (with 403),
  // and a round trip from the sub-frame follows any answer to a request.
  ASSERT_TRUE(RunUntil([&] { return !render_app_->router_replies.empty(); }));
  EXPECT_EQ(QueryIn(sub, "TestOnly"), "404 TestOnly Error");
  EXPECT_EQ(render_app_->options_received, 0);
  EXPECT_EQ(EvaluateIn(sub, "KXHelper.GetUserOptions()"), "");
}

// Single-process: the test sees what reaches the render side.
INSTANTIATE_TEST_SUITE_P(SingleProcess,
                         SeededHttpOriginListed,
                         testing::Values(true));

// A render process that sends option messages for a refused frame, or
// without naming a frame at all: the browser drops them, judging the frame
// it knows. Single-process, where the test can speak for the render side.
using HttpOriginListedRenderSide = HttpOriginListed;

TEST_P(HttpOriginListedRenderSide, OptionMessagesFromRefusedFramesAreDropped) {
  CefRefPtr<CefFrame> sub = LoadPageWithHttpSubFrame();
  ASSERT_TRUE(sub);
  CefRefPtr<CefBrowser> renderer = render_app_->render_browser;
  ASSERT_TRUE(renderer);
  const int64 main_id = renderer->GetMainFrame()->GetIdentifier();
  const char* const kNames[] = {"set_option", "SetUserOptions", "get_option",
                                "syncCache"};
  for (const char* name : kNames) {
    CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create(name);
    message->GetArgumentList()->SetString(0, "[]");
    // Unnamed; named for the refused main frame; named for no frame.
    renderer->SendProcessMessage(PID_BROWSER, message->Copy());
    renderer->SendProcessMessage(PID_BROWSER,
                                 CreateSenderFrameMessage(main_id));
    renderer->SendProcessMessage(PID_BROWSER, message->Copy());
    renderer->SendProcessMessage(PID_BROWSER,
                                 CreateSenderFrameMessage(main_id + 99999));
    renderer->SendProcessMessage(PID_BROWSER, message->Copy());
  }
  // Named for the allowed sub-frame: applied.
  renderer->SendProcessMessage(PID_BROWSER,
                               CreateSenderFrameMessage(sub->GetIdentifier()));
  renderer->SendProcessMessage(PID_BROWSER,
                               CreateEmptyMessage(kSetOptionMessage));
  ASSERT_TRUE(RunUntil([] { return notifications() == 1; }));
  ASSERT_TRUE(RunUntil([&] { return render_app_->options_received == 1; }));
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(notifications(), 1);
  EXPECT_EQ(render_app_->options_received, 1);  // no answer to "get_option"
  EXPECT_EQ(ReadRecords().size(), 8u);
}

INSTANTIATE_TEST_SUITE_P(SingleProcess,
                         HttpOriginListedRenderSide,
                         testing::Values(true));

}  // namespace
