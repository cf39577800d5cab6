// The browser process's framework state between CefInitialize and
// CefShutdown: the application, the settings, every open browser and every
// render side. Lives on the UI thread.
#ifndef FRAMEWORK_SRC_BROWSER_BROWSER_CONTEXT_H_
#define FRAMEWORK_SRC_BROWSER_BROWSER_CONTEXT_H_

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "src/browser/gpu_process_host.h"
#include "src/browser/io_thread.h"
#include "src/browser/render_process_host.h"

namespace cef_internal {

class BrowserImpl;

class BrowserContext : public RenderProcessHost::Client {
 public:
  // Null outside CefInitialize .. CefShutdown.
  static BrowserContext* Get();
  // Call on the thread that becomes the UI thread.
  static bool Initialize(const CefSettings& settings, CefRefPtr<CefApp> app);
  // Closes every browser, ends every render side, releases everything.
  static void Shutdown();

  // Runs |task| on the UI thread, unless the framework has been shut down
  // (or started anew) by then. Callable from any thread.
  static void PostUiTask(std::function<void()> task);
  static bool CurrentlyOnUiThread();
  // Runs |task| on the IO thread.
  void PostIoTask(std::function<void()> task) { io_thread_->Post(task); }
  // Runs |task| on the IO thread and returns once it has run.
  void RunOnIoThread(std::function<void()> task) {
    io_thread_->PostAndWait(task);
  }

  BrowserContext(const BrowserContext&) = delete;
  BrowserContext& operator=(const BrowserContext&) = delete;

  const CefSettings& settings() const { return settings_; }
  // The GPU-like child's id once it runs, else 0. Any thread.
  DWORD gpu_process_id() const { return gpu_ ? gpu_->process_id() : 0; }
  CefRefPtr<CefApp> app() const { return app_; }

  // Creates a browser now; |opener| is set for pop-ups. Null on failure.
  CefRefPtr<BrowserImpl> CreateBrowser(
      const CefWindowInfo& window_info,
      CefRefPtr<CefClient> client,
      const CefString& url,
      const CefBrowserSettings& settings,
      CefRefPtr<CefRequestContext> request_context,
      BrowserImpl* opener);
  CefRefPtr<BrowserImpl> GetBrowser(int browser_id) const;
  // After OnBeforeClose: the browser leaves the context.
  void OnBrowserClosed(BrowserImpl* browser);

  // The render side for a new browser, or for one whose render side ended.
  // Pop-ups stay with their opener's. Null when none can be started.
  RenderProcessHost* RenderHostFor(BrowserImpl* opener);

  // RenderProcessHost::Client:
  void OnRenderMessage(RenderProcessHost* host,
                       Op op,
                       CefRefPtr<CefListValue> args) override;
  void OnRenderProcessGone(RenderProcessHost* host,
                           cef_termination_status_t status) override;

 private:
  BrowserContext(const CefSettings& settings, CefRefPtr<CefApp> app);
  ~BrowserContext() override;

  // One render side for every browser: single-process mode.
  bool SharesOneRenderSide() const;
  // The one place that decides how a render side is hosted.
  std::unique_ptr<RenderProcessHost> CreateRenderProcessHost(int id);
  RenderProcessHost* LaunchRenderHost();
  // Ends and deletes render sides no browser uses any more (posted, so that
  // no host is deleted inside its own callback).
  void ReleaseUnusedHosts();
  void CloseAllBrowsers();
  void ShutdownHosts();

  const CefSettings settings_;
  const CefRefPtr<CefApp> app_;
  // Joined first when the context is destroyed.
  std::unique_ptr<IoThread> io_thread_;
  // Multi-process mode only; used on the IO thread until it is joined.
  std::unique_ptr<GpuProcessHost> gpu_;
  std::map<int, CefRefPtr<BrowserImpl>> browsers_;
  std::vector<std::unique_ptr<RenderProcessHost>> hosts_;
  RenderProcessHost* shared_host_ = nullptr;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_BROWSER_CONTEXT_H_
