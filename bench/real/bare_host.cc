#include "bench/real/bare_host.h"

#include <cstdio>

namespace {

// As the component's page browsers: borderless, hidden pop-ups.
constexpr DWORD kPageWindowStyle = WS_POPUP | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int kSmallBrowserSize = 40;

}  // namespace

BareHost::BareHost(HWND parent, const RECT& bounds, const std::string& url)
    : parent_(parent), bounds_(bounds), url_(url) {}

void BareHost::OnContextInitialized() {
  CefWindowInfo info;
  info.SetAsPopup(parent_, L"main");
  info.style = kPageWindowStyle;
  info.ex_style |= WS_EX_TOOLWINDOW;
  info.width = bounds_.right - bounds_.left;
  info.height = bounds_.bottom - bounds_.top;
  CefBrowserSettings settings;
  CefBrowserHost::CreateBrowser(info, this, CefString(), settings, nullptr);
  info.SetAsPopup(parent_, L"small");
  info.style = kPageWindowStyle;
  info.width = info.height = kSmallBrowserSize;
  CefBrowserHost::CreateBrowser(info, this, CefString(), settings, nullptr);
}

void BareHost::OnAfterCreated(CefRefPtr<CefBrowser> browser) {
  browsers_.push_back(browser);
  if (browsers_.size() == 1)
    browser->GetMainFrame()->LoadURL(url_);
}

void BareHost::OnBeforeClose(CefRefPtr<CefBrowser> browser) {
  const bool main_closed = browser->IsSame(browsers_.front());
  for (auto it = browsers_.begin(); it != browsers_.end(); ++it) {
    if ((*it)->IsSame(browser)) {
      browsers_.erase(it);
      break;
    }
  }
  if (browsers_.empty())
    CefQuitMessageLoop();
  else if (main_closed)
    CloseAll();
}

bool BareHost::OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                                const CefString& message,
                                const CefString& source,
                                int line) {
  std::printf("console: %s\n", message.ToString().c_str());
  std::fflush(stdout);
  return true;
}

void BareHost::CloseAll() {
  if (closing_)
    return;
  closing_ = true;
  for (const CefRefPtr<CefBrowser>& browser : browsers_)
    browser->GetHost()->CloseBrowser(true);
}
