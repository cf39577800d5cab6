// The secondary-process entry. The process type comes from the "--type"
// switch of the process's own command line.
#include <string>

#include "include/cef_app.h"
#include "src/browser/child_process_switches.h"
#include "src/process/gpu_process_main.h"
#include "src/process/process_type.h"
#include "src/process/render_process_main.h"

int CefExecuteProcess(const CefMainArgs& args,
                      CefRefPtr<CefApp> application,
                      void* windows_sandbox_info) {
  std::wstring type = cef_internal::CurrentProcessType();
  if (type.empty())
    return -1;  // The browser process: the caller goes on to CefInitialize.
  const std::string name = CefString(type).ToString();
  if (name == cef_internal::kRendererProcessType)
    return cef_internal::RenderProcessMain::Run(application);
  if (name == cef_internal::kGpuProcessType)
    return cef_internal::GpuProcessMain::Run();
  // Other types (plug-in, utility, ...) are never started by this stand-in:
  // such a process ends at once.
  return cef_internal::kUnsupportedProcessTypeExitCode;
}
