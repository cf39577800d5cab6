// The native window of a browser: the framework's window class, created from
// the client's CefWindowInfo exactly as given.
#ifndef FRAMEWORK_SRC_BROWSER_BROWSER_WINDOW_H_
#define FRAMEWORK_SRC_BROWSER_BROWSER_WINDOW_H_

#include <windows.h>

#include "include/internal/cef_win.h"

namespace cef_internal {

class BrowserWindow {
 public:
  // Window events, on the UI thread.
  class Delegate {
   public:
    // WM_CLOSE: the user or the system asks the window to close.
    virtual void OnWindowCloseRequested() = 0;
    // WM_CONTEXTMENU; |screen_point| is (-1, -1) for the keyboard.
    virtual void OnWindowContextMenu(POINT screen_point) = 0;
    // WM_DESTROY, whoever destroyed the window.
    virtual void OnWindowDestroyed() = 0;

   protected:
    virtual ~Delegate() {}
  };

  static const wchar_t kClassName[];

  // Passes |info|'s ex_style, window_name, style, position, size,
  // parent_window and menu to CreateWindowExW unchanged. Null on failure.
  static HWND Create(const CefWindowInfo& info, Delegate* delegate);

 private:
  static bool RegisterClassOnce();
  static LRESULT CALLBACK WindowProc(HWND window,
                                     UINT message,
                                     WPARAM wparam,
                                     LPARAM lparam);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_BROWSER_WINDOW_H_
