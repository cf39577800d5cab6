#include "tests/framework_process/render_app.h"

#include <windows.h>

#include "include/cef_browser.h"
#include "tests/framework_process/process_test_support.h"

namespace process_test {

namespace {

const char kExtensionCode[] =
    "var kxtest;if (!kxtest) kxtest = {};"
    "(function() { kxtest.reportPid = function() {"
    " native function ReportPid(); return ReportPid(); };})();";

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
