#include "tests/framework_process/render_app.h"

#include <windows.h>

#include <string>

#include "include/cef_browser.h"
#include "src/browser/child_process_switches.h"
#include "tests/framework_process/process_test_support.h"

namespace process_test {

namespace {

const char kExtensionCode[] =
    "var kxtest;if (!kxtest) kxtest = {};"
    "(function() { kxtest.reportPid = function() {"
    " native function ReportPid(); return ReportPid(); };})();";

// The browser process's id, from the pipe's name ("...\\kxcef-<id>-<random>").
DWORD BrowserProcessId() {
  const std::wstring pipe = CefCommandLine::GetGlobalCommandLine()
                                ->GetSwitchValue(cef_internal::kChannelSwitch)
                                .ToWString();
  const size_t start = pipe.find(L"kxcef-");
  return start == std::wstring::npos
             ? 0
             : static_cast<DWORD>(
                   wcstoul(pipe.c_str() + start + 6, nullptr, 10));
}

// Whether this process could write into the browser process.
bool CanWriteIntoBrowser() {
  HANDLE browser = OpenProcess(
      PROCESS_VM_WRITE | PROCESS_VM_OPERATION | PROCESS_CREATE_THREAD, FALSE,
      BrowserProcessId());
  if (browser)
    CloseHandle(browser);
  return browser != nullptr;
}

// Whether a process this one starts could leave its job.
bool CanStartOutsideTheJob() {
  wchar_t program[MAX_PATH];
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(program) + L"\"";
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(program, &line[0], nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED | CREATE_BREAKAWAY_FROM_JOB, nullptr,
                      nullptr, &startup, &info)) {
    return false;
  }
  TerminateProcess(info.hProcess, 0);
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  return true;
}

}  // namespace

void RenderApp::OnBeforeCommandLineProcessing(
    const CefString& process_type,
    CefRefPtr<CefCommandLine> command_line) {
  process_type_ = Utf8(process_type);
  marker_seen_ = command_line->HasSwitch(kMarkerSwitch);
}

void RenderApp::OnRegisterCustomSchemes(
    CefRefPtr<CefSchemeRegistrar> registrar) {
  scheme_registered_ = registrar->AddCustomScheme("kxtest", true, false, false);
}

void RenderApp::OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) {
  extra_info_ = Utf8(extra_info->GetString(0));
}

void RenderApp::OnWebKitInitialized() {
  router_ = CefMessageRouterRendererSide::Create(CefMessageRouterConfig());
  CefRegisterExtension("v8/kxtest", kExtensionCode, this);
}

void RenderApp::OnBrowserCreated(CefRefPtr<CefBrowser> browser) {
  CefRefPtr<CefProcessMessage> hello =
      CefProcessMessage::Create("render-hello");
  CefRefPtr<CefListValue> args = hello->GetArgumentList();
  args->SetInt(0, static_cast<int>(GetCurrentProcessId()));
  args->SetString(1, process_type_);
  args->SetString(2, extra_info_);
  args->SetBool(3, marker_seen_);
  args->SetBool(4, scheme_registered_);
  args->SetBool(5, CanWriteIntoBrowser());
  args->SetBool(6, CanStartOutsideTheJob());
  browser->SendProcessMessage(PID_BROWSER, hello);
}

void RenderApp::OnContextCreated(CefRefPtr<CefBrowser> browser,
                                 CefRefPtr<CefFrame> frame,
                                 CefRefPtr<CefV8Context> context) {
  router_->OnContextCreated(browser, frame, context);
}

void RenderApp::OnContextReleased(CefRefPtr<CefBrowser> browser,
                                  CefRefPtr<CefFrame> frame,
                                  CefRefPtr<CefV8Context> context) {
  router_->OnContextReleased(browser, frame, context);
}

bool RenderApp::OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                         CefProcessId source_process,
                                         CefRefPtr<CefProcessMessage> message) {
  if (router_->OnProcessMessageReceived(browser, source_process, message))
    return true;
  std::string name = Utf8(message->GetName());
  CefRefPtr<CefListValue> args = message->GetArgumentList();
  if (name.compare(0, 4, "echo") == 0) {
    CefRefPtr<CefProcessMessage> reply =
        CefProcessMessage::Create(name + "-reply");
    for (size_t i = 0; i < args->GetSize(); ++i)
      reply->GetArgumentList()->SetValue(i, args->GetValue(i));
    browser->SendProcessMessage(PID_BROWSER, reply);
    return true;
  }
  if (name == "exit-with") {
    browser->SendProcessMessage(PID_BROWSER,
                                CefProcessMessage::Create("exiting"));
    // ExitProcess stops the pipe's writer thread at once: give it time to
    // send "exiting", which the browser must then report before the end.
    Sleep(200);
    ExitProcess(static_cast<UINT>(args->GetInt(0)));
  }
  return false;
}

bool RenderApp::Execute(const CefString& name,
                        CefRefPtr<CefV8Value> object,
                        const CefV8ValueList& arguments,
                        CefRefPtr<CefV8Value>& retval,
                        CefString& exception) {
  if (name != "ReportPid")
    return false;
  CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
  CefRefPtr<CefProcessMessage> message = CefProcessMessage::Create("page-pid");
  message->GetArgumentList()->SetInt(0,
                                     static_cast<int>(GetCurrentProcessId()));
  message->GetArgumentList()->SetString(1, context->GetFrame()->GetURL());
  context->GetBrowser()->SendProcessMessage(PID_BROWSER, message);
  retval = CefV8Value::CreateInt(static_cast<int>(GetCurrentProcessId()));
  return true;
}

}  // namespace process_test
