#include "src/browser/browser_window.h"

#include <windowsx.h>

namespace cef_internal {

const wchar_t BrowserWindow::kClassName[] = L"CefBrowserWindow";

namespace {

HINSTANCE ModuleInstance() {
  return GetModuleHandleW(nullptr);
}

BrowserWindow::Delegate* DelegateOf(HWND window) {
  return reinterpret_cast<BrowserWindow::Delegate*>(
      GetWindowLongPtrW(window, GWLP_USERDATA));
}

}  // namespace

bool BrowserWindow::RegisterClassOnce() {
  WNDCLASSEXW existing = {};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(ModuleInstance(), kClassName, &existing))
    return true;
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof(window_class);
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = &BrowserWindow::WindowProc;
  window_class.hInstance = ModuleInstance();
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  window_class.lpszClassName = kClassName;
  return RegisterClassExW(&window_class) != 0;
}

HWND BrowserWindow::Create(const CefWindowInfo& info, Delegate* delegate) {
  if (!RegisterClassOnce())
    return nullptr;
  return CreateWindowExW(
      info.ex_style, kClassName, CefString(&info.window_name).c_str(),
      info.style, info.x, info.y, info.width, info.height, info.parent_window,
      info.menu, ModuleInstance(), delegate);
}

LRESULT CALLBACK BrowserWindow::WindowProc(HWND window,
                                           UINT message,
                                           WPARAM wparam,
                                           LPARAM lparam) {
  if (message == WM_NCCREATE) {
    CREATESTRUCTW* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
    SetWindowLongPtrW(window, GWLP_USERDATA,
                      reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProcW(window, message, wparam, lparam);
  }
  Delegate* delegate = DelegateOf(window);
  if (!delegate)
    return DefWindowProcW(window, message, wparam, lparam);
  switch (message) {
    case WM_CLOSE:
      // Closing goes through the browser's own close flow (DoClose first).
      delegate->OnWindowCloseRequested();
      return 0;
    case WM_CONTEXTMENU: {
      POINT point = {GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      delegate->OnWindowContextMenu(point);
      return 0;
    }
    case WM_DESTROY:
      SetWindowLongPtrW(window, GWLP_USERDATA, 0);
      delegate->OnWindowDestroyed();
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

}  // namespace cef_internal
