// The floor of the start and memory rows: the least host of the framework
// that does what kxhost does up to its page's first console line. It starts
// the framework, creates the same two hidden pop-up browsers (the main one
// at the host window's size, the other 40 x 40), loads the page into the
// first, prints each console line as "console: TEXT", and ends when the page
// closes itself. It is its own render process program, and has no component
// code at all.
#ifndef BENCH_REAL_BARE_HOST_H_
#define BENCH_REAL_BARE_HOST_H_

#include <windows.h>

#include <string>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_client.h"

class BareHost : public CefApp,
                 public CefBrowserProcessHandler,
                 public CefClient,
                 public CefLifeSpanHandler,
                 public CefDisplayHandler {
 public:
  BareHost(HWND parent, const RECT& bounds, const std::string& url);

  // CefApp:
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override {
    return this;
  }
  // CefBrowserProcessHandler:
  void OnContextInitialized() override;
  // CefClient:
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override { return this; }
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override { return this; }
  // CefLifeSpanHandler:
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;
  // CefDisplayHandler:
  bool OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& source,
                        int line) override;

  // Closes every browser; the message loop ends after the last.
  void CloseAll();

 private:
  const HWND parent_;
  const RECT bounds_;
  const std::string url_;
  std::vector<CefRefPtr<CefBrowser>> browsers_;
  bool closing_ = false;

  IMPLEMENT_REFCOUNTING(BareHost);
};

#endif  // BENCH_REAL_BARE_HOST_H_
