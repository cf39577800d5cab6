#include "tests/framework_process/child_modes.h"

#include <windows.h>

#include <string>

#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "src/browser/child_process.h"
#include "src/browser/child_process_switches.h"
#include "tests/framework_process/process_test_support.h"
#include "tests/framework_process/raw_pipe.h"
#include "tests/framework_process/render_app.h"

namespace process_test {

namespace {

using cef_internal::Op;

// Exit codes of the hand-played render side.
constexpr int kRawNoBrowser = 10;
constexpr int kRawNoShutdown = 11;

CefRefPtr<CefCommandLine> CommandLine() {
  return CefCommandLine::GetGlobalCommandLine();
}

// Writes garbage, then a valid message: the browser must drop the first and
// deliver the second.
int RunRawRenderer() {
  RawPipe pipe = RawPipe::Connect(
      CommandLine()->GetSwitchValue(cef_internal::kChannelSwitch).ToWString());
  if (!pipe.valid())
    return cef_internal::kNoChannelExitCode;
  CefRefPtr<CefListValue> created =
      pipe.ReadUntil(Op::kBrowserCreated, kWaitMs);
  if (!created)
    return kRawNoBrowser;
  const int browser_id = created->GetInt(0);
  pipe.WriteBytes(MalformedFrames(browser_id));
  CefRefPtr<CefListValue> after = CefListValue::Create();
  after->SetInt(0, browser_id);
  after->SetString(1, "after-garbage");
  after->SetList(2, CefListValue::Create());
  pipe.WriteOp(Op::kProcessMessage, after);
  return pipe.ReadUntil(Op::kShutdown, 2 * kWaitMs) ? 0 : kRawNoShutdown;
}

// Says it is ready, then never reads again: what the browser sends it can
// only pile up.
int RunDeafRenderer() {
  RawPipe pipe = RawPipe::Connect(
      CommandLine()->GetSwitchValue(cef_internal::kChannelSwitch).ToWString());
  if (!pipe.valid())
    return cef_internal::kNoChannelExitCode;
  CefRefPtr<CefListValue> created =
      pipe.ReadUntil(Op::kBrowserCreated, kWaitMs);
  if (!created)
    return kRawNoBrowser;
  CefRefPtr<CefListValue> ready = CefListValue::Create();
  ready->SetInt(0, created->GetInt(0));
  ready->SetString(1, "deaf-ready");
  ready->SetList(2, CefListValue::Create());
  pipe.WriteOp(Op::kProcessMessage, ready);
  // Ended by the browser, or by the test's end.
  Sleep(4 * kWaitMs);
  return 0;
}

void WriteReport(const std::wstring& path, const std::string& text) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
  CloseHandle(file);
}

// Loads the page given, reports the id of the render process its script
// ran in, then ends abruptly when told to (or is killed by the test).
int RunHelperBrowser() {
  CefRefPtr<CefCommandLine> command_line = CommandLine();
  if (command_line->HasSwitch(kNoJobSwitch))
    cef_internal::ChildProcess::SetUseJobObject(false);
  CefRefPtr<BrowserApp> app = new BrowserApp();
  EventLog log;
  CefRefPtr<TestClient> client = new TestClient(&log);
  CefSettings settings;
  settings.single_process = false;  // render processes from this executable
  if (!CefInitialize(CefMainArgs(GetModuleHandleW(nullptr)), settings,
                     app.get(), nullptr)) {
    return 20;
  }
  CefWindowInfo info;
  info.SetAsPopup(nullptr, "helper");
  info.style = WS_POPUP;
  CefBrowserHost::CreateBrowser(info, client.get(),
                                command_line->GetSwitchValue(kUrlSwitch),
                                CefBrowserSettings(), nullptr);
  if (!WaitFor([&]() { return !client->MessagesNamed("page-pid").empty(); }))
    return 21;
  int pid = client->MessagesNamed("page-pid")[0].args->GetInt(0);
  WriteReport(command_line->GetSwitchValue(kReportFileSwitch).ToWString(),
              std::to_string(pid) + "\n");
  HANDLE go = OpenEventW(SYNCHRONIZE, FALSE,
                         command_line->GetSwitchValue(kGoEventSwitch).c_str());
  WaitForSingleObject(go, kWaitMs);
  // No CefShutdown: the render process learns of the end from its pipe.
  ExitProcess(0);
}

}  // namespace

int RunAsChild() {
  CefRefPtr<CefCommandLine> command_line = CommandLine();
  if (command_line->HasSwitch(kExitAtOnceSwitch))
    return kExitAtOnceCode;
  if (command_line->HasSwitch(kRawRendererSwitch))
    return RunRawRenderer();
  if (command_line->HasSwitch(kDeafRendererSwitch))
    return RunDeafRenderer();
  if (command_line->HasSwitch(kHelperBrowserSwitch))
    return RunHelperBrowser();
  CefRefPtr<RenderApp> app = new RenderApp();
  return CefExecuteProcess(CefMainArgs(GetModuleHandleW(nullptr)), app.get(),
                           nullptr);
}

}  // namespace process_test
