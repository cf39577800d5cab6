// One run of the demo host: sets the system's integration points, runs the
// framework until the main page closes itself, every browser has closed or
// the time limit passes, and prints what the host sees, one line per event.
// It learns everything from the handler's observer events and the host
// window's messages; it polls for nothing.
#ifndef HOST_HOST_SESSION_H_
#define HOST_HOST_SESSION_H_

#include <windows.h>

#include <memory>
#include <string>

#include "browser/page_observer.h"
#include "host/exit_codes.h"
#include "host/host_options.h"
#include "host/host_window.h"
#include "host/record_reader.h"
#include "include/cef_base.h"

class HostSession : public PageObserver {
 public:
  explicit HostSession(const HostOptions& options);
  ~HostSession() override;

  // Returns the process exit code (host/exit_codes.h).
  int Run();

  // PageObserver (UI thread):
  // Loads the page, and the avatar's page into the avatar browser.
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser,
                        PageBrowser which) override;
  // Prints "console: TEXT", the page's text escaped (EscapeForLine);
  // "avatar console: TEXT" for the avatar's pages.
  void OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& source,
                        int line) override;
  // Prints "error-page URL" for frames of the main browser, the URL escaped.
  void OnLoadFailed(CefRefPtr<CefBrowser> browser,
                    CefRefPtr<CefFrame> frame,
                    const CefString& failed_url,
                    int error_code) override;
  // The main page closed itself: the others follow.
  void OnBrowserClosed(CefRefPtr<CefBrowser> browser) override;
  // The render process program cannot start: one "error: ..." line, every
  // browser closes, and the run ends with kProgramCannotStartExitCode; a
  // page's render process that crashed or was killed ends it the same way
  // with kRenderProcessEndedExitCode. A main
  // page whose render process was reported killed before the page loaded is
  // loaded once more, with a line on stderr: that is how the real framework
  // reports a render process it failed to launch (under Wine, about one
  // launch in a few hundred). A second such report before the page loaded
  // ends the run as a program that cannot start does, with one "error: ..."
  // line. Crashes are never retried.
  void OnRenderProcessEnded(CefRefPtr<CefBrowser> browser,
                            RenderProcessEnd status) override;
  void OnPageLoaded(CefRefPtr<CefBrowser> browser,
                    int http_status_code) override;
  void OnLastBrowserClosed() override;

 private:
  bool OpenRecordPipe();
  void SetUpStore();
  // Closes every browser; the message loop ends after the last one closed,
  // or after a grace period if one never does.
  void CloseAll();
  // Whether the main page was loaded once more.
  bool LoadPageAgainIfNeverStarted(CefRefPtr<CefBrowser> browser);
  void OnOptionsChanged(WPARAM wparam, LPARAM lparam);
  // Dispatches the options-changed messages still queued for the window.
  void DeliverPendingNotifications();
  // Stops the store's writing, closes the pipe's write end and waits for the
  // reader to print what is left.
  void FinishRecords();
  // Any thread.
  static void Emit(const std::string& line);

  HostOptions options_;
  std::unique_ptr<HostWindow> window_;
  HANDLE record_read_ = INVALID_HANDLE_VALUE;
  HANDLE record_write_ = INVALID_HANDLE_VALUE;
  HANDLE record_file_ = INVALID_HANDLE_VALUE;
  // Prints each record as it arrives, off the UI thread.
  std::unique_ptr<RecordReader> reader_;
  // Notifications received; each follows the one record written before it.
  uint64_t notifications_ = 0;
  CefRefPtr<CefBrowser> main_browser_;
  bool closing_ = false;
  bool all_closed_ = false;
  bool page_loaded_ = false;
  bool page_loaded_again_ = false;
  int exit_code_ = kCompletedExitCode;
};

#endif  // HOST_HOST_SESSION_H_
