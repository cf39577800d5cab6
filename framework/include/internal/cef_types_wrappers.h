// Settings records with the framework's defaults.
#ifndef CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
#define CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_

#include "include/internal/cef_string.h"
#include "include/internal/cef_types.h"

// Global settings of a browser process.
struct CefSettings {
  // Runs the renderer inside the browser process, on its UI thread.
  bool single_process = false;
  bool no_sandbox = true;
  // The executable started for every render process ("--type=renderer").
  // Empty: the browser process's own executable.
  CefString browser_subprocess_path;
  bool multi_threaded_message_loop = false;
  cef_log_severity_t log_severity = LOGSEVERITY_DEFAULT;
  CefString log_file;
};

// Per-browser settings; a field left at STATE_DEFAULT keeps the default.
struct CefBrowserSettings {
  cef_state_t javascript = STATE_DEFAULT;
  cef_state_t javascript_open_windows = STATE_DEFAULT;
  cef_state_t javascript_close_windows = STATE_DEFAULT;
  cef_state_t image_loading = STATE_DEFAULT;
  CefString default_encoding;
};

// Features asked for by window.open.
struct CefPopupFeatures {
  int x = 0;
  bool xSet = false;
  int y = 0;
  bool ySet = false;
  int width = 0;
  bool widthSet = false;
  int height = 0;
  bool heightSet = false;
  bool menuBarVisible = true;
  bool statusBarVisible = true;
  bool toolBarVisible = true;
  bool locationBarVisible = true;
  bool scrollbarsVisible = true;
  bool resizable = true;
  bool fullscreen = false;
  bool dialog = false;
};

#endif  // CEF_INCLUDE_INTERNAL_CEF_TYPES_WRAPPERS_H_
