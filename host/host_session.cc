#include "host/host_session.h"

#include <cstdio>
#include <mutex>

#include "app/framework_files.h"
#include "app/simple_app.h"
#include "browser/embed_browser_handler.h"
#include "host/closure_task.h"
#include "host/exit_codes.h"
#include "host/line_escape.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_task.h"
#include "store/option_store.h"

namespace {

// How long browsers asked to close get before the host stops waiting.
constexpr int kCloseGraceMs = 5000;
// How long a notification waits for the record written before it. The record
// is in the pipe by then, so this only bounds a reader that has failed.
constexpr int kRecordCatchUpMs = 5000;

std::mutex g_output_lock;

std::wstring SiblingPath(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

}  // namespace

HostSession::HostSession(const HostOptions& options) : options_(options) {}

HostSession::~HostSession() {
  EmbedBrowserHandler::RemoveObserver(this);
  FinishRecords();
  for (HANDLE handle : {record_read_, record_file_}) {
    if (handle != INVALID_HANDLE_VALUE)
      CloseHandle(handle);
  }
}

int HostSession::Run() {
  if (!OpenRecordPipe()) {
    std::fprintf(stderr, "kxhost: cannot open the record pipe or file\n");
    return kSetUpFailedExitCode;
  }
  reader_.reset(new RecordReader(record_read_, record_file_,
                                 [](const HostFilterRecord& record) {
                                   Emit(RecordDecoder::Format(record));
                                 }));
  if (!reader_->Start()) {
    std::fprintf(stderr, "kxhost: cannot start the record reader\n");
    return kSetUpFailedExitCode;
  }
  window_.reset(new HostWindow(
      options_.bounds, [this](WPARAM w, LPARAM l) { OnOptionsChanged(w, l); }));
  SetUpStore();
  EmbedBrowserHandler::AddObserver(this);

  CefRefPtr<SimpleApp> app(new SimpleApp());
  app->SetParentWindow(window_->hwnd());
  app->SetWindowBounds(options_.bounds);
  if (!options_.allowed_origins.empty())
    app->SetAllowedOrigins(options_.allowed_origins);

  // No log file: the framework's own lines go to stderr, and no file is
  // left behind for a later run to find.
  CefSettings settings;
  settings.single_process = options_.single_process;
  // Without the framework's sandbox library linked in, as here, the sandbox
  // must be off.
  settings.no_sandbox = 1;
  CefString(&settings.browser_subprocess_path) =
      SiblingPath(L"kxsubprocess.exe");
  // DevTools for page authors, off unless asked for; the framework listens
  // on the loopback address only.
  settings.remote_debugging_port = options_.remote_debugging_port;
  // Without it the framework would stop the process naming no file.
  const std::wstring missing = FindMissingFrameworkFile();
  if (!missing.empty()) {
    std::fprintf(stderr, "kxhost: a file the framework needs is missing: %s\n",
                 CefString(missing).ToString().c_str());
    return kSetUpFailedExitCode;
  }
  CefMainArgs main_args(GetModuleHandleW(nullptr));
  if (!CefInitialize(main_args, settings, app.get(), nullptr)) {
    std::fprintf(stderr, "kxhost: the framework did not start\n");
    return kSetUpFailedExitCode;
  }
  CefPostDelayedTask(TID_UI, new ClosureTask([this] { CloseAll(); }),
                     options_.timeout_ms);
  CefRunMessageLoop();
  DeliverPendingNotifications();
  EmbedBrowserHandler::RemoveObserver(this);
  main_browser_ = nullptr;
  CefShutdown();
  FinishRecords();
  return exit_code_;
}

void HostSession::OnBrowserCreated(CefRefPtr<CefBrowser> browser,
                                   PageBrowser which) {
  if (closing_)
    return;
  if (which == PageBrowser::kAvatar) {
    if (!options_.avatar_url.empty())
      browser->GetMainFrame()->LoadURL(options_.avatar_url);
    return;
  }
  if (which != PageBrowser::kMain || main_browser_)
    return;
  main_browser_ = browser;
  if (options_.show)
    ShowWindow(browser->GetHost()->GetWindowHandle(), SW_SHOWNOACTIVATE);
  browser->GetMainFrame()->LoadURL(options_.url);
}

void HostSession::OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                                   const CefString& message,
                                   const CefString& source,
                                   int line) {
  const bool avatar = g_client_handler && g_client_handler->WhichBrowser(
                                              browser) == PageBrowser::kAvatar;
  Emit((avatar ? "avatar console: " : "console: ") + EscapeForLine(message));
}

void HostSession::OnLoadFailed(CefRefPtr<CefBrowser> browser,
                               CefRefPtr<CefFrame> frame,
                               const CefString& failed_url,
                               int error_code) {
  if (main_browser_ && browser && browser->IsSame(main_browser_))
    Emit("error-page " + EscapeForLine(failed_url));
}

void HostSession::OnBrowserClosed(CefRefPtr<CefBrowser> browser) {
  // The main page closed itself (window.close()): the demo is over.
  if (main_browser_ && browser && browser->IsSame(main_browser_))
    CloseAll();
}

void HostSession::OnPageLoaded(CefRefPtr<CefBrowser> browser,
                               int http_status_code) {
  if (main_browser_ && browser && browser->IsSame(main_browser_))
    page_loaded_ = true;
}

void HostSession::OnRenderProcessEnded(CefRefPtr<CefBrowser> browser,
                                       RenderProcessEnd status) {
  if (closing_)
    return;
  if (status == kRenderProcessKilled) {
    // How the real framework reports a launch that failed: the main page
    // gets one more start; the avatar, whose page is extra, is left as it is.
    const bool main =
        main_browser_ && browser && browser->IsSame(main_browser_);
    if (!main || LoadPageAgainIfNeverStarted(browser))
      return;
  }
  // The first reason ends the run; the program that cannot start is reported
  // once per render process the framework would start: one line.
  if (exit_code_ != kCompletedExitCode)
    return;
  if (status == kRenderProcessNotStarted) {
    exit_code_ = kProgramCannotStartExitCode;
    std::fprintf(
        stderr,
        "error: the render process program cannot start: %s (the line "
        "before names the Win32 error)\n",
        CefString(SiblingPath(L"kxsubprocess.exe")).ToString().c_str());
  } else {
    exit_code_ = kRenderProcessEndedExitCode;
    std::fprintf(stderr, "error: a page's render process ended (%s)\n",
                 status == kRenderProcessCrashed  ? "crashed"
                 : status == kRenderProcessKilled ? "killed"
                                                  : "abnormal termination");
  }
  std::fflush(stderr);
  CloseAll();
}

bool HostSession::LoadPageAgainIfNeverStarted(CefRefPtr<CefBrowser> browser) {
  if (page_loaded_ || closing_ || !main_browser_ || !browser ||
      !browser->IsSame(main_browser_)) {
    return false;
  }
  if (page_loaded_again_) {
    // Twice in a row: waiting out the time limit would only hide it.
    if (exit_code_ == kCompletedExitCode) {
      exit_code_ = kProgramCannotStartExitCode;
      std::fprintf(stderr,
                   "error: the page's render process did not start, twice "
                   "(the framework's log names each failed launch)\n");
      std::fflush(stderr);
    }
    CloseAll();
    return true;
  }
  page_loaded_again_ = true;
  std::fprintf(stderr,
               "kxhost: the page's render process did not start; loading "
               "the page once more\n");
  std::fflush(stderr);
  main_browser_->GetMainFrame()->LoadURL(options_.url);
  return true;
}

void HostSession::OnLastBrowserClosed() {
  // The handler ends the message loop.
  all_closed_ = true;
}

void HostSession::CloseAll() {
  if (closing_)
    return;
  closing_ = true;
  // No handler yet: no browser was asked for, none will be closed.
  if (!g_client_handler) {
    CefQuitMessageLoop();
    return;
  }
  // Also closes the browsers still being created.
  g_client_handler->CloseAllBrowsers(true);
  CefPostDelayedTask(TID_UI, new ClosureTask([this] {
                       if (all_closed_)
                         return;
                       std::fprintf(stderr,
                                    "kxhost: a browser did not close\n");
                       CefQuitMessageLoop();
                     }),
                     kCloseGraceMs);
}

void HostSession::FinishRecords() {
  OptionStore* store = OptionStore::GetInstance();
  store->SetHostRecordEnabled(false);
  store->SetHostHandle(INVALID_HANDLE_VALUE);
  if (record_write_ != INVALID_HANDLE_VALUE) {
    CloseHandle(record_write_);
    record_write_ = INVALID_HANDLE_VALUE;
  }
  if (reader_)
    reader_->Join();
}

bool HostSession::OpenRecordPipe() {
  if (!CreatePipe(&record_read_, &record_write_, nullptr, 1 << 16))
    return false;
  if (options_.record_file.empty())
    return true;
  record_file_ = CreateFileW(options_.record_file.c_str(), FILE_APPEND_DATA,
                             FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
  return record_file_ != INVALID_HANDLE_VALUE;
}

void HostSession::SetUpStore() {
  OptionStore* store = OptionStore::GetInstance();
  store->SetHostWindow(window_->hwnd());
  store->SetHostHandle(record_write_);
  store->SetHostRecordEnabled(true);
  if (options_.seed_options)
    store->SetInitialOptions(options_.initial_options);
  for (const std::wstring& text : options_.normal_voices)
    store->AddNormalVoice(text);
  for (const std::wstring& text : options_.horn_voices)
    store->AddHornVoice(text);
}

void HostSession::OnOptionsChanged(WPARAM wparam, LPARAM lparam) {
  // The record was written before the message was posted: print it first.
  reader_->WaitForRecords(++notifications_, kRecordCatchUpMs);
  Emit("notify " + std::to_string(kOptionsChangedMessage) + " " +
       std::to_string(wparam) + " " + std::to_string(lparam));
}

void HostSession::DeliverPendingNotifications() {
  // The loop can end with notifications still queued behind the work that
  // ended it: every posted one is still reported.
  MSG message;
  while (PeekMessageW(&message, window_->hwnd(), kOptionsChangedMessage,
                      kOptionsChangedMessage, PM_REMOVE))
    DispatchMessageW(&message);
}

void HostSession::Emit(const std::string& line) {
  std::lock_guard<std::mutex> lock(g_output_lock);
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);
}
