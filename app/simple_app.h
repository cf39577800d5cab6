// The one application object: the framework's application interface, the
// browser-process handler (which creates the page browsers) and the
// render-process handler (which keeps the renderer cache and gives pages
// KXHelper). Which half runs depends on the kind of process.
#ifndef APP_SIMPLE_APP_H_
#define APP_SIMPLE_APP_H_

#include <windows.h>

#include <deque>
#include <string>
#include <vector>

#include "common/origin_allow_list.h"
#include "include/cef_app.h"
#include "include/wrapper/cef_message_router.h"
#include "renderer/cache_change_notifier.h"
#include "renderer/cached_voice_list.h"

// Guards the renderer cache's appends. Initialised by the first SimpleApp
// constructor of the process and never deleted.
extern CRITICAL_SECTION g_cache_lock;
// Set once this render process has asked the browser to resend its data.
extern bool g_cache_sync_requested;

class SimpleApp : public CefApp,
                  public CefBrowserProcessHandler,
                  public CefRenderProcessHandler {
  // The one reference count shared by the three interfaces.
  IMPLEMENT_REFCOUNTING(SimpleApp);

 public:
  typedef std::deque<std::wstring> VoiceList;

  // The length a voice list is cut back to before an append.
  static constexpr size_t kMaxCachedVoices = 200;

  SimpleApp();

  // Host integration: the host sets both before the framework initialises
  // its context (OnContextInitialized reads them), on the thread that then
  // calls CefInitialize and becomes the UI thread.
  void SetParentWindow(HWND parent) { parent_window_ = parent; }
  // Only the width and height of |bounds| are used: they size the main page
  // browser ("kxweb"; "avatar" is 40 x 40). Its left and top are not: both
  // windows start hidden at (0, 0) of the screen, and the host places them
  // (SetWindowPos) once they exist. Bounds whose width or height is negative
  // or larger than an int holds are refused with one error line in the
  // framework's log: false, and the bounds held stay as they were.
  bool SetWindowBounds(const RECT& bounds);
  // Whether |bounds| has a width and height SetWindowBounds takes.
  static bool HasWindowSize(const RECT& bounds);
  // Host integration, set before CefInitialize: only frames whose origin is
  // listed ("scheme://host[:port]", "file://" for every file) get KXHelper,
  // have their page queries answered and their option messages applied.
  // Never called: every page is allowed. The list reaches render processes
  // through the framework's extra information.
  void SetAllowedOrigins(const std::vector<std::string>& origins) {
    allowed_origins_ = OriginAllowList::FromOrigins(origins);
  }
  const OriginAllowList& allowed_origins() const { return allowed_origins_; }
  HWND parent_window() const { return parent_window_; }
  const RECT& window_bounds() const { return window_bounds_; }

  // CefApp:
  void OnBeforeCommandLineProcessing(
      const CefString& process_type,
      CefRefPtr<CefCommandLine> command_line) override;
  void OnRegisterCustomSchemes(
      CefRefPtr<CefSchemeRegistrar> registrar) override;
  CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() override;
  CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() override;
  CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() override;

  // CefBrowserProcessHandler:
  // Requests the hidden pop-up browsers "kxweb" and "avatar" with one client
  // handler.
  void OnContextInitialized() override;
  // On the UI thread for a render process, on the framework's IO thread for
  // a GPU or plug-in process. When a render process's program cannot start
  // (missing, not an executable): logs an error naming it and the Win32
  // error, and tells the host's observers (kRenderProcessNotStarted).
  void OnBeforeChildProcessLaunch(
      CefRefPtr<CefCommandLine> command_line) override;
  // Hands the origin allow-list, when there is one, to the new render process.
  // On the framework's IO thread.
  void OnRenderProcessThreadCreated(
      CefRefPtr<CefListValue> extra_info) override;
  CefRefPtr<CefPrintHandler> GetPrintHandler() override;

  // CefRenderProcessHandler:
  // Takes the origin allow-list the browser process handed over.
  void OnRenderThreadCreated(CefRefPtr<CefListValue> extra_info) override;
  // Creates the message router and registers the "v8/KXHelper" extension.
  void OnWebKitInitialized() override;
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser) override;
  void OnBrowserDestroyed(CefRefPtr<CefBrowser> browser) override;
  CefRefPtr<CefLoadHandler> GetLoadHandler() override;
  // Every navigation proceeds.
  bool OnBeforeNavigation(CefRefPtr<CefBrowser> browser,
                          CefRefPtr<CefFrame> frame,
                          CefRefPtr<CefRequest> request,
                          NavigationType navigation_type,
                          bool is_redirect) override;
  void OnContextCreated(CefRefPtr<CefBrowser> browser,
                        CefRefPtr<CefFrame> frame,
                        CefRefPtr<CefV8Context> context) override;
  void OnContextReleased(CefRefPtr<CefBrowser> browser,
                         CefRefPtr<CefFrame> frame,
                         CefRefPtr<CefV8Context> context) override;
  void OnUncaughtException(CefRefPtr<CefBrowser> browser,
                           CefRefPtr<CefFrame> frame,
                           CefRefPtr<CefV8Context> context,
                           CefRefPtr<CefV8Exception> exception,
                           CefRefPtr<CefV8StackTrace> stackTrace) override;
  void OnFocusedNodeChanged(CefRefPtr<CefBrowser> browser,
                            CefRefPtr<CefFrame> frame,
                            CefRefPtr<CefDOMNode> node) override;
  // Sends "get_option" and "syncCache" on the first router message, applies
  // the cache updates (each one then fires "kxhelperchange" in every page of
  // this process; an answer to "get_option" that repeats the options held
  // changes nothing),
  // then hands every message to the router.
  bool OnProcessMessageReceived(CefRefPtr<CefBrowser> browser,
                                CefProcessId source_process,
                                CefRefPtr<CefProcessMessage> message) override;

  // Render side: whether |frame| may use KXHelper and the option messages.
  bool FrameAllowed(CefRefPtr<CefFrame> frame) const;
  // Sends |message| to the browser process, after naming |frame| as its
  // sender while an allow-list is set.
  void SendFromFrame(CefRefPtr<CefBrowser> browser,
                     CefRefPtr<CefFrame> frame,
                     CefRefPtr<CefProcessMessage> message) const;

  // Renderer cache. Appends add, then cut a list back to kMaxCachedVoices + 1,
  // under g_cache_lock; readers return copies and take no lock.
  void AppendNormalVoice(const std::wstring& voice);
  void AppendHornVoice(const std::wstring& voice);
  void SetUserOptionsJson(const CefString& json);
  VoiceList GetNormalVoices() const;
  VoiceList GetHornVoices() const;
  // A list as the JSON array a page reads: the cache's own text, not a copy.
  // It changes with the list's next append, on this same thread: use it at
  // once.
  const std::wstring& GetNormalVoicesJson() const;
  const std::wstring& GetHornVoicesJson() const;
  // The list a page names with 1 (normal) or 2 (horn); null for any other
  // number. Same thread, same care as the JSON above.
  const CachedVoiceList* GetVoiceList(int list) const;
  CefString GetUserOptionsJson() const;
  int GetFilteredCount() const;
  // Every voice text the host had given has arrived ("cache_synced"): true
  // from then on, for every page of this process.
  bool IsCacheSynced() const { return cache_synced_; }

  const CacheChangeNotifier& change_notifier_for_testing() const {
    return change_notifier_;
  }

 protected:
  ~SimpleApp() override;

 private:
  // One console line in a page refused KXHelper, naming its origin.
  void TellWhyKXHelperIsAbsent(CefRefPtr<CefFrame> frame,
                               CefRefPtr<CefV8Context> context);
  // Asks the browser for the options and the voice texts, once per process.
  void RequestCacheContents(CefRefPtr<CefBrowser> browser);
  void AppendVoice(CachedVoiceList* list, const std::wstring& voice);
  // Hands list |number|'s newest text to every page's KXHelper.
  void TellVoiceAdded(int number, const CachedVoiceList& list);
  void ApplyCacheUpdate(const std::string& name,
                        CefRefPtr<CefProcessMessage> message);
  void NotifyVoiceAdded(int list);

  HWND parent_window_;
  RECT window_bounds_;
  CachedVoiceList normal_voices_;
  CachedVoiceList horn_voices_;
  int filtered_count_;
  bool cache_synced_ = false;
  CefString user_options_json_;
  CefRefPtr<CefMessageRouterRendererSide> message_router_;
  // The browser process's list; in a render process, the copy it was given.
  OriginAllowList allowed_origins_;
  CacheChangeNotifier change_notifier_;
};

#endif  // APP_SIMPLE_APP_H_
