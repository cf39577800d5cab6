#include "bench/real/host_run.h"

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <map>
#include <thread>
#include <vector>

#include "bench/bench_stats.h"

namespace {

constexpr double kMiB = 1024.0 * 1024.0;
// A host run's limit: kxhost's own default limit is 30 s.
constexpr DWORD kRunLimitMs = 120000;
// How often the processes' memory is read: often enough for the start's
// peaks, rarely enough to cost the run little.
constexpr DWORD kSampleMs = 25;

// How long the processes a host started get to end after it.
constexpr DWORD kChildrenEndMs = 15000;

// The processes of one host run: the host and every process it started, and
// theirs. Each is held open from its first sighting, so that its id is not
// given to a later process while the run is watched, and a process that
// only carries the id of an ended one (started before the host) is left out.
struct RunProcesses {
  ULONGLONG host_created = 0;
  std::map<DWORD, HANDLE> held;
};

ULONGLONG CreationTime(HANDLE process) {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(process, &created, &exited, &kernel, &user))
    return 0;
  return (static_cast<ULONGLONG>(created.dwHighDateTime) << 32) |
         created.dwLowDateTime;
}

void HoldNewProcesses(RunProcesses* run) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return;
  std::vector<std::pair<DWORD, DWORD>> links;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry))
    links.emplace_back(entry.th32ProcessID, entry.th32ParentProcessID);
  CloseHandle(snapshot);
  for (bool grew = true; grew;) {
    grew = false;
    for (const auto& link : links) {
      if (run->held.count(link.first) || !run->held.count(link.second))
        continue;
      HANDLE process = OpenProcess(
          PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, link.first);
      if (!process)
        continue;
      if (CreationTime(process) < run->host_created) {
        CloseHandle(process);
        continue;
      }
      run->held[link.first] = process;
      grew = true;
    }
  }
}

// Private bytes of the run's processes still running, together (Wine gives
// a process's anonymous resident memory as its page-file usage).
double PrivateMiB(const RunProcesses& run, int* running) {
  double total = 0;
  *running = 0;
  for (const auto& held : run.held) {
    if (WaitForSingleObject(held.second, 0) != WAIT_TIMEOUT)
      continue;
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof(counters);
    if (GetProcessMemoryInfo(held.second, &counters, sizeof(counters))) {
      total += counters.PagefileUsage / kMiB;
      ++*running;
    }
  }
  return total;
}

// Waits for the host's processes to end, so that they never overlap the
// next run, and lets go of them.
void ReleaseProcesses(RunProcesses* run) {
  const DWORD start = GetTickCount();
  for (const auto& held : run->held) {
    const DWORD spent = GetTickCount() - start;
    WaitForSingleObject(held.second,
                        spent < kChildrenEndMs ? kChildrenEndMs - spent : 0);
    CloseHandle(held.second);
  }
  run->held.clear();
}

// Starts |command_line| with its standard output into a pipe; the caller
// owns the handles in |info| and |*out_read|.
bool Launch(const std::wstring& command_line,
            PROCESS_INFORMATION* info,
            HANDLE* out_read) {
  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE out_write = nullptr;
  if (!CreatePipe(out_read, &out_write, &inherit, 0))
    return false;
  SetHandleInformation(*out_read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out_write;
  startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring line(command_line);
  const bool started =
      CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0, nullptr,
                     nullptr, &startup, info) != FALSE;
  CloseHandle(out_write);
  if (!started)
    CloseHandle(*out_read);
  return started;
}

// Waits |limit_ms| for |process| to exit with 0; ends it when it does not.
bool ExitedWell(HANDLE process, DWORD limit_ms) {
  if (WaitForSingleObject(process, limit_ms) != WAIT_OBJECT_0) {
    std::fprintf(stderr, "kxbench_real: a program did not exit in time\n");
    TerminateProcess(process, 1);
    WaitForSingleObject(process, INFINITE);
    return false;
  }
  DWORD exit_code = 1;
  GetExitCodeProcess(process, &exit_code);
  return exit_code == 0;
}

}  // namespace

bool RunAndRead(const std::wstring& command_line,
                std::string* output,
                unsigned long limit_ms) {
  PROCESS_INFORMATION info = {};
  HANDLE out_read = nullptr;
  if (!Launch(command_line, &info, &out_read))
    return false;
  char buffer[4096];
  DWORD moved = 0;
  while (ReadFile(out_read, buffer, sizeof(buffer), &moved, nullptr) && moved)
    output->append(buffer, moved);
  const bool ok = ExitedWell(info.hProcess, limit_ms);
  CloseHandle(out_read);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  return ok;
}

bool RunHost(const std::wstring& command_line, HostRunFigures* figures) {
  PROCESS_INFORMATION info = {};
  HANDLE out_read = nullptr;
  const double start = NowUs();
  if (!Launch(command_line, &info, &out_read))
    return false;
  std::atomic<double> first_line_us{0};
  std::thread reader([&] {
    std::string output;
    char buffer[4096];
    DWORD moved = 0;
    // Reads to the end, so that the host never blocks on a full pipe.
    while (ReadFile(out_read, buffer, sizeof(buffer), &moved, nullptr) &&
           moved) {
      if (first_line_us.load() > 0)
        continue;
      output.append(buffer, moved);
      if (output.compare(0, 9, "console: ") == 0 ||
          output.find("\nconsole: ") != std::string::npos)
        first_line_us = NowUs();
    }
  });
  // Samples until the host has exited.
  RunProcesses run;
  HANDLE host = nullptr;
  DuplicateHandle(GetCurrentProcess(), info.hProcess, GetCurrentProcess(),
                  &host, 0, FALSE, DUPLICATE_SAME_ACCESS);
  run.host_created = CreationTime(info.hProcess);
  run.held[info.dwProcessId] = host;
  double peak = 0;
  int most_processes = 0;
  DWORD waited = 0;
  do {
    HoldNewProcesses(&run);
    int processes = 0;
    peak = std::max(peak, PrivateMiB(run, &processes));
    most_processes = std::max(most_processes, processes);
    waited += kSampleMs;
  } while (WaitForSingleObject(info.hProcess, kSampleMs) == WAIT_TIMEOUT &&
           waited < kRunLimitMs);
  bool ok = ExitedWell(info.hProcess, 0);
  ReleaseProcesses(&run);
  reader.join();
  CloseHandle(out_read);
  CloseHandle(info.hProcess);
  CloseHandle(info.hThread);
  ok = ok && first_line_us.load() > 0;
  if (ok) {
    figures->first_line_ms = (first_line_us.load() - start) / 1000;
    figures->peak_private_mib = peak;
    figures->processes = most_processes;
  }
  return ok;
}
