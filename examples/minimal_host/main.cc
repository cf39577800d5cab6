// A minimal host of the embedded-browser component, built from the package
// alone. It shows a page in the main page browser ("kxweb") and, when given,
// another in the avatar browser, gives the pages two voice texts, prints
// every options record and notification it receives, and ends when the main
// page closes itself (window.close()).
//
//   minimal_host.exe URL [AVATAR_URL]
//
// Output, one line per event: "record count=N first_filter=F", "notify",
// "console: TEXT" ("avatar console: TEXT" from the avatar's pages), "done"
// at the end. Exit codes (BSD's sysexits.h: nothing else ends a Windows
// process with them, not abort()'s 3 nor a crash's exception code):
//   0   the main page closed itself
//   64  a wrong command line
//   69  the render process program cannot start ("error: ..." on stderr)
//   71  set-up failed: a file the framework needs is missing, no window,
//       no record pipe, or the framework did not start
//   75  the time limit (20 seconds) passed first
//   76  a page's render process ended (crashed or was killed)
#include <windows.h>

// CommandLineToArgvW; <windows.h> leaves it out under WIN32_LEAN_AND_MEAN.
#include <shellapi.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "app/framework_files.h"
#include "app/framework_waits.h"
#include "app/simple_app.h"
#include "browser/embed_browser_handler.h"
#include "browser/page_observer.h"
#include "include/cef_app.h"
#include "include/cef_browser.h"
#include "include/cef_task.h"
#include "store/host_filter_record.h"
#include "store/option_store.h"

namespace {

constexpr int kTimeLimitMs = 20000;

constexpr int kPageClosedItself = 0;
constexpr int kUsageError = 64;
constexpr int kProgramCannotStart = 69;
constexpr int kSetUpFailed = 71;
constexpr int kTimeLimitPassed = 75;
constexpr int kRenderProcessEnded = 76;

std::mutex g_print_lock;
std::wstring g_url;
std::wstring g_avatar_url;
// Why the run ends; set once, on the UI thread.
int g_exit_code = -1;

void Print(const std::string& line) {
  std::lock_guard<std::mutex> hold(g_print_lock);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::wstring ExecutableDir() {
  wchar_t path[MAX_PATH];
  DWORD size = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, size);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1);
}

// The host window: owner of the page browsers, receiver of the
// options-changed message.
LRESULT CALLBACK HostWindowProc(HWND hwnd, UINT message, WPARAM w, LPARAM l) {
  if (message == kOptionsChangedMessage) {
    Print("notify");
    return 0;
  }
  return DefWindowProcW(hwnd, message, w, l);
}

HWND CreateHostWindow() {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = HostWindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"MinimalHostWindow";
  RegisterClassW(&window_class);
  return CreateWindowW(L"MinimalHostWindow", L"minimal host",
                       WS_OVERLAPPEDWINDOW, 0, 0, 800, 600, nullptr, nullptr,
                       window_class.hInstance, nullptr);
}

// Reads the records off the UI thread: the store writes them on the UI
// thread, so a reader there would block the writer once the pipe is full.
void DrainRecords(HANDLE pipe) {
  for (;;) {
    HostFilterRecord record = {};
    DWORD read = 0;
    if (!ReadFile(pipe, &record, 8, &read, nullptr) || read != 8)
      return;
    if (record.count > kMaxOptionEntries)
      return;
    const DWORD rest =
        static_cast<DWORD>(HostFilterRecordSize(record.count) - 8);
    DWORD got = 0;
    while (got < rest) {
      if (!ReadFile(pipe, reinterpret_cast<char*>(&record) + 8 + got,
                    rest - got, &read, nullptr) ||
          read == 0)
        return;
      got += read;
    }
    Print("record count=" + std::to_string(record.count) + " first_filter=" +
          std::to_string(record.count ? record.entries[0].filter_id : 0));
  }
}

class Task : public CefTask {
 public:
  explicit Task(void (*run)()) : run_(run) {}
  void Execute() override { run_(); }

 private:
  void (*run_)();
  IMPLEMENT_REFCOUNTING(Task);
};

// Ends the run with |exit_code| (the first reason given wins): every page
// browser closes, also one still being created, and CefRunMessageLoop
// returns once the last one has. The framework wants none left at
// CefShutdown.
void EndRun(int exit_code) {
  if (g_exit_code != -1)
    return;
  g_exit_code = exit_code;
  if (g_client_handler)
    g_client_handler->CloseAllBrowsers(true);
  else
    CefQuitMessageLoop();  // No browser was asked for yet.
}

void EndRunOnTimeLimit() {
  EndRun(kTimeLimitPassed);
}

// What the host hears of the page browsers: it never polls.
class HostObserver : public PageObserver {
 public:
  void OnBrowserCreated(CefRefPtr<CefBrowser> browser,
                        PageBrowser which) override {
    // Both browsers start hidden; a host that shows them places them first:
    //   SetWindowPos(browser->GetHost()->GetWindowHandle(), nullptr, x, y,
    //                0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    if (which == PageBrowser::kMain)
      browser->GetMainFrame()->LoadURL(g_url);
    else if (which == PageBrowser::kAvatar && !g_avatar_url.empty())
      browser->GetMainFrame()->LoadURL(g_avatar_url);
  }
  void OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& /*source*/,
                        int /*line*/) override {
    const bool avatar =
        g_client_handler &&
        g_client_handler->WhichBrowser(browser) == PageBrowser::kAvatar;
    Print((avatar ? "avatar console: " : "console: ") + message.ToString());
  }
  void OnBrowserClosed(CefRefPtr<CefBrowser> browser) override {
    // The main page closed itself (window.close()): the run is over.
    if (g_client_handler &&
        g_client_handler->WhichBrowser(browser) == PageBrowser::kMain)
      EndRun(kPageClosedItself);
  }
  void OnRenderProcessEnded(CefRefPtr<CefBrowser> browser,
                            RenderProcessEnd status) override {
    if (status == kRenderProcessNotStarted) {
      // The framework's log names the program and the Win32 error.
      if (g_exit_code == -1)
        std::fprintf(stderr,
                     "error: the render process program cannot start\n");
      EndRun(kProgramCannotStart);
      return;
    }
    // The real framework reports a launch that failed (now and then, under
    // Wine) as a killed render process: the main page gets a second start.
    if (status == kRenderProcessKilled && !main_page_loaded_ &&
        !main_page_reloaded_ && g_client_handler &&
        g_client_handler->WhichBrowser(browser) == PageBrowser::kMain) {
      main_page_reloaded_ = true;
      browser->GetMainFrame()->LoadURL(g_url);
      return;
    }
    std::fprintf(stderr, "error: a render process ended (status %d)\n",
                 static_cast<int>(status));
    EndRun(kRenderProcessEnded);
  }
  void OnPageLoaded(CefRefPtr<CefBrowser> browser,
                    int /*http_status_code*/) override {
    if (g_client_handler &&
        g_client_handler->WhichBrowser(browser) == PageBrowser::kMain)
      main_page_loaded_ = true;
  }

 private:
  bool main_page_loaded_ = false;
  bool main_page_reloaded_ = false;
};

}  // namespace

int main() {
  // Under Wine only: its thread pool's waits are not sound (see the header).
  RouteFrameworkWaitsUnderWine();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc != 2 && argc != 3) {
    std::fprintf(stderr, "error: usage: minimal_host.exe URL [AVATAR_URL]\n");
    return kUsageError;
  }
  g_url = argv[1];
  if (argc == 3)
    g_avatar_url = argv[2];
  LocalFree(argv);

  CefSettings settings;
  // The framework's sandbox library is not linked in (MinGW cannot link it).
  settings.no_sandbox = 1;
  CefString(&settings.browser_subprocess_path) =
      ExecutableDir() + L"kxsubprocess.exe";
  // The framework's own log, beside the program rather than in whatever
  // folder the host was started from.
  CefString(&settings.log_file) = ExecutableDir() + L"debug.log";
  // Without one of these, libcef.dll stops the process with a breakpoint.
  const std::wstring missing = FindMissingFrameworkFile();
  if (!missing.empty()) {
    std::fprintf(stderr, "error: a file the framework needs is missing: %s\n",
                 CefString(missing).ToString().c_str());
    return kSetUpFailed;
  }

  HWND host_window = CreateHostWindow();
  HANDLE record_read = INVALID_HANDLE_VALUE,
         record_write = INVALID_HANDLE_VALUE;
  if (!host_window || !CreatePipe(&record_read, &record_write, nullptr, 0)) {
    std::fprintf(stderr, "error: no host window or record pipe\n");
    return kSetUpFailed;
  }
  std::thread reader(DrainRecords, record_read);

  OptionStore* store = OptionStore::GetInstance();
  store->SetHostWindow(host_window);
  store->SetHostHandle(record_write);
  store->SetHostRecordEnabled(true);
  store->AddNormalVoice(L"a normal voice");
  store->AddHornVoice(L"a horn voice");

  // Before CefInitialize, so that no event is missed.
  HostObserver observer;
  EmbedBrowserHandler::AddObserver(&observer);

  CefRefPtr<SimpleApp> app(new SimpleApp());
  app->SetParentWindow(host_window);
  // Sizes the main page browser; where it shows is the host's to choose.
  RECT bounds = {0, 0, 800, 600};
  app->SetWindowBounds(bounds);

  CefMainArgs main_args(GetModuleHandleW(nullptr));
  bool started = CefInitialize(main_args, settings, app.get(), nullptr);
  if (started) {
    CefPostDelayedTask(TID_UI, new Task(EndRunOnTimeLimit), kTimeLimitMs);
    CefRunMessageLoop();
    CefShutdown();
  } else {
    std::fprintf(stderr, "error: the framework did not start\n");
  }
  EmbedBrowserHandler::RemoveObserver(&observer);

  // The store no longer writes: clear its handle before closing it.
  store->SetHostRecordEnabled(false);
  store->SetHostHandle(INVALID_HANDLE_VALUE);
  CloseHandle(record_write);
  reader.join();
  CloseHandle(record_read);
  DestroyWindow(host_window);
  if (!started)
    return kSetUpFailed;
  if (g_exit_code == kPageClosedItself)
    Print("done");
  return g_exit_code == -1 ? kTimeLimitPassed : g_exit_code;
}
