// The application object and the process-level entry points.
#ifndef CEF_INCLUDE_CEF_APP_H_
#define CEF_INCLUDE_CEF_APP_H_

#include "include/cef_base.h"
#include "include/cef_browser_process_handler.h"
#include "include/cef_command_line.h"
#include "include/cef_render_process_handler.h"
#include "include/cef_resource_bundle_handler.h"
#include "include/cef_scheme.h"
#include "include/internal/cef_types_wrappers.h"
#include "include/internal/cef_win.h"

class CefApp;

// Runs a secondary process (render, GPU, plug-in, utility) to its end and
// returns its exit code. Returns -1 at once for a command line without a
// "--type" switch: that process is the browser process.
int CefExecuteProcess(const CefMainArgs& args,
                      CefRefPtr<CefApp> application,
                      void* windows_sandbox_info);

// Starts the framework in the browser process. Call on the main thread, which
// becomes the UI thread.
bool CefInitialize(const CefMainArgs& args,
                   const CefSettings& settings,
                   CefRefPtr<CefApp> application,
                   void* windows_sandbox_info);

// Closes every browser, ends every render process and releases the framework.
void CefShutdown();

// Runs one round of pending work without blocking.
void CefDoMessageLoopWork();

// Runs the UI message loop until CefQuitMessageLoop is called.
void CefRunMessageLoop();

// Makes CefRunMessageLoop return. Call on the UI thread.
void CefQuitMessageLoop();

void CefSetOSModalLoop(bool osModalLoop);

// The application's entry into the framework: which handlers it offers.
class CefApp : public virtual CefBase {
 public:
  // Lets the application change the command line before the framework reads
  // it. |process_type| is empty in the browser process.
  virtual void OnBeforeCommandLineProcessing(
      const CefString& process_type,
      CefRefPtr<CefCommandLine> command_line) {}

  // Registers custom schemes; called in every process.
  virtual void OnRegisterCustomSchemes(CefRefPtr<CefSchemeRegistrar> registrar) {
  }

  // Supplies localised strings and resources; null uses the framework's own.
  virtual CefRefPtr<CefResourceBundleHandler> GetResourceBundleHandler() {
    return nullptr;
  }

  // The handler for browser-process events; called in the browser process.
  virtual CefRefPtr<CefBrowserProcessHandler> GetBrowserProcessHandler() {
    return nullptr;
  }

  // The handler for render-process events; called in each render process.
  virtual CefRefPtr<CefRenderProcessHandler> GetRenderProcessHandler() {
    return nullptr;
  }
};

#endif  // CEF_INCLUDE_CEF_APP_H_
