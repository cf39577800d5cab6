// Windows-specific records: process arguments and native window description.
#ifndef CEF_INCLUDE_INTERNAL_CEF_WIN_H_
#define CEF_INCLUDE_INTERNAL_CEF_WIN_H_

#include <windows.h>

#include "include/internal/cef_string.h"

typedef HWND cef_window_handle_t;
typedef HCURSOR cef_cursor_handle_t;
typedef MSG cef_event_handle_t;

// Arguments of the process entry point.
class CefMainArgs {
 public:
  CefMainArgs() : instance(nullptr) {}
  explicit CefMainArgs(HINSTANCE hInstance) : instance(hInstance) {}

  HINSTANCE instance;
};

// What the framework hands to Win32 window creation for a browser window.
class CefWindowInfo {
 public:
  CefWindowInfo()
      : ex_style(0),
        style(0),
        x(0),
        y(0),
        width(0),
        height(0),
        parent_window(nullptr),
        menu(nullptr),
        windowless_rendering_enabled(false),
        transparent_painting_enabled(false),
        window(nullptr) {}

  // A child window filling |windowRect| of |parent|.
  void SetAsChild(HWND parent, RECT windowRect) {
    style = WS_CHILD | WS_CLIPCHILDREN | WS_CLIPSIBLINGS | WS_TABSTOP |
            WS_VISIBLE;
    parent_window = parent;
    x = windowRect.left;
    y = windowRect.top;
    width = windowRect.right - windowRect.left;
    height = windowRect.bottom - windowRect.top;
  }

  // A top-level window owned by |parent| at the default position and size.
  // The extended style and the menu are left as they are.
  void SetAsPopup(HWND parent, const CefString& windowName) {
    style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS |
            WS_VISIBLE;
    parent_window = parent;
    x = CW_USEDEFAULT;
    y = CW_USEDEFAULT;
    width = CW_USEDEFAULT;
    height = CW_USEDEFAULT;
    window_name = windowName;
  }

  void SetAsWindowless(HWND parent, bool transparent) {
    windowless_rendering_enabled = true;
    parent_window = parent;
    transparent_painting_enabled = transparent;
  }

  DWORD ex_style;
  CefString window_name;
  DWORD style;
  int x;
  int y;
  int width;
  int height;
  cef_window_handle_t parent_window;
  HMENU menu;
  bool windowless_rendering_enabled;
  bool transparent_painting_enabled;
  // The created window; set by the framework.
  cef_window_handle_t window;
};

#endif  // CEF_INCLUDE_INTERNAL_CEF_WIN_H_
