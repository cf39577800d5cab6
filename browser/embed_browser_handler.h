// The browser-process client of every page browser: owns the browsers'
// life span, suppresses context menus, sends pop-ups to the system's default
// handler, injects the "OnLoad" query, shows the error page, and serves the
// renderers' messages and the pages' queries.
#ifndef BROWSER_EMBED_BROWSER_HANDLER_H_
#define BROWSER_EMBED_BROWSER_HANDLER_H_

#include <windows.h>

#include <list>
#include <map>
#include <set>
#include <string>

#include "browser/page_observer.h"
#include "common/origin_allow_list.h"
#include "include/cef_client.h"
#include "include/wrapper/cef_message_router.h"

class EmbedBrowserHandler;

// The one handler of this process, from its construction to its destruction.
extern EmbedBrowserHandler* g_client_handler;

class EmbedBrowserHandler : public CefClient,
                            public CefContextMenuHandler,
                            public CefDisplayHandler,
                            public CefLifeSpanHandler,
                            public CefLoadHandler,
                            public CefRequestHandler,
                            public CefMessageRouterBrowserSide::Handler {
 public:
  EmbedBrowserHandler();

  // The accessors below read state the UI thread (TID_UI) changes: call
  // them there, e.g. from an observer callback.
  // The first browser reported created ("kxweb"); kept after it closes,
  // until no page browser is open.
  CefRefPtr<CefBrowser> main_browser() const { return main_browser_; }
  HWND main_window() const { return main_window_; }
  // The second one ("avatar").
  CefRefPtr<CefBrowser> second_browser() const { return second_browser_; }
  HWND second_window() const { return second_window_; }
  size_t browser_count() const { return browser_list_.size(); }
  // Which page browser |browser| is; kUnknown for null or another.
  PageBrowser WhichBrowser(CefRefPtr<CefBrowser> browser) const;

  // Asks the framework for a page browser served by this handler, hidden
  // and loading nothing (SimpleApp makes "kxweb", then "avatar"). Counted
  // until it is reported created, so that closing every browser also closes
  // one still on its way. Refused (false) once CloseAllBrowsers was called.
  bool CreatePageBrowser(const CefWindowInfo& window_info,
                         const CefBrowserSettings& settings);

  // Set once, before the first browser is created (SimpleApp passes the
  // host's list on): with a list, page queries and option messages from
  // frames of other origins are refused.
  void SetAllowedOrigins(const OriginAllowList& origins) {
    allowed_origins_ = origins;
  }

  // Host integration: one process-wide list of observers, not owned, which
  // must outlive their registration. Any thread, also before CefInitialize
  // and while no handler exists.
  static void AddObserver(PageObserver* observer);
  static void RemoveObserver(PageObserver* observer);
  // Tells the observers that the render process program cannot start:
  // OnRenderProcessEnded without a browser (every browser is affected) and
  // with kRenderProcessNotStarted. UI thread.
  static void ReportRenderProgramNotStarted();

  // Gives up on every page browser (UI thread), at any moment: those open
  // are asked to close, those still being created close as they appear
  // (observers do not hear they were created). |force_close| skips the
  // pages' unload handling. OnLastBrowserClosed follows once none is left,
  // and the message loop ends; only then may the host call CefShutdown.
  void CloseAllBrowsers(bool force_close);
  // For the task CloseAllBrowsers posts.
  void EndIfNoneLeftForTask();

  // CefClient:
  CefRefPtr<CefContextMenuHandler> GetContextMenuHandler() override;
  CefRefPtr<CefDialogHandler> GetDialogHandler() override;
  CefRefPtr<CefDisplayHandler> GetDisplayHandler() override;
  CefRefPtr<CefDownloadHandler> GetDownloadHandler() override;
  CefRefPtr<CefDragHandler> GetDragHandler() override;
  CefRefPtr<CefFindHandler> GetFindHandler() override;
  CefRefPtr<CefFocusHandler> GetFocusHandler() override;
  CefRefPtr<CefGeolocationHandler> GetGeolocationHandler() override;
  CefRefPtr<CefJSDialogHandler> GetJSDialogHandler() override;
  CefRefPtr<CefKeyboardHandler> GetKeyboardHandler() override;
  CefRefPtr<CefLifeSpanHandler> GetLifeSpanHandler() override;
  CefRefPtr<CefLoadHandler> GetLoadHandler() override;
  CefRefPtr<CefRenderHandler> GetRenderHandler() override;
  CefRefPtr<CefRequestHandler> GetRequestHandler() override;
  // "syncCache" (answered once per render process), "set_option" (up to
  // kMaxOptionListLength values), "get_option" (answered with the store's
  // option text, to the asking browser's render process) and
  // "SetUserOptions" (up to kMaxOptionJsonLength characters), with an
  // allow-list only from a frame that "sender_frame" named and whose origin
  // is listed; then every message goes to the router, whose answer is
  // returned. A null browser or message, or one that memory runs out on, is
  // ignored.
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  // CefContextMenuHandler: pages get no context menu.
  void OnBeforeContextMenu(CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefContextMenuParams> params,
                           CefRefPtr<CefMenuModel> model) override;

  // CefDisplayHandler: hands every console message to the observers and
  // lets the framework go on as usual (returns false).
  bool OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& source,
                        int line) override;

  // CefLifeSpanHandler:
  // Cancels every pop-up; web links go to the system's default browser. The
  // framework calls this on its IO thread; the shell is called on a thread
  // of its own (ShellUrlOpener). An address longer than kMaxPopupUrlLength
  // is dropped with one log line.
  bool OnBeforePopup(
      CefRefPtr<CefBrowser> browser,
      CefRefPtr<CefFrame> frame,
      const CefString& target_url,
      const CefString& target_frame_name,
      CefLifeSpanHandler::WindowOpenDisposition target_disposition,
      bool user_gesture,
      const CefPopupFeatures& popupFeatures,
      CefWindowInfo& windowInfo,
      CefRefPtr<CefClient>& client,
      CefBrowserSettings& settings,
      bool* no_javascript_access) override;
  // Registers the browser; the first becomes the main browser (observers
  // hear of it) and loses its scroll-bar styles, the next the second
  // browser.
  void OnAfterCreated(CefRefPtr<CefBrowser> browser) override;
  bool DoClose(CefRefPtr<CefBrowser> browser) override;
  // Unregisters the browser; after the last one the observers hear of it and
  // the message loop ends.
  void OnBeforeClose(CefRefPtr<CefBrowser> browser) override;

  // CefLoadHandler:
  // Main frames get the script that sends the "OnLoad" query once loaded.
  void OnLoadStart(CefRefPtr<CefBrowser> browser,
                   CefRefPtr<CefFrame> frame) override;
  // Main-frame load ends reach the observers.
  void OnLoadEnd(CefRefPtr<CefBrowser> browser,
                 CefRefPtr<CefFrame> frame,
                 int httpStatusCode) override;
  // Every failure but an aborted load shows the built-in error page, then
  // reaches the observers.
  void OnLoadError(CefRefPtr<CefBrowser> browser,
                   CefRefPtr<CefFrame> frame,
                   ErrorCode errorCode,
                   const CefString& errorText,
                   const CefString& failedUrl) override;

  // CefRequestHandler:
  bool OnBeforeBrowse(CefRefPtr<CefBrowser> browser,
                      CefRefPtr<CefFrame> frame,
                      CefRefPtr<CefRequest> request,
                      bool is_redirect) override;
  void OnRenderViewReady(CefRefPtr<CefBrowser> browser) override;
  void OnRenderProcessTerminated(CefRefPtr<CefBrowser> browser,
                                 TerminationStatus status) override;

  // CefMessageRouterBrowserSide::Handler: "OnLoad", "TestOnly", "Onjump".
  // A frame the browser does not know is declined (the router fails the
  // query); one whose origin is off the allow-list fails with 403.
  bool OnQuery(CefRefPtr<CefBrowser> browser,
               CefRefPtr<CefFrame> frame,
               int64 query_id,
               const CefString& request,
               bool persistent,
               CefRefPtr<Callback> callback) override;
  void OnQueryCanceled(CefRefPtr<CefBrowser> browser,
                       CefRefPtr<CefFrame> frame,
                       int64 query_id) override;

 private:
  ~EmbedBrowserHandler() override;

  // Whether the frame named by this browser's last "sender_frame" may send
  // option messages; consumes that naming.
  bool SenderAllowed(CefRefPtr<CefBrowser> browser);
  // The system's own messages; false for one that the router must not see.
  bool HandleOwnMessage(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefProcessMessage> message);
  void HandleSyncCache(CefRefPtr<CefBrowser> browser);
  void HandleSetOption(CefRefPtr<CefProcessMessage> message);
  void SendOptionJson(CefRefPtr<CefBrowser> browser);
  void HandleSetUserOptions(CefRefPtr<CefProcessMessage> message);
  void HideAndNotifyJump(CefRefPtr<CefBrowser> browser);
  // Registers a created browser as the main or the second one.
  void TakeRole(CefRefPtr<CefBrowser> browser);
  // Once no browser is open or on its way: OnLastBrowserClosed, and the
  // message loop ends.
  void EndIfNoneLeft();
  template <typename Event>
  static void NotifyObservers(const Event& event);

  std::list<CefRefPtr<CefBrowser>> browser_list_;
  CefRefPtr<CefMessageRouterBrowserSide> message_router_;
  CefRefPtr<CefBrowser> main_browser_;
  // The first browser was reported: no later one becomes the main one.
  bool main_taken_ = false;
  HWND main_window_;
  CefRefPtr<CefBrowser> second_browser_;
  HWND second_window_;
  OriginAllowList allowed_origins_;
  // Browsers asked for and not yet reported created.
  int pending_browsers_;
  // CloseAllBrowsers was called: browsers that appear are closed at once.
  bool closing_all_;
  bool force_close_;
  // Per browser: the frame its render process named for its next message.
  std::map<int, int64> sender_frames_;
  // Whether the main browser's current render process has had the voice
  // texts. Whichever browser's render process asks ("syncCache"), they go
  // there, once: only a new render process of the main browser asks again.
  bool main_renderer_synced_;
  // Whether the main browser has had a render view: the first one is the
  // render process that texts sent before it was ready are queued for, the
  // next ones may be another.
  bool main_render_view_seen_;

  IMPLEMENT_REFCOUNTING(EmbedBrowserHandler);
};

#endif  // BROWSER_EMBED_BROWSER_HANDLER_H_
