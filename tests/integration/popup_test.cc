// Pop-ups never open inside the application: web links reach the system's
// default browser through the shell, everything else is refused. Wine's
// default browser is replaced by tools/url_recorder.sh for these tests; it
// appends each URL to one shared log, so every URL here carries a token of
// this run.
#include "tests/integration/system_fixture.h"

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

}  // namespace
