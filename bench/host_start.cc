#include "bench/host_start.h"

#include <windows.h>

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdio>
#include <fstream>

#include "bench/bench_stats.h"
#include "bench/file_url.h"
#include "include/cef_base.h"

namespace {

const char kPage[] =
    "<script>console.log('ready');"
    "setTimeout(function() { window.close(); }, 1500);</script>";
constexpr double kMiB = 1024.0 * 1024.0;
constexpr DWORD kWaitMs = 60000;

bool ReadMemory(HANDLE process, double* peak, double* private_bytes) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!GetProcessMemoryInfo(process, &counters, sizeof(counters)))
    return false;
  *peak = counters.PeakWorkingSetSize / kMiB;
  // The commit charge: the process's private bytes (Wine leaves the
  // extended counter's copy of it empty).
  *private_bytes = counters.PagefileUsage / kMiB;
  return true;
}

// The first render process kxhost started, for its memory.
void ReadRenderMemory(DWORD host_id, HostStartFigures* figures) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE)
    return;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot, &entry); more;
       more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ParentProcessID != host_id)
      continue;
    HANDLE child = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ,
                               FALSE, entry.th32ProcessID);
    if (!child)
      continue;
    bool read = ReadMemory(child, &figures->render_peak_mib,
                           &figures->render_private_mib);
    CloseHandle(child);
    if (read)
      break;
  }
  CloseHandle(snapshot);
}

}  // namespace

bool MeasureHostStart(const std::wstring& folder, HostStartFigures* figures) {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  const std::wstring page = std::wstring(temp) + L"kxbench-start-" +
                            std::to_wstring(GetCurrentProcessId()) + L".html";
  std::ofstream(CefString(page).ToString(), std::ios::binary) << kPage;

  SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
  HANDLE out_read = nullptr, out_write = nullptr;
  if (!CreatePipe(&out_read, &out_write, &inherit, 0))
    return false;
  SetHandleInformation(out_read, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = out_write;
  startup.hStdError = out_write;
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  std::wstring line = L"\"" + folder +
                      L"kxhost.exe\" --timeout-ms=20000 --url=" +
                      CefString(FileUrl(page)).ToWString();
  PROCESS_INFORMATION info = {};
  const double start = NowUs();
  bool started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, 0,
                                nullptr, nullptr, &startup, &info) != FALSE;
  CloseHandle(out_write);
  bool seen = false;
  if (started) {
    std::string output;
    char buffer[4096];
    DWORD moved = 0;
    while (!seen &&
           ReadFile(out_read, buffer, sizeof(buffer), &moved, nullptr) &&
           moved) {
      output.append(buffer, moved);
      seen = output.find("console: ready") != std::string::npos;
    }
    if (seen) {
      figures->first_line_ms = (NowUs() - start) / 1000;
      ReadMemory(info.hProcess, &figures->host_peak_mib,
                 &figures->host_private_mib);
      ReadRenderMemory(info.dwProcessId, figures);
    }
    // Keep reading so that kxhost never blocks on a full pipe.
    while (ReadFile(out_read, buffer, sizeof(buffer), &moved, nullptr) &&
           moved) {
    }
    if (WaitForSingleObject(info.hProcess, kWaitMs) != WAIT_OBJECT_0) {
      std::fprintf(stderr, "kxbench: kxhost did not exit within %lu ms\n",
                   static_cast<unsigned long>(kWaitMs));
      TerminateProcess(info.hProcess, 1);
      seen = false;
    }
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);
  }
  CloseHandle(out_read);
  DeleteFileW(page.c_str());
  return seen;
}
