// A minimal host of the embedded-browser component, built from the package
// alone. It shows a page in the main page browser, gives the page two voice
// texts, prints every options record and notification it receives, and ends
// when the page closes itself (window.close()) or after 20 seconds.
//
//   minimal_host.exe URL
//
// Output, one line per event: "record count=N first_filter=F", "notify",
// "console: TEXT" (the page's console), "done" at the end. A render process
// program that cannot start, or a framework that does not, prints
// "error: ..." and exits 1.
#include <windows.h>

// CommandLineToArgvW; <windows.h> leaves it out under WIN32_LEAN_AND_MEAN.
#include <shellapi.h>

#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

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

std::mutex g_print_lock;
std::wstring g_url;

void Print(const std::string& line) {
  std::lock_guard<std::mutex> hold(g_print_lock);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}

std::wstring SiblingPath(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  DWORD size = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring dir(path, size);
  return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
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

// Asks every page browser to close; the framework wants none left at
// CefShutdown. CefRunMessageLoop returns once the last one has closed.
void CloseAllBrowsers() {
  if (g_client_handler)
    g_client_handler->CloseAllBrowsers(true);
  else
    CefQuitMessageLoop();
}

// What the host hears of the page browsers: it never polls.
class HostObserver : public PageObserver {
 public:
  void OnMainBrowserCreated(CefRefPtr<CefBrowser> browser) override {
    browser->GetMainFrame()->LoadURL(g_url);
  }
  void OnConsoleMessage(CefRefPtr<CefBrowser> browser,
                        const CefString& message,
                        const CefString& source,
                        int line) override {
    Print("console: " + message.ToString());
  }
  void OnBrowserClosed(CefRefPtr<CefBrowser> browser) override {
    // The page closed itself (window.close()): the run is over.
    // The framework's IsSame takes no null browser (a checked build stops).
    CefRefPtr<CefBrowser> main =
        g_client_handler ? g_client_handler->main_browser() : nullptr;
    if (main && browser->IsSame(main))
      CloseAllBrowsers();
  }
  void OnRenderProcessEnded(CefRefPtr<CefBrowser> browser,
                            RenderProcessEnd status) override {
    if (status != kRenderProcessNotStarted || failed_)
      return;
    // The framework's log names the program and the Win32 error.
    failed_ = true;
    std::fprintf(stderr, "error: the render process program cannot start\n");
    CloseAllBrowsers();
  }

  bool failed() const { return failed_; }

 private:
  bool failed_ = false;
};

}  // namespace

int main() {
  // Under Wine only: its thread pool's waits are not sound (see the header).
  RouteFrameworkWaitsUnderWine();
  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  if (argc != 2) {
    std::fprintf(stderr, "error: usage: minimal_host.exe URL\n");
    return 2;
  }
  g_url = argv[1];
  LocalFree(argv);

  HWND host_window = CreateHostWindow();
  HANDLE record_read = INVALID_HANDLE_VALUE,
         record_write = INVALID_HANDLE_VALUE;
  if (!host_window || !CreatePipe(&record_read, &record_write, nullptr, 0)) {
    std::fprintf(stderr, "error: no host window or record pipe\n");
    return 1;
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
  RECT bounds = {0, 0, 800, 600};
  app->SetWindowBounds(bounds);

  CefSettings settings;
  // The framework's sandbox library is not linked in (MinGW cannot link it).
  settings.no_sandbox = 1;
  CefString(&settings.browser_subprocess_path) =
      SiblingPath(L"kxsubprocess.exe");
  CefMainArgs main_args(GetModuleHandleW(nullptr));
  bool started = CefInitialize(main_args, settings, app.get(), nullptr);
  if (started) {
    CefPostDelayedTask(TID_UI, new Task(CloseAllBrowsers), kTimeLimitMs);
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
  if (!started || observer.failed())
    return 1;
  Print("done");
  return 0;
}
