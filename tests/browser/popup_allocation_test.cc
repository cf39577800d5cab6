// A pop-up's address is measured before anything is copied: a page that
// opens one of tens of millions of characters costs the browser process's
// IO thread no big allocation.
#include <thread>

#include "browser/embed_browser_handler.h"
#include "gtest/gtest.h"
#include "src/core/named_thread.h"
#include "tests/support/allocation_probe.h"
#include "tests/support/fake_browser.h"

namespace {

TEST(PopupAllocation, AVeryLongAddressIsRefusedWithoutCopyingIt) {
  CefRefPtr<EmbedBrowserHandler> handler = new EmbedBrowserHandler();
  CefRefPtr<FakeBrowser> browser = new FakeBrowser(1);
  std::wstring text = L"http://a.test/";
  text.resize(33 * 1000 * 1000, L'x');
  const CefString url(text);
  CefPopupFeatures features;
  CefWindowInfo window_info;
  CefRefPtr<CefClient> client;
  CefBrowserSettings settings;
  bool no_javascript_access = false;
  bool cancelled = false;
  size_t largest_allocation = 0;
  // The framework asks on its IO thread.
  std::thread([&] {
    cef_internal::MarkCurrentThreadAs(TID_IO);
    AllocationProbe probe;
    cancelled = handler->OnBeforePopup(
        browser.get(), nullptr, url, CefString(), WOD_NEW_FOREGROUND_TAB, true,
        features, window_info, client, settings, &no_javascript_access);
    largest_allocation = probe.largest();
  }).join();
  EXPECT_TRUE(cancelled);
  EXPECT_LT(largest_allocation, 64 * 1024u);
}

}  // namespace
