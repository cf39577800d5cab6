#include "src/browser/gpu_process_host.h"

#include <windows.h>

#include <string>

#include "src/browser/child_process_switches.h"

namespace cef_internal {

GpuProcessHost::GpuProcessHost(CefRefPtr<CefApp> app,
                               const std::wstring& program)
    : app_(app), program_(program) {}

GpuProcessHost::~GpuProcessHost() {
  if (process_)
    process_->Terminate(kEndedOnRequestExitCode);
}

void GpuProcessHost::LaunchOnce() {
  if (tried_)
    return;
  tried_ = true;
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  command_line->SetProgram(program_.empty() ? ChildProcess::OwnExecutable()
                                            : program_);
  command_line->AppendSwitchWithValue(kProcessTypeSwitch, kGpuProcessType);
  command_line->AppendSwitchWithValue(kBrowserPidSwitch,
                                      std::to_string(GetCurrentProcessId()));
  CefRefPtr<CefBrowserProcessHandler> handler =
      app_ ? app_->GetBrowserProcessHandler() : nullptr;
  if (handler)
    handler->OnBeforeChildProcessLaunch(command_line);
  process_ = ChildProcess::Launch(command_line);
  if (process_)
    process_id_.store(process_->id());
}

}  // namespace cef_internal
