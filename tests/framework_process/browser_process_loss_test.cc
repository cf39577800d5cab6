// A render process whose browser process dies: it ends by itself when its
// pipe breaks, and the job ends it when it cannot notice.
#include <fstream>
#include <string>

#include "src/renderer/render_process.h"
#include "tests/framework_process/process_test_support.h"

namespace process_test {
namespace {

// This executable as a browser process that loads |html| and dies once the
// test says so.
class HelperBrowser {
 public:
  HelperBrowser(const std::string& html, bool use_job) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring stem = std::wstring(temp) + L"kx_helper_" +
                        std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(++g_count_);
    page_ = stem + L".html";
    report_ = stem + L".txt";
    std::ofstream(page_.c_str(), std::ios::binary) << html;
    std::wstring event_name = L"kx_helper_go_" +
                              std::to_wstring(GetCurrentProcessId()) + L"_" +
                              std::to_wstring(g_count_);
    go_ = CreateEventW(nullptr, TRUE, FALSE, event_name.c_str());
    std::wstring url = L"file:///" + page_;
    for (wchar_t& c : url) {
      if (c == L'\\')
        c = L'/';
    }
    process_ = ProcessWatch::LaunchSelf(
        L"--" + CefString(kHelperBrowserSwitch).ToWString() +
        (use_job ? L"" : L" --" + CefString(kNoJobSwitch).ToWString()) +
        L" --" + CefString(kReportFileSwitch).ToWString() + L"=" + report_ +
        L" --" + CefString(kGoEventSwitch).ToWString() + L"=" + event_name +
        L" --" + CefString(kUrlSwitch).ToWString() + L"=" + url);
  }
  ~HelperBrowser() {
    SetEvent(go_);
    CloseHandle(go_);
    DeleteFileW(page_.c_str());
    DeleteFileW(report_.c_str());
  }

  ProcessWatch& process() { return *process_; }

  // The id of the helper's render process, once its page ran.
  DWORD WaitForRenderPid() {
    // Polled: nothing wakes a message loop when a file appears.
    const ULONGLONG deadline = GetTickCount64() + kWaitMs;
    DWORD pid = 0;
    while (GetTickCount64() < deadline && !process_->Ended()) {
      std::ifstream in(report_.c_str());
      if (in >> pid)
        return pid;
      Sleep(20);
    }
    return 0;
  }
  void LetDie() { SetEvent(go_); }

 private:
  static int g_count_;
  std::wstring page_;
  std::wstring report_;
  HANDLE go_;
  std::unique_ptr<ProcessWatch> process_;
};

int HelperBrowser::g_count_ = 0;

TEST(BrowserProcessLossTest, RenderProcessEndsByItselfWithExitCode2) {
  HelperBrowser helper("<script>kxtest.reportPid();</script>", false);
  ASSERT_TRUE(helper.process().valid());
  DWORD pid = helper.WaitForRenderPid();
  ASSERT_NE(0u, pid) << "helper ended with " << helper.process().exit_code();
  ProcessWatch renderer(pid);
  ASSERT_TRUE(renderer.valid());
  helper.LetDie();
  ASSERT_TRUE(helper.process().WaitForEnd());
  ASSERT_TRUE(renderer.WaitForEnd());
  EXPECT_EQ(static_cast<DWORD>(cef_internal::kBrowserProcessLostExitCode),
            renderer.exit_code());
}

TEST(BrowserProcessLossTest, JobEndsAHungRenderProcessOfAKilledBrowser) {
  // A render process busy in script never reads its pipe's end.
  HelperBrowser helper("<script>kxtest.reportPid(); while (true) {}</script>",
                       true);
  ASSERT_TRUE(helper.process().valid());
  DWORD pid = helper.WaitForRenderPid();
  ASSERT_NE(0u, pid) << "helper ended with " << helper.process().exit_code();
  ProcessWatch renderer(pid);
  ASSERT_TRUE(renderer.valid());
  helper.process().Kill(9);
  ASSERT_TRUE(helper.process().WaitForEnd());
  EXPECT_TRUE(renderer.WaitForEnd());
}

TEST(BrowserProcessLossTest, KilledBrowserProcessLeavesNoRenderProcess) {
  HelperBrowser helper("<script>kxtest.reportPid();</script>", true);
  ASSERT_TRUE(helper.process().valid());
  DWORD pid = helper.WaitForRenderPid();
  ASSERT_NE(0u, pid) << "helper ended with " << helper.process().exit_code();
  ProcessWatch renderer(pid);
  ASSERT_TRUE(renderer.valid());
  helper.process().Kill(9);
  ASSERT_TRUE(helper.process().WaitForEnd());
  ASSERT_TRUE(renderer.WaitForEnd());
  // The job ends it (0, the job's code), unless it saw its pipe close
  // first (2); never a crash, never left running.
  EXPECT_TRUE(renderer.exit_code() == 0 ||
              renderer.exit_code() ==
                  static_cast<DWORD>(cef_internal::kBrowserProcessLostExitCode))
      << renderer.exit_code();
}

}  // namespace
}  // namespace process_test
