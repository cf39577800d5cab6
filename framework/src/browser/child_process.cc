#include "src/browser/child_process.h"

#include <atomic>
#include <string>
#include <vector>

#include "src/browser/child_process_switches.h"

namespace cef_internal {

namespace {

// How long Terminate() waits for the process object to become signalled.
constexpr DWORD kTerminateWaitMs = 2000;

std::atomic<bool> g_use_job{true};

// The job every child joins; never closed, so that it closes (and ends the
// children) only when this process ends, however it ends.
HANDLE ChildJob() {
  static const HANDLE g_job = [] {
    HANDLE job = CreateJobObjectW(nullptr, nullptr);
    if (!job)
      return job;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags =
        JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation,
                                 &limits, sizeof(limits))) {
      CloseHandle(job);
      return HANDLE(nullptr);
    }
    return job;
  }();
  return g_job;
}

}  // namespace

// static
std::unique_ptr<ChildProcess> ChildProcess::Launch(
    CefRefPtr<CefCommandLine> command_line) {
  std::wstring program = command_line->GetProgram().ToWString();
  std::wstring line = command_line->GetCommandLineString().ToWString();
  if (program.empty())
    return nullptr;
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> buffer(line.begin(), line.end());
  buffer.push_back(L'\0');
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION info = {};
  if (!CreateProcessW(program.c_str(), buffer.data(), nullptr, nullptr, FALSE,
                      CREATE_SUSPENDED, nullptr, nullptr, &startup, &info)) {
    return nullptr;
  }
  HANDLE job = g_use_job.load() ? ChildJob() : nullptr;
  // Without a job (none could be made, or this process sits in one that
  // allows no other) the child still runs: it ends by itself once its
  // channel breaks.
  if (job)
    AssignProcessToJobObject(job, info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  return std::unique_ptr<ChildProcess>(
      new ChildProcess(info.hProcess, info.dwProcessId));
}

// static
cef_termination_status_t ChildProcess::StatusForExitCode(DWORD exit_code) {
  if (exit_code == kRenderProcessKilledExitCode)
    return TS_PROCESS_WAS_KILLED;
  if (exit_code >= kFirstCrashExitCode)
    return TS_PROCESS_CRASHED;
  return TS_ABNORMAL_TERMINATION;
}

// static
void ChildProcess::SetUseJobObject(bool use) {
  g_use_job.store(use);
}

ChildProcess::ChildProcess(HANDLE process, DWORD id)
    : process_(process), id_(id) {}

ChildProcess::~ChildProcess() {
  CloseHandle(process_);
}

bool ChildProcess::HasExited() const {
  return WaitForExit(0);
}

DWORD ChildProcess::exit_code() const {
  DWORD code = STILL_ACTIVE;
  if (!GetExitCodeProcess(process_, &code))
    return STILL_ACTIVE;
  return code;
}

bool ChildProcess::WaitForExit(DWORD timeout_ms) const {
  return WaitForSingleObject(process_, timeout_ms) == WAIT_OBJECT_0;
}

void ChildProcess::Terminate() {
  if (HasExited())
    return;
  TerminateProcess(process_, kRenderProcessKilledExitCode);
  WaitForExit(kTerminateWaitMs);
}

HANDLE ChildProcess::DuplicateHandle() const {
  HANDLE copy = nullptr;
  ::DuplicateHandle(GetCurrentProcess(), process_, GetCurrentProcess(), &copy,
                    0, FALSE, DUPLICATE_SAME_ACCESS);
  return copy;
}

}  // namespace cef_internal
