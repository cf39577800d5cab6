#include "src/browser/child_process.h"

#include <sddl.h>

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

// What any process of this user, a render process first, may do to this
// one: wait for it, ask what it is, end it. Not read or write its memory,
// start threads in it, take its handles or change its rights (the owner's
// implied rights are limited too). A render process is less trusted than
// this process, and it knows this process's id (it is in the pipe's name).
constexpr wchar_t kBrowserProcessRights[] =
    L"D:P(A;;0x121401;;;WD)(A;;0x121401;;;OW)(A;;GA;;;SY)";

void GuardThisProcessOnce() {
  static const bool guarded = [] {
    PSECURITY_DESCRIPTOR rights = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(
            kBrowserProcessRights, SDDL_REVISION_1, &rights, nullptr)) {
      return false;
    }
    const bool set =
        SetKernelObjectSecurity(GetCurrentProcess(), DACL_SECURITY_INFORMATION,
                                rights) != FALSE;
    LocalFree(rights);
    return set;
  }();
  (void)guarded;
}

// This process's token without its privileges, for a render process; null
// when it cannot be made.
HANDLE RestrictedToken() {
  HANDLE own = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(),
                        TOKEN_DUPLICATE | TOKEN_ASSIGN_PRIMARY | TOKEN_QUERY,
                        &own)) {
    return nullptr;
  }
  HANDLE restricted = nullptr;
  if (!CreateRestrictedToken(own, DISABLE_MAX_PRIVILEGE, 0, nullptr, 0, nullptr,
                             0, nullptr, &restricted)) {
    restricted = nullptr;
  }
  CloseHandle(own);
  return restricted;
}

// Starts |program| suspended, with the restricted token when there is one.
bool CreateSuspended(const std::wstring& program,
                     wchar_t* command_line,
                     PROCESS_INFORMATION* info) {
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  HANDLE token = RestrictedToken();
  bool created = false;
  if (token) {
    created = CreateProcessAsUserW(token, program.c_str(), command_line,
                                   nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                   nullptr, nullptr, &startup, info) != FALSE;
    CloseHandle(token);
  }
  return created || CreateProcessW(program.c_str(), command_line, nullptr,
                                   nullptr, FALSE, CREATE_SUSPENDED, nullptr,
                                   nullptr, &startup, info) != FALSE;
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
  GuardThisProcessOnce();
  PROCESS_INFORMATION info = {};
  if (!CreateSuspended(program, buffer.data(), &info))
    return nullptr;
  HANDLE job = g_use_job.load() ? ChildJob() : nullptr;
  // Without a job (none could be made, or this process sits in one that
  // allows no other) the child still runs: it ends by itself once its
  // channel breaks. The job allows no breakaway: what a render process
  // starts is in it too, and ends with this process.
  if (job)
    AssignProcessToJobObject(job, info.hProcess);
  ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  return std::unique_ptr<ChildProcess>(
      new ChildProcess(info.hProcess, info.dwProcessId));
}

// static
std::wstring ChildProcess::OwnExecutable() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    DWORD size = GetModuleFileNameW(nullptr, buffer.data(),
                                    static_cast<DWORD>(buffer.size()));
    if (size == 0)
      return std::wstring();
    if (size < buffer.size())
      return std::wstring(buffer.data(), size);
    buffer.resize(buffer.size() * 2);
  }
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

void ChildProcess::Terminate(unsigned exit_code) {
  if (HasExited())
    return;
  TerminateProcess(process_, exit_code);
  WaitForExit(kTerminateWaitMs);
}

HANDLE ChildProcess::DuplicateHandle() const {
  HANDLE copy = nullptr;
  ::DuplicateHandle(GetCurrentProcess(), process_, GetCurrentProcess(), &copy,
                    0, FALSE, DUPLICATE_SAME_ACCESS);
  return copy;
}

}  // namespace cef_internal
