// bench_bare_host.exe --url=URL [--single-process]: see bench/real/bare_host.h.
#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <string>

#include "app/framework_waits.h"
#include "bench/real/bare_host.h"
#include "include/cef_task.h"

namespace {

const wchar_t kWindowClass[] = L"BareHostWindow";
// As kxhost's default.
constexpr int kRunLimitMs = 30000;

class CloseTask : public CefTask {
 public:
  explicit CloseTask(CefRefPtr<BareHost> host) : host_(host) {}
  void Execute() override { host_->CloseAll(); }

 private:
  CefRefPtr<BareHost> host_;
  IMPLEMENT_REFCOUNTING(CloseTask);
};

// The host's own top-level window, as kxhost shows one.
HWND CreateHostWindow(const RECT& bounds) {
  WNDCLASSEXW window_class = {sizeof(window_class)};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kWindowClass;
  RegisterClassExW(&window_class);
  HWND window = CreateWindowExW(
      0, kWindowClass, L"bare host", WS_OVERLAPPEDWINDOW, bounds.left,
      bounds.top, bounds.right - bounds.left, bounds.bottom - bounds.top,
      nullptr, nullptr, window_class.hInstance, nullptr);
  ShowWindow(window, SW_SHOWNOACTIVATE);
  return window;
}

}  // namespace

int main() {
  RouteFrameworkWaitsUnderWine();
  CefMainArgs main_args(GetModuleHandleW(nullptr));
  // Started as one of its own render or GPU processes: that is all it does.
  const int child_exit = CefExecuteProcess(main_args, nullptr, nullptr);
  if (child_exit >= 0)
    return child_exit;

  int argc = 0;
  LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring url;
  bool single_process = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg(argv[i]);
    if (arg.compare(0, 6, L"--url=") == 0)
      url = arg.substr(6);
    else if (arg == L"--single-process")
      single_process = true;
  }
  LocalFree(argv);
  if (url.empty()) {
    std::fprintf(stderr,
                 "usage: bench_bare_host --url=URL [--single-process]\n");
    return 2;
  }

  const RECT bounds = {100, 100, 900, 700};
  HWND window = CreateHostWindow(bounds);
  CefRefPtr<BareHost> host(
      new BareHost(window, bounds, CefString(url).ToString()));
  CefSettings settings;
  settings.single_process = single_process;
  settings.no_sandbox = 1;
  if (!CefInitialize(main_args, settings, host.get(), nullptr))
    return 1;
  CefPostDelayedTask(TID_UI, new CloseTask(host), kRunLimitMs);
  CefRunMessageLoop();
  CefShutdown();
  DestroyWindow(window);
  return 0;
}
