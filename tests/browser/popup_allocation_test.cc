// A pop-up's address is measured before anything is copied: a page that
// opens one of tens of millions of characters costs the browser process's
// IO thread no big allocation. Every allocation of this test binary goes
// through the counting operator new below.
#include <cstdlib>
#include <new>
#include <thread>

#include "browser/embed_browser_handler.h"
#include "gtest/gtest.h"
#include "src/core/named_thread.h"
#include "tests/support/fake_browser.h"

namespace {

bool g_counting = false;
size_t g_largest_allocation = 0;

}  // namespace

void* operator new(size_t size) {
  if (g_counting && size > g_largest_allocation)
    g_largest_allocation = size;
  if (void* block = std::malloc(size ? size : 1))
    return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, size_t) noexcept {
  std::free(block);
}

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
  // The framework asks on its IO thread.
  std::thread([&] {
    cef_internal::MarkCurrentThreadAs(TID_IO);
    g_largest_allocation = 0;
    g_counting = true;
    cancelled = handler->OnBeforePopup(
        browser.get(), nullptr, url, CefString(), WOD_NEW_FOREGROUND_TAB, true,
        features, window_info, client, settings, &no_javascript_access);
    g_counting = false;
  }).join();
  EXPECT_TRUE(cancelled);
  EXPECT_LT(g_largest_allocation, 64 * 1024u);
}

}  // namespace
