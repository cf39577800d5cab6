#include "host/host_window.h"

#include "store/option_store.h"

namespace {
const wchar_t kHostWindowClass[] = L"KxHostWindow";
}  // namespace

HostWindow::HostWindow(const RECT& bounds,
                       std::function<void(WPARAM, LPARAM)> on_options_changed)
    : on_options_changed_(std::move(on_options_changed)) {
  WNDCLASSEXW window_class = {sizeof(window_class)};
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = kHostWindowClass;
  RegisterClassExW(&window_class);
  hwnd_ = CreateWindowExW(0, kHostWindowClass, L"kxhost", WS_OVERLAPPEDWINDOW,
                          bounds.left, bounds.top, bounds.right - bounds.left,
                          bounds.bottom - bounds.top, nullptr, nullptr,
                          window_class.hInstance, this);
  ShowWindow(hwnd_, SW_SHOWNOACTIVATE);
}

HostWindow::~HostWindow() {
  if (hwnd_)
    DestroyWindow(hwnd_);
}

LRESULT CALLBACK HostWindow::WindowProc(HWND hwnd,
                                        UINT message,
                                        WPARAM wparam,
                                        LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  auto* self =
      reinterpret_cast<HostWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self && message == kOptionsChangedMessage) {
    self->on_options_changed_(wparam, lparam);
    return 0;
  }
  if (self && message == WM_DESTROY)
    self->hwnd_ = nullptr;
  return DefWindowProcW(hwnd, message, wparam, lparam);
}
