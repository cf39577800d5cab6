// A render-process application for the renderer tests: records every
// handler callback, optionally registers an extension and feeds a message
// router, as a real application would.
#ifndef TESTS_FRAMEWORK_RENDERER_TEST_RENDER_APP_H_
#define TESTS_FRAMEWORK_RENDERER_TEST_RENDER_APP_H_

#include <string>
#include <vector>

#include "include/cef_app.h"
#include "include/wrapper/cef_message_router.h"

namespace renderer_test {

// Answers "Echo" with its first argument and "Browser" with the current
// context's browser id.
class EchoHandler : public CefV8Handler {
 public:
  bool Execute(const CefString& name,
               CefRefPtr<CefV8Value> object,
               const CefV8ValueList& arguments,
               CefRefPtr<CefV8Value>& retval,
               CefString& exception) override {
    if (name == L"Echo" && !arguments.empty()) {
      retval = arguments[0];
      return true;
    }
    if (name == L"Browser") {
      CefRefPtr<CefV8Context> context = CefV8Context::GetCurrentContext();
      retval = CefV8Value::CreateInt(
          context ? context->GetBrowser()->GetIdentifier() : -1);
      return true;
    }
    return false;
  }
  IMPLEMENT_REFCOUNTING(EchoHandler);
};

constexpr char kTestExtension[] =
    "var test;if (!test) test = {};"
    "(function() { test.echo = function(v) {"
    " native function Echo(v); return Echo(v); };"
    " test.browser = function() {"
    " native function Browser(); return Browser(); }; })();";

class TestRenderApp : public CefApp, public CefRenderProcessHandler {
 public:
  explicit TestRenderApp(
      bool with_router = false,
      bool with_extension = true,
      const CefMessageRouterConfig& config = CefMessageRouterConfig())
      : with_router_(with_router),
        with_extension_(with_extension),
        config_(config) {}

  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override {
    return this;
  }

  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override {
    events.push_back("thread:" + std::to_string(extra_info->GetSize()));
  }
  void OnWebKitInitialized() override {
    events.push_back("webkit");
    if (with_extension_) {
      registered =
          CefRegisterExtension("v8/test", kTestExtension, new EchoHandler);
    }
    if (with_router_)
      router = CefMessageRouterRendererSide::Create(config_);
  }
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override {
    events.push_back("browser+" + std::to_string(browser->GetIdentifier()));
  }
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override {
    events.push_back("browser-" + std::to_string(browser->GetIdentifier()));
  }
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override {
    events.push_back("context+" + std::to_string(frame->GetIdentifier()));
    if (router)
      router->OnContextCreated(browser, frame, context);
  }
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override {
    events.push_back("context-" + std::to_string(frame->GetIdentifier()) +
                     (context->IsValid() ? "" : "(invalid)"));
    if (router)
      router->OnContextReleased(browser, frame, context);
  }
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override {
    received.push_back(message);
    if (router &&
        router->OnProcessMessageReceived(browser, source_process, message)) {
      ++router_claimed;
      return true;
    }
    return false;
  }

  std::vector<std::string> events;
  std::vector<CefRefPtr<CefProcessMessage>> received;
  CefRefPtr<CefMessageRouterRendererSide> router;
  int router_claimed = 0;
  bool registered = false;

 private:
  const bool with_router_;
  const bool with_extension_;
  const CefMessageRouterConfig config_;

  IMPLEMENT_REFCOUNTING(TestRenderApp);
};

}  // namespace renderer_test

#endif  // TESTS_FRAMEWORK_RENDERER_TEST_RENDER_APP_H_
