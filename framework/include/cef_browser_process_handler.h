// Browser-process events, called on the browser process's UI thread.
#ifndef CEF_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_
#define CEF_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_

#include "include/cef_base.h"
#include "include/cef_command_line.h"
#include "include/cef_print_handler.h"
#include "include/cef_values.h"

class CefBrowserProcessHandler : public virtual CefBase {
 public:
  // Called once the framework's context is ready: browsers may be created.
  virtual void OnContextInitialized() {}

  // Called before a child process is launched; |command_line| may be changed.
  virtual void OnBeforeChildProcessLaunch(
      CefRefPtr<CefCommandLine> command_line) {}

  // Called when a new render process is prepared; |extra_info| reaches the
  // render process's OnRenderThreadCreated.
  virtual void OnRenderProcessThreadCreated(
      CefRefPtr<CefListValue> extra_info) {}

  virtual CefRefPtr<CefPrintHandler> GetPrintHandler() { return nullptr; }
};

#endif  // CEF_INCLUDE_CEF_BROWSER_PROCESS_HANDLER_H_
