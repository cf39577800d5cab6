// Shared helpers of the script tests: a delegate that records what pages
// send out, a context factory and a loop pump.
#ifndef TESTS_FRAMEWORK_SCRIPT_SCRIPT_TEST_SUPPORT_H_
#define TESTS_FRAMEWORK_SCRIPT_SCRIPT_TEST_SUPPORT_H_

#include <functional>
#include <string>
#include <vector>

#include "src/core/message_loop.h"
#include "src/script/extension_registry.h"
#include "src/script/script_delegate.h"
#include "src/script/v8_context_impl.h"

namespace script_test {

struct ConsoleEntry {
  cef_log_severity_t level;
  std::string message;
  std::string source;
  int line;
};

class RecordingDelegate : public cef_internal::ScriptDelegate {
 public:
  void OnConsoleMessage(cef_internal::V8ContextImpl* context,
                        cef_log_severity_t level,
                        const CefString& message,
                        const CefString& source,
                        int line) override {
    console.push_back({level, message.ToString(), source.ToString(), line});
  }
  void OnOpenWindow(cef_internal::V8ContextImpl* context,
                    const CefString& url,
                    const CefString& name) override {
    opened.push_back(url.ToString() + "|" + name.ToString());
  }
  void OnCloseWindow(cef_internal::V8ContextImpl* context) override {
    ++close_requests;
  }
  void OnNavigate(cef_internal::V8ContextImpl* context,
                  const CefString& url) override {
    navigations.push_back(url.ToString());
  }

  std::vector<ConsoleEntry> console;
  std::vector<std::string> opened;
  std::vector<std::string> navigations;
  int close_requests = 0;
};

inline CefRefPtr<cef_internal::V8ContextImpl> MakeContext(
    RecordingDelegate* delegate,
    const cef_internal::ExtensionRegistry* registry = nullptr) {
  std::vector<cef_internal::ScriptExtension> extensions;
  if (registry)
    extensions = registry->extensions();
  return cef_internal::V8ContextImpl::Create(delegate, extensions, nullptr,
                                             nullptr);
}

// Evaluates |code| and returns String(result), or "throws: <message>".
inline std::string EvalToString(CefRefPtr<CefV8Context> context,
                                const std::string& code) {
  CefRefPtr<CefV8Value> value;
  CefRefPtr<CefV8Exception> exception;
  if (!context->Eval(code, value, exception))
    return "throws: " + (exception ? exception->GetMessage().ToString() : "");
  CefRefPtr<CefV8Value> as_text;
  if (value->IsString())
    return value->GetStringValue().ToString();
  CefRefPtr<CefV8Value> global = context->GetGlobal();
  global->SetValue("__test_value", value, V8_PROPERTY_ATTRIBUTE_NONE);
  context->Eval("String(__test_value)", as_text, exception);
  global->DeleteValue("__test_value");
  return as_text ? as_text->GetStringValue().ToString() : "?";
}

inline bool Pump(const std::function<bool()>& done, int timeout_ms = 5000) {
  return cef_internal::MessageLoop::Current()->RunUntil(done, timeout_ms);
}

}  // namespace script_test

#endif  // TESTS_FRAMEWORK_SCRIPT_SCRIPT_TEST_SUPPORT_H_
