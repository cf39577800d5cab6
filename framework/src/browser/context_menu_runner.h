// A browser window's context menu: the default items, OnBeforeContextMenu,
// then RunContextMenu or a Win32 popup menu, then the chosen command.
#ifndef FRAMEWORK_SRC_BROWSER_CONTEXT_MENU_RUNNER_H_
#define FRAMEWORK_SRC_BROWSER_CONTEXT_MENU_RUNNER_H_

#include <windows.h>

#include "include/cef_context_menu_handler.h"

namespace cef_internal {

class BrowserImpl;

class ContextMenuRunner {
 public:
  // On the UI thread; |screen_point| is (-1, -1) when asked from the
  // keyboard. An emptied model shows nothing.
  static void Run(BrowserImpl* browser, POINT screen_point);
  // Ends a menu shown for |browser| (it is closing).
  static void CancelFor(BrowserImpl* browser);
  // The chosen command: the handler's first, else the framework's own.
  static void ExecuteCommand(CefRefPtr<BrowserImpl> browser,
                             CefRefPtr<CefFrame> frame,
                             CefRefPtr<CefContextMenuParams> params,
                             int command_id,
                             cef_event_flags_t event_flags);
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_CONTEXT_MENU_RUNNER_H_
