// A render-process program that cannot start is named in the framework's
// log with its Win32 error, before the framework tries it in silence.
#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "app/simple_app.h"
#include "gtest/gtest.h"
#include "include/cef_command_line.h"
#include "src/core/log_destination.h"
#include "src/core/named_thread.h"
#include "tests/support/framework_thread.h"

namespace {

std::wstring TempPath(const wchar_t* name) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  return std::wstring(dir) + std::to_wstring(GetCurrentProcessId()) + name;
}

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

class ChildLaunchCheckTest : public testing::Test {
 protected:
  void SetUp() override {
    log_ = TempPath(L"-kxlaunch.log");
    DeleteFileW(log_.c_str());
    cef_internal::LogDestination::Configure(log_, LOGSEVERITY_DEFAULT);
  }
  void TearDown() override {
    cef_internal::LogDestination::Reset();
    DeleteFileW(log_.c_str());
  }

  // The log after the app was told of a launch of |program|, a child of
  // the kind |type|, on this thread.
  std::string LogAfterLaunchOf(const std::wstring& program,
                               const char* type = "renderer") {
    CefRefPtr<CefCommandLine> command_line =
        CefCommandLine::CreateCommandLine();
    command_line->SetProgram(program);
    command_line->AppendSwitchWithValue("type", type);
    app_->OnBeforeChildProcessLaunch(command_line);
    return Log();
  }

  std::string Log() {
    std::ifstream in(CefString(log_).ToString(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }

  CefRefPtr<SimpleApp> app_ = new SimpleApp();
  std::wstring log_;
};

TEST_F(ChildLaunchCheckTest, AMissingProgramIsNamedWithItsError) {
  const std::wstring missing = OwnFolder() + L"no-such-subprocess.exe";
  const std::string log = LogAfterLaunchOf(missing);
  EXPECT_NE(log.find(":ERROR:simple_app.cc("), std::string::npos) << log;
  EXPECT_NE(log.find("\"" + CefString(missing).ToString() + "\""),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("Win32 error 2, "), std::string::npos) << log;
  EXPECT_EQ(log.find('\n'), log.size() - 1) << "one line: " << log;
}

TEST_F(ChildLaunchCheckTest, AFileThatIsNoProgramIsNamedWithItsError) {
  const std::wstring text_file = TempPath(L"-not-a-program.exe");
  std::ofstream(CefString(text_file).ToString()) << "plain text";
  ASSERT_NE(GetFileAttributesW(text_file.c_str()), INVALID_FILE_ATTRIBUTES);
  const std::string log = LogAfterLaunchOf(text_file);
  DeleteFileW(text_file.c_str());
  EXPECT_NE(log.find("Win32 error 193, "), std::string::npos)
      << "[" << log << "]";
}

TEST_F(ChildLaunchCheckTest, AProgramThatCanStartLogsNothing) {
  EXPECT_EQ(LogAfterLaunchOf(OwnFolder() + L"kxsubprocess.exe"), "");
  // No program: the framework starts the browser process's own executable.
  EXPECT_EQ(LogAfterLaunchOf(L""), "");
}

// The framework launches its GPU process from its IO thread; that launch
// runs the same program, so it is the render process's launch that names a
// program that cannot start.
TEST_F(ChildLaunchCheckTest, AGpuLaunchOnTheIoThreadChecksNothing) {
  const std::wstring missing = OwnFolder() + L"no-such-subprocess.exe";
  std::string log = "not called";
  std::thread([&] {
    cef_internal::MarkCurrentThreadAs(TID_IO);
    log = LogAfterLaunchOf(missing, "gpu-process");
  }).join();
  EXPECT_EQ(log, "");
}

TEST(ChildLaunchThreadRulesDeathTest, AGpuLaunchOnTheUiThreadEndsTheProcess) {
  CefRefPtr<SimpleApp> app(new SimpleApp());
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  command_line->AppendSwitchWithValue("type", "gpu-process");
  EXPECT_DEATH(app->OnBeforeChildProcessLaunch(command_line),
               "Check failed: CefCurrentlyOn\\(TID_IO\\)");
}

TEST(ChildLaunchThreadRulesDeathTest,
     ARenderLaunchOffTheUiThreadEndsTheProcess) {
  CefRefPtr<SimpleApp> app(new SimpleApp());
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  command_line->AppendSwitchWithValue("type", "renderer");
  EXPECT_DEATH(std::thread([&] {
                 cef_internal::MarkCurrentThreadAs(TID_IO);
                 app->OnBeforeChildProcessLaunch(command_line);
               }).join(),
               "Check failed: CefCurrentlyOn\\(TID_UI\\)");
}

}  // namespace
