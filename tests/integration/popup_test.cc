// Pop-ups never open inside the application: web links reach the system's
// default browser through the shell, everything else is refused. Wine's
// default browser is replaced by a recorder for these tests.
#include "tests/integration/system_fixture.h"

#include <fstream>
#include <sstream>

namespace {

class PopupTest : public SystemTest {
 protected:
  void SetUp() override {
    SystemTest::SetUp();
    log_ = CefString(temp_dir_ + L"\\urls.log").ToString();
    // The recorder is a host program; it reads its log path from the
    // environment that Wine hands down.
    std::string unix_log = UnixPath(log_);
    SetEnvironmentVariableA("KX_URL_LOG", unix_log.c_str());
    const std::string recorder = std::string(KX_SOURCE_DIR) +
                                 "/tools/url_recorder.sh";
    RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\WineBrowser",
                    "Browsers", REG_SZ, recorder.c_str(),
                    static_cast<DWORD>(recorder.size() + 1));
  }

  static std::string UnixPath(const std::string& windows_path) {
    typedef char* (*WineGetUnixFileName)(const wchar_t*);
    auto convert = reinterpret_cast<WineGetUnixFileName>(GetProcAddress(
        GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name"));
    if (!convert)
      return windows_path;
    char* unix_path = convert(CefString(windows_path).ToWString().c_str());
    std::string result = unix_path ? unix_path : windows_path;
    HeapFree(GetProcessHeap(), 0, unix_path);
    return result;
  }

  std::string RecordedUrls() {
    std::ifstream in(log_);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  std::string log_;
};

TEST_F(PopupTest, WebLinksReachTheDefaultBrowserAndNothingElseOpens) {
  ASSERT_TRUE(LoadAndWait(
      main_browser(),
      WritePage("popup.html",
                "<script>"
                "window.open('file:///C:/windows/notepad.exe', '_blank');"
                "window.open('C:\\\\windows\\\\notepad.exe', '_blank');"
                "window.open('javascript:alert(1)', '_blank');"
                "window.open('https://example.test/help?a=1', '_blank');"
                "console.log('opened');"
                "</script>")));
  ASSERT_TRUE(RunUntil([&] { return !RecordedUrls().empty(); }, 15000));
  RunUntil([] { return false; }, 1000);
  EXPECT_EQ(RecordedUrls(), "https://example.test/help?a=1\n");
  // No pop-up browser was created.
  EXPECT_EQ(g_client_handler->browser_count(), 2u);
}

}  // namespace
