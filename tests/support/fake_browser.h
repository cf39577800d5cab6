// A browser that records what is sent through it, with a host that owns a
// real window, for tests that stand in for the framework's browser side.
#ifndef TESTS_SUPPORT_FAKE_BROWSER_H_
#define TESTS_SUPPORT_FAKE_BROWSER_H_

#include <windows.h>

#include <vector>

#include "include/base/cef_logging.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"

class FakeBrowserHost : public CefBrowserHost {
 public:
  explicit FakeBrowserHost(HWND window) : window_(window) {}

  CefRefPtr<CefBrowser> GetBrowser() override { return nullptr; }
  void CloseBrowser(bool force_close) override {}
  cef_window_handle_t GetWindowHandle() override { return window_; }
  cef_window_handle_t GetOpenerWindowHandle() override { return nullptr; }
  CefRefPtr<CefClient> GetClient() override { return nullptr; }
  CefRefPtr<CefRequestContext> GetRequestContext() override { return nullptr; }

 private:
  HWND window_;
  IMPLEMENT_REFCOUNTING(FakeBrowserHost);
};

class FakeBrowser : public CefBrowser {
 public:
  struct Sent {
    CefProcessId target;
    CefRefPtr<CefProcessMessage> message;
  };

  // A hidden top-level window of its own, with scroll bars to strip.
  explicit FakeBrowser(int id) : id_(id) {
    window_ = CreateWindowExW(0, L"STATIC", L"fake",
                              WS_POPUP | WS_VSCROLL | WS_HSCROLL | WS_BORDER, 0,
                              0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    host_ = new FakeBrowserHost(window_);
  }

  HWND window() const { return window_; }
  std::vector<Sent> sent;

  CefRefPtr<CefBrowserHost> GetHost() override { return host_; }
  bool IsLoading() override { return false; }
  void Reload() override {}
  void StopLoad() override {}
  int GetIdentifier() override { return id_; }
  bool IsSame(CefRefPtr<CefBrowser> that) override {
    DCHECK(that.get());  // as the framework's
    return that && that->GetIdentifier() == id_;
  }
  bool IsPopup() override { return true; }
  bool HasDocument() override { return true; }
  CefRefPtr<CefFrame> GetMainFrame() override { return nullptr; }
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override { return nullptr; }
  size_t GetFrameCount() override { return 0; }
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override {}
  bool SendProcessMessage(CefProcessId target,
                          CefRefPtr<CefProcessMessage> message) override {
    sent.push_back({target, message});
    return true;
  }

 protected:
  ~FakeBrowser() override { DestroyWindow(window_); }

 private:
  int id_;
  HWND window_;
  CefRefPtr<FakeBrowserHost> host_;
  IMPLEMENT_REFCOUNTING(FakeBrowser);
};

#endif  // TESTS_SUPPORT_FAKE_BROWSER_H_
