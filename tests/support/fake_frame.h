// A frame that records what the handler asks it to do.
#ifndef TESTS_SUPPORT_FAKE_FRAME_H_
#define TESTS_SUPPORT_FAKE_FRAME_H_

#include <string>
#include <vector>

#include "include/cef_frame.h"

class FakeFrame : public CefFrame {
 public:
  explicit FakeFrame(bool is_main) : is_main_(is_main) {}

  struct Loaded {
    CefString source;
    CefString url;
  };
  std::vector<Loaded> loaded_strings;
  std::vector<CefString> executed_scripts;

  bool IsValid() override { return true; }
  void GetSource(CefRefPtr<CefStringVisitor> visitor) override {}
  void GetText(CefRefPtr<CefStringVisitor> visitor) override {}
  void LoadRequest(CefRefPtr<CefRequest> request) override {}
  void LoadURL(const CefString& url) override {}
  void LoadString(const CefString& string_val, const CefString& url) override {
    loaded_strings.push_back({string_val, url});
  }
  void ExecuteJavaScript(const CefString& code,
                         const CefString& script_url,
                         int start_line) override {
    executed_scripts.push_back(code);
  }
  bool IsMain() override { return is_main_; }
  bool IsFocused() override { return false; }
  CefString GetName() override { return CefString(); }
  int64 GetIdentifier() override { return is_main_ ? 0 : 1; }
  CefRefPtr<CefFrame> GetParent() override { return nullptr; }
  CefString GetURL() override { return CefString(); }
  CefRefPtr<CefBrowser> GetBrowser() override { return nullptr; }
  CefRefPtr<CefV8Context> GetV8Context() override { return nullptr; }

 private:
  bool is_main_;
  IMPLEMENT_REFCOUNTING(FakeFrame);
};

#endif  // TESTS_SUPPORT_FAKE_FRAME_H_
