// The render side of the test application, in the render processes this
// executable becomes. It tells the browser process what it saw at start
// ("render-hello": [pid, process type, extra info, marker switch seen,
// custom scheme registered, could open the browser process to write into it,
// could start a process outside its job]), lets pages report their process id
// (kxtest.reportPid() -> "page-pid": [pid, url]), answers "echo..." with
// "echo...-reply" and the same arguments, ends on "exit-with" [code] after
// sending "exiting", and hosts the render half of the message router.
#ifndef TESTS_FRAMEWORK_PROCESS_RENDER_APP_H_
#define TESTS_FRAMEWORK_PROCESS_RENDER_APP_H_

#include <string>

#include "include/cef_app.h"
#include "include/cef_v8.h"
#include "include/wrapper/cef_message_router.h"

namespace process_test {

class RenderApp : public CefApp,
                  public CefRenderProcessHandler,
                  public CefV8Handler {
 public:
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override {
    return this;
  }
  void OnBeforeCommandLineProcessing(
      const CefString& process_type,
      CefRefPtr<CefCommandLine> command_line) override;
  void OnRegisterCustomSchemes(
      CefRefPtr<CefSchemeRegistrar> registrar) override;

  // CefRenderProcessHandler:
  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override;
  void OnWebKitInitialized() override;
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  // CefV8Handler:
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override;

 private:
  std::string process_type_;
  bool marker_seen_ = false;
  bool scheme_registered_ = false;
  std::string extra_info_;
  CefRefPtr<CefMessageRouterRendererSide> router_;

  IMPLEMENT_REFCOUNTING(RenderApp);
};

}  // namespace process_test

#endif  // TESTS_FRAMEWORK_PROCESS_RENDER_APP_H_
