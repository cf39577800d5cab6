// A browser in the browser process: its window, its frames, its client and
// its render side. It is both the CefBrowser and its CefBrowserHost. All
// state changes happen on the UI thread; public calls from other threads are
// posted there.
#ifndef FRAMEWORK_SRC_BROWSER_BROWSER_IMPL_H_
#define FRAMEWORK_SRC_BROWSER_BROWSER_IMPL_H_

#include <map>
#include <memory>
#include <mutex>

#include "include/cef_browser.h"
#include "include/cef_client.h"
#include "src/browser/browser_window.h"
#include "src/browser/frame_impl.h"
#include "src/browser/navigator.h"
#include "src/channel/channel.h"

namespace cef_internal {

class RenderProcessHost;

class BrowserImpl : public CefBrowser,
                    public CefBrowserHost,
                    public BrowserWindow::Delegate {
 public:
  BrowserImpl(int id,
              bool is_popup,
              CefRefPtr<CefClient> client,
              const CefBrowserSettings& settings,
              CefRefPtr<CefRequestContext> request_context,
              HWND opener_window,
              RenderProcessHost* host);
  BrowserImpl(const BrowserImpl&) = delete;
  BrowserImpl& operator=(const BrowserImpl&) = delete;

  // Creates the window, announces the browser to its render side, reports
  // OnAfterCreated and starts loading |url| unless it is empty. False when
  // the window cannot be created.
  bool Open(const CefWindowInfo& window_info, const CefString& url);
  // Destroys the window without asking the client (framework shutdown).
  void ForceClose();
  bool IsClosed() const;

  RenderProcessHost* render_host() const { return host_; }
  // After the render side ended: a new one, announced with kBrowserCreated.
  // False when none can be started, which is then reported
  // (ReportLaunchFailed).
  bool EnsureRenderSide();
  Navigator* navigator() { return &navigator_; }
  const CefBrowserSettings& settings() const { return settings_; }
  // Null once the browser is closed.
  CefRefPtr<CefClient> client();

  // Sends to this browser's render side; [browser_id] leads |args|.
  bool SendToRenderer(Op op, CefRefPtr<CefListValue> args);
  // A message from the render side about this browser.
  void OnRenderMessage(Op op, CefRefPtr<CefListValue> args);
  // The render side ended under this browser; the browser stays open.
  void OnRenderProcessGone(cef_termination_status_t status);

  CefRefPtr<FrameImpl> main_frame() { return main_frame_; }
  CefRefPtr<FrameImpl> FindFrame(int64 id);
  void AddFrame(CefRefPtr<FrameImpl> frame);
  // Units of the documents its frames hold, but |except|'s.
  size_t SourceUnitsExcept(int64 except);
  // Detaches every frame but the main one (a new main document).
  void DropSubframes();

  // CefBrowser:
  CefRefPtr<CefBrowserHost> GetHost() override;
  bool IsLoading() override;
  void Reload() override;
  void StopLoad() override;
  int GetIdentifier() override;
  bool IsSame(CefRefPtr<CefBrowser> that) override;
  bool IsPopup() override;
  bool HasDocument() override;
  CefRefPtr<CefFrame> GetMainFrame() override;
  CefRefPtr<CefFrame> GetFrame(int64 identifier) override;
  size_t GetFrameCount() override;
  void GetFrameIdentifiers(std::vector<int64>& identifiers) override;
  bool SendProcessMessage(CefProcessId target_process,
                          CefRefPtr<CefProcessMessage> message) override;

  // CefBrowserHost:
  CefRefPtr<CefBrowser> GetBrowser() override;
  void CloseBrowser(bool force_close) override;
  cef_window_handle_t GetWindowHandle() override;
  cef_window_handle_t GetOpenerWindowHandle() override;
  CefRefPtr<CefClient> GetClient() override;
  CefRefPtr<CefRequestContext> GetRequestContext() override;

  // BrowserWindow::Delegate:
  void OnWindowCloseRequested() override;
  void OnWindowContextMenu(POINT screen_point) override;
  void OnWindowDestroyed() override;

 private:
  enum class CloseState {
    kOpen,
    // DoClose returned true: the client closes the window when it wants to,
    // and the browser does not ask again.
    kCloseAccepted,
    kDestroying,
    kClosed,
  };

  ~BrowserImpl() override;

  // Posts OnRenderViewReady for the render side the browser has now.
  void ReportRenderViewReady();

  // As the real framework does when it cannot launch a render process:
  // OnRenderProcessTerminated(TS_PROCESS_WAS_KILLED) soon after, unless a
  // render side came meanwhile. The next main-frame load launches again.
  void ReportLaunchFailed();
  // The close flow on the UI thread; |force| skips DoClose.
  void Close(bool force);
  void OnProcessMessage(CefRefPtr<CefListValue> args);
  void OnConsoleMessage(CefRefPtr<CefListValue> args);
  void OnOpenPopup(CefRefPtr<CefListValue> args);
  void OnNavigateFrame(CefRefPtr<CefListValue> args);

  const int id_;
  const bool is_popup_;
  const CefBrowserSettings settings_;
  const CefRefPtr<CefRequestContext> request_context_;
  const HWND opener_window_;
  RenderProcessHost* host_;
  Navigator navigator_;

  mutable std::mutex lock_;
  CefRefPtr<CefClient> client_;
  HWND window_ = nullptr;
  CloseState close_state_ = CloseState::kOpen;
  CefRefPtr<FrameImpl> main_frame_;
  std::map<int64, CefRefPtr<FrameImpl>> frames_;

  IMPLEMENT_REFCOUNTING(BrowserImpl);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_BROWSER_IMPL_H_
