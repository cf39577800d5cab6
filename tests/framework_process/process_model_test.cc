// Where render sides run: a process of their own per browser, started the
// way the real framework starts them.
#include <windows.h>

#include <tlhelp32.h>

#include <vector>

#include "include/cef_browser.h"
#include "tests/framework_process/process_test_support.h"

namespace process_test {
namespace {

const char kPidPage[] = "<script>kxtest.reportPid();</script>";

class ProcessModelTest : public MultiProcessTest {};

// The ids of the processes this one started that still run.
std::vector<DWORD> LiveChildren() {
  std::vector<DWORD> children;
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  PROCESSENTRY32W entry = {sizeof(entry)};
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID == GetCurrentProcessId())
      children.push_back(entry.th32ProcessID);
  }
  CloseHandle(snapshot);
  return children;
}

TEST_F(ProcessModelTest, PageScriptRunsInTheLaunchedRenderProcess) {
  std::string url = Page("pid.html", kPidPage);
  CefRefPtr<CefBrowser> browser = CreateBrowser(url);
  ASSERT_TRUE(browser);
  ASSERT_TRUE(WaitForMessage(browser, "page-pid")) << log_.Dump();
  ReceivedMessage page = MessagesFor(browser, "page-pid")[0];
  DWORD page_pid = static_cast<DWORD>(page.args->GetInt(0));
  EXPECT_NE(GetCurrentProcessId(), page_pid);
  EXPECT_EQ(HostPid(browser), page_pid);
  EXPECT_EQ(url, Utf8(page.args->GetString(1)));
  std::string id = std::to_string(browser->GetIdentifier());
  EXPECT_TRUE(log_.WaitFor(id + " load-end 200")) << log_.Dump();
}

TEST_F(ProcessModelTest, RenderProcessStartsWithTheApplicationHooks) {
  CefRefPtr<CefBrowser> browser = CreateBrowser("");
  ASSERT_TRUE(browser);
  ASSERT_TRUE(WaitForMessage(browser, "render-hello")) << log_.Dump();
  CefRefPtr<CefListValue> hello = MessagesFor(browser, "render-hello")[0].args;
  EXPECT_EQ("renderer", Utf8(hello->GetString(1)));
  EXPECT_EQ(kExtraInfo, Utf8(hello->GetString(2)));
  EXPECT_TRUE(hello->GetBool(3)) << "switch added at launch not seen";
  EXPECT_TRUE(hello->GetBool(4)) << "OnRegisterCustomSchemes not called";
  // A render process may neither write into the browser process (whose id
  // it knows) nor start anything that outlives the browser process.
  EXPECT_FALSE(hello->GetBool(5))
      << "a render process can write into the browser";
  EXPECT_FALSE(hello->GetBool(6)) << "a render process can leave its job";

  ASSERT_EQ(1u, app_->launched_command_lines.size());
  const std::string& line = app_->launched_command_lines[0];
  EXPECT_NE(std::string::npos, line.find(Utf8(OwnExecutable()))) << line;
  EXPECT_NE(std::string::npos, line.find("--type=renderer")) << line;
  // The value is quoted: it holds backslashes.
  std::string pipe = "--kx-channel=\"\\\\.\\pipe\\kxcef-" +
                     std::to_string(GetCurrentProcessId()) + "-";
  EXPECT_NE(std::string::npos, line.find(pipe)) << line;
}

TEST_F(ProcessModelTest, EachBrowserHasItsOwnProcessAndPopupsShareTheirs) {
  Page("popup.html", kPidPage);
  std::string opener_url =
      Page("opener.html",
           "<script>kxtest.reportPid(); window.open('popup.html');</script>");
  CefRefPtr<CefBrowser> opener = CreateBrowser(opener_url);
  CefRefPtr<CefBrowser> other = CreateBrowser(Page("other.html", kPidPage));
  ASSERT_TRUE(opener && other);
  ASSERT_TRUE(WaitFor([&]() { return client_->browsers.size() == 3; }))
      << log_.Dump();
  CefRefPtr<CefBrowser> popup = client_->browsers[2];
  ASSERT_TRUE(popup->IsPopup());
  ASSERT_TRUE(WaitForMessage(opener, "page-pid") &&
              WaitForMessage(other, "page-pid") &&
              WaitForMessage(popup, "page-pid"))
      << log_.Dump();
  int opener_pid = MessagesFor(opener, "page-pid")[0].args->GetInt(0);
  int other_pid = MessagesFor(other, "page-pid")[0].args->GetInt(0);
  int popup_pid = MessagesFor(popup, "page-pid")[0].args->GetInt(0);
  EXPECT_NE(opener_pid, other_pid);
  EXPECT_EQ(opener_pid, popup_pid);
  EXPECT_EQ(2u, app_->launched_command_lines.size());
}

// As the real framework does in this mode, the first page brings a GPU
// process too, announced on the IO thread (where a handler that insists on
// the UI thread fails), once, and ended by CefShutdown.
TEST_F(ProcessModelTest,
       TheFirstPageBringsOneGpuProcessAnnouncedOnTheIoThread) {
  CefRefPtr<CefBrowser> first = CreateBrowser(Page("one.html", kPidPage));
  CefRefPtr<CefBrowser> second = CreateBrowser(Page("two.html", kPidPage));
  ASSERT_TRUE(first && second);
  ASSERT_TRUE(WaitForMessage(first, "page-pid") &&
              WaitForMessage(second, "page-pid"))
      << log_.Dump();
  ASSERT_TRUE(WaitFor([&] { return LiveChildren().size() >= 3; }));
  const std::vector<BrowserApp::OtherLaunch> launches = app_->other_launches();
  ASSERT_EQ(1u, launches.size());
  const std::string& line = launches[0].command_line;
  EXPECT_TRUE(launches[0].on_io_thread);
  EXPECT_FALSE(launches[0].on_ui_thread);
  EXPECT_NE(std::string::npos, line.find(Utf8(OwnExecutable()))) << line;
  EXPECT_NE(std::string::npos, line.find("--type=gpu-process")) << line;
  EXPECT_EQ(std::string::npos, line.find("--kx-channel")) << line;
  EXPECT_EQ(2u, app_->launched_command_lines.size());

  std::vector<HANDLE> gpu;
  for (DWORD pid : LiveChildren()) {
    if (pid != HostPid(first) && pid != HostPid(second))
      gpu.push_back(OpenProcess(SYNCHRONIZE, FALSE, pid));
  }
  ASSERT_EQ(1u, gpu.size());
  ASSERT_TRUE(gpu[0]);
  EXPECT_EQ(static_cast<DWORD>(WAIT_TIMEOUT), WaitForSingleObject(gpu[0], 0));
  Shutdown();
  EXPECT_EQ(static_cast<DWORD>(WAIT_OBJECT_0), WaitForSingleObject(gpu[0], 0))
      << "the GPU process outlived CefShutdown";
  CloseHandle(gpu[0]);
}

}  // namespace
}  // namespace process_test
