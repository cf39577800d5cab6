// CefBrowserHost's static entry points.
#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "src/browser/browser_context.h"
#include "src/browser/browser_impl.h"

using cef_internal::BrowserContext;

bool CefBrowserHost::CreateBrowser(
    const CefWindowInfo& windowInfo,
    CefRefPtr<CefClient> client,
    const CefString& url,
    const CefBrowserSettings& settings,
    CefRefPtr<CefRequestContext> request_context) {
  if (!BrowserContext::Get())
    return false;
  CefWindowInfo info(windowInfo);
  CefBrowserSettings browser_settings = settings;
  BrowserContext::PostUiTask(
      [info, client, url, browser_settings, request_context]() {
        BrowserContext::Get()->CreateBrowser(
            info, client, url, browser_settings, request_context, nullptr);
      });
  return true;
}

CefRefPtr<CefBrowser> CefBrowserHost::CreateBrowserSync(
    const CefWindowInfo& windowInfo,
    CefRefPtr<CefClient> client,
    const CefString& url,
    const CefBrowserSettings& settings,
    CefRefPtr<CefRequestContext> request_context) {
  BrowserContext* context = BrowserContext::Get();
  // Like the real framework: only on the UI thread.
  if (!context || !BrowserContext::CurrentlyOnUiThread())
    return nullptr;
  return context
      ->CreateBrowser(windowInfo, client, url, settings, request_context,
                      nullptr)
      .get();
}
