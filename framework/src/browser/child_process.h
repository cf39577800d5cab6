// One process the browser process launched. It starts suspended, joins the
// browser process's job (which ends every child when the browser process
// ends, even when it is killed) and only then runs, so that no child can
// escape the job by being quick.
#ifndef FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_H_
#define FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_H_

#include <windows.h>

#include <memory>
#include <string>

#include "include/cef_command_line.h"
#include "include/internal/cef_types.h"
#include "src/browser/child_process_switches.h"

namespace cef_internal {

class ChildProcess {
 public:
  // Runs |command_line| (program and switches). Null when the program
  // cannot be started.
  static std::unique_ptr<ChildProcess> Launch(
      CefRefPtr<CefCommandLine> command_line);

  // This process's executable, which a child runs when no other is named.
  static std::wstring OwnExecutable();

  // How a render process's end is reported, from its exit code.
  static cef_termination_status_t StatusForExitCode(DWORD exit_code);

  // Whether new children join the job. On by default; tests that show a
  // render process ends by itself when its browser process dies turn it
  // off, since the job would end it first.
  static void SetUseJobObject(bool use);

  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Closes the handle; the process itself goes on.
  ~ChildProcess();

  HANDLE handle() const { return process_; }
  DWORD id() const { return id_; }
  bool HasExited() const;
  // STILL_ACTIVE while the process runs.
  DWORD exit_code() const;
  bool WaitForExit(DWORD timeout_ms) const;
  // Ends the process with |exit_code|, unless it already ended, and waits a
  // little for the end to take effect.
  void Terminate(unsigned exit_code = kRenderProcessKilledExitCode);
  // A new handle to the process, owned by the caller.
  HANDLE DuplicateHandle() const;

 private:
  ChildProcess(HANDLE process, DWORD id);

  const HANDLE process_;
  const DWORD id_;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_H_
