// Pop-ups never open inside the application: web links reach the system's
// default browser through the shell, everything else is refused. Wine's
// default browser is replaced by tools/url_recorder.sh for these tests; it
// appends each URL to one shared log, so every URL here carries a token of
// this run.
#include "tests/integration/system_fixture.h"

#include "browser/popup_url.h"

#include <fstream>
#include <sstream>

namespace {

const char kRecorderLog[] = "Z:\\tmp\\kx_url_recorder.log";

class PopupTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    token_ = "t" + std::to_string(GetCurrentProcessId()) + "x" +
             std::to_string(GetTickCount());
    const std::string recorder =
        std::string(KX_SOURCE_DIR) + "/tools/url_recorder.sh";
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser",
                    "Browsers", REG_SZ, recorder.c_str(),
                    static_cast<DWORD>(recorder.size() + 1));
  }

  // The recorded URLs of this run, one per line.
  std::string RecordedUrls() {
    std::ifstream in(kRecorderLog);
    std::string line, mine;
    while (std::getline(in, line)) {
      if (line.find(token_) != std::string::npos)
        mine += line + "\n";
    }
    return mine;
  }

  std::string token_;
};

TEST_F(PopupTest, WebLinksReachTheDefaultBrowserAndNothingElseOpens) {
  ASSERT_TRUE(
      LoadAndWait(main_browser(),
                  WritePage("popup.html",
                            "<script>"
                            "window.open('file:///C:/windows/notepad.exe?" +
                                token_ +
                                "', '_blank');"
                                "window.open('C:\\\\windows\\\\notepad.exe " +
                                token_ +
                                "', '_blank');"
                                "window.open('javascript:alert(\"" +
                                token_ +
                                "\")', '_blank');"
                                "window.open('https://example.test/help?" +
                                token_ + "', '_blank');</script>")));
  ASSERT_TRUE(RunUntil([&] { return !RecordedUrls().empty(); }, 15000));
  RunUntil([] { return false; }, 1000);
  EXPECT_EQ(RecordedUrls(), "https://example.test/help?" + token_ + "\n");
  // No pop-up browser was created.
  EXPECT_EQ(g_client_handler->browser_count(), 2u);
}

// Addresses up to the shell's limit reach it; longer ones, as the page
// gives them or once rebuilt, are dropped with one log line each, and the
// browser process goes on.
TEST_F(PopupTest, AddressesLongerThanTheShellTakesAreDroppedWithALogLine) {
  const std::string start = "http://a.test/" + token_ + "/";
  const std::string longest =
      start + std::string(kMaxPopupUrlLength - start.size(), 'x');
  ASSERT_TRUE(LoadAndWait(
      main_browser(), WritePage("long.html",
                                "<script>"
                                "window.open('" +
                                    longest +
                                    "y', '_blank');"
                                    "window.open('" +
                                    start +
                                    "' + new Array(231).join("
                                    "String.fromCharCode(0x4E2D)), '_blank');"
                                    "window.open('" +
                                    longest +
                                    "', '_blank');"
                                    "console.log('opened');</script>")));
  ASSERT_TRUE(RunUntil([&] { return !RecordedUrls().empty(); }, 15000));
  RunUntil([] { return false; }, 1000);
  EXPECT_EQ(RecordedUrls(), longest + "\n");
  size_t refused = 0;
  for (size_t at = FrameworkLog().find("longer than the shell takes");
       at != std::string::npos;
       at = FrameworkLog().find("longer than the shell takes", at + 1)) {
    ++refused;
  }
  EXPECT_EQ(refused, 2u) << FrameworkLog();
}

}  // namespace
