// make bench-real: the component's speed on the real framework, every row
// beside a floor on the same framework measured in the same run, in turns.
// Page rows run in bench/pages/real_rows.html inside a session of this very
// program (--page-host), a browser process as a host writes one; the start
// and memory rows run kxhost.exe against bench_bare_host.exe. Both process
// modes. Prints figures only; exits non-zero when a row produced no figure
// or a record or notification was lost, never because a goal was missed.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <sstream>
#include <string>
#include <vector>

#include "bench/bench_row.h"
#include "bench/bench_stats.h"
#include "bench/file_url.h"
#include "bench/real/host_run.h"
#include "bench/real/page_session.h"
#include "include/cef_base.h"

namespace {

struct Counts {
  PageCounts page;
  // Host starts of each kind per mode (one per repetition).
  int reps = 5;
};

Counts SmokeCounts() {
  Counts counts;
  counts.reps = 2;
  counts.page.reps = 2;
  counts.page.trips = 3;
  counts.page.blocks = 1;
  counts.page.reads = 100;
  counts.page.voice_reads = 3;
  counts.page.burst = 50;
  counts.page.voice_arrivals = 6;
  return counts;
}

bool ParseInt(const std::wstring& arg, const wchar_t* name, int* value) {
  const size_t length = std::wcslen(name);
  if (arg.compare(0, length, name) != 0)
    return false;
  *value = static_cast<int>(std::wcstol(arg.c_str() + length, nullptr, 10));
  return true;
}

std::wstring PagesFolder() {
  return ProgramFolder() + L"bench_pages\\";
}

// The rows of one process mode.
struct ModeRows {
  Row trip, options, voices, first_voices, start, memory, burst;
  // The framework's own messages, a burst of page queries as long as the
  // update burst: not a floor the goal is judged by, but what the same count
  // of messages costs the framework alone.
  BenchStats queries;
  // Where the update burst's time goes: the page's loop of calls, and when
  // the host had read the last record (the notifications come after).
  BenchStats burst_loop;
  BenchStats burst_records;
  long long lost = -1;
  int host_processes = 0;
  int bare_processes = 0;

  explicit ModeRows(bool single)
      : trip{single ? "option round trip, single" : "option round trip", "us",
             "<= 1.1x query", Goal::kAtMost, 1.1},
        options{single ? "GetUserOptions(), single" : "GetUserOptions()", "us",
                "<= 1.0x GetNum", Goal::kAtMost, 1.0},
        voices{single ? "GetFilteredVoices(1), single"
                      : "GetFilteredVoices(1), 201x299",
               "us", "<= 0.5x stringify", Goal::kAtMost, 0.5},
        first_voices{single ? "first GetFilteredVoices(1) after a voice, single"
                            : "first GetFilteredVoices(1) after a voice",
                     "us", "<= 0.5x stringify", Goal::kAtMost, 0.5},
        start{single ? "start to first console, single"
                     : "start to first console line",
              "ms", "<= 1.05x bare", Goal::kAtMost, 1.05},
        memory{single ? "peak private bytes, single"
                      : "peak private bytes, all procs",
               "MiB", "<= 1.05x bare", Goal::kAtMost, 1.05},
        burst{single ? "10,000-update burst, single" : "10,000-update burst",
              "ms", ">= 0.5x raw loop", Goal::kAtLeast, 0.5} {
    burst.inverse = true;
  }
  std::vector<Row*> page_rows() {
    return {&trip, &options, &voices, &first_voices, &burst};
  }
  std::vector<Row*> start_rows() { return {&start, &memory}; }
};

// Runs this program as a page host and reads its figure lines.
void RunPageHost(const Counts& counts, bool single, ModeRows* rows) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring line = L"\"" + std::wstring(self) + L"\" --page-host" +
                      L" --reps=" + std::to_wstring(counts.page.reps) +
                      L" --trips=" + std::to_wstring(counts.page.trips) +
                      L" --blocks=" + std::to_wstring(counts.page.blocks) +
                      L" --reads=" + std::to_wstring(counts.page.reads) +
                      L" --voice-reads=" +
                      std::to_wstring(counts.page.voice_reads) + L" --burst=" +
                      std::to_wstring(counts.page.burst) +
                      L" --voice-arrivals=" +
                      std::to_wstring(counts.page.voice_arrivals) +
                      (single ? L" --single-process" : L"");
  // The real framework now and then crashes at its start under Wine: a
  // session that failed runs once more, and only the last one counts. The
  // session ends itself at its limit; a minute more for it to close.
  std::string output;
  bool ran = false;
  for (int attempt = 0; attempt < 2 && !ran; ++attempt) {
    output.clear();
    ran = RunAndRead(line, &output, kPageRunLimitMs + 60000);
    if (!ran)
      std::fprintf(stderr, "kxbench_real: a page session failed\n");
  }
  if (!ran) {
    for (Row* row : rows->page_rows())
      row->failed = true;
  }
  std::istringstream lines(output);
  std::string bench, name;
  while (lines >> bench >> name) {
    if (bench != "bench")
      continue;
    if (name == "delivered") {
      long long records = 0, notices = 0, expected = 0;
      lines >> records >> notices >> expected;
      rows->lost =
          std::llabs(expected - records) + std::llabs(expected - notices);
      continue;
    }
    if (name == "queries" || name == "burst-loop" || name == "burst-records") {
      double ms = 0;
      lines >> ms;
      (name == "queries"      ? rows->queries
       : name == "burst-loop" ? rows->burst_loop
                              : rows->burst_records)
          .Add(ms);
      continue;
    }
    double project = 0, floor = 0;
    lines >> project >> floor;
    Row* row = name == "trip"      ? &rows->trip
               : name == "options" ? &rows->options
               : name == "voices"  ? &rows->voices
               : name == "voice-first" ? &rows->first_voices
               : name == "burst"   ? &rows->burst
                                   : nullptr;
    if (row)
      row->Add(project, floor);
  }
}

// One start of kxhost and one of the bare host, on the same page.
void RunStarts(bool single, bool bare_first, ModeRows* rows) {
  const std::wstring url =
      CefString(FileUrl(PagesFolder() + L"start.html")).ToWString();
  const std::wstring mode = single ? L" --single-process" : L"";
  const std::wstring kxhost = L"\"" + ProgramFolder() +
                              L"kxhost.exe\" --timeout-ms=30000 --url=" + url +
                              mode;
  const std::wstring bare =
      L"\"" + ProgramFolder() + L"bench_bare_host.exe\" --url=" + url + mode;
  // A start the framework crashed (now and then, under Wine) runs again.
  auto run = [](const std::wstring& command, HostRunFigures* figures) {
    return RunHost(command, figures) || RunHost(command, figures);
  };
  HostRunFigures host, floor;
  bool ok = true;
  if (bare_first) {
    ok = run(bare, &floor) && run(kxhost, &host);
  } else {
    ok = run(kxhost, &host) && run(bare, &floor);
  }
  if (!ok) {
    rows->start.failed = rows->memory.failed = true;
    return;
  }
  rows->start.Add(host.first_line_ms, floor.first_line_ms);
  rows->memory.Add(host.peak_private_mib, floor.peak_private_mib);
  rows->host_processes = std::max(rows->host_processes, host.processes);
  rows->bare_processes = std::max(rows->bare_processes, floor.processes);
}

int RunPageHostMode(const std::vector<std::wstring>& args) {
  PageCounts counts;
  for (const std::wstring& arg : args) {
    if (arg == L"--single-process")
      counts.single_process = true;
    ParseInt(arg, L"--reps=", &counts.reps) ||
        ParseInt(arg, L"--trips=", &counts.trips) ||
        ParseInt(arg, L"--blocks=", &counts.blocks) ||
        ParseInt(arg, L"--reads=", &counts.reads) ||
        ParseInt(arg, L"--voice-reads=", &counts.voice_reads) ||
        ParseInt(arg, L"--burst=", &counts.burst) ||
        ParseInt(arg, L"--voice-arrivals=", &counts.voice_arrivals);
  }
  const std::string url = FileUrl(PagesFolder() + L"real_rows.html") +
                          "?reps=" + std::to_string(counts.reps) +
                          "&trips=" + std::to_string(counts.trips) +
                          "&blocks=" + std::to_string(counts.blocks) +
                          "&reads=" + std::to_string(counts.reads) +
                          "&voice_reads=" + std::to_string(counts.voice_reads);
  PageSession session(counts, url);
  return session.Run();
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::vector<std::wstring> args(argv + 1, argv + argc);
  // The framework's processes write their log into the current folder: the
  // build's, not wherever the bench was started from.
  SetCurrentDirectoryW(ProgramFolder().c_str());
  for (const std::wstring& arg : args) {
    if (arg == L"--page-host")
      return RunPageHostMode(args);
  }
  Counts counts;
  // --only=page or --only=start measures one group of rows; --mode=multi or
  // --mode=single one process mode.
  std::wstring only, mode;
  for (const std::wstring& arg : args) {
    if (arg == L"--smoke")
      counts = SmokeCounts();
    else if (arg.compare(0, 7, L"--only=") == 0)
      only = arg.substr(7);
    else if (arg.compare(0, 7, L"--mode=") == 0)
      mode = arg.substr(7);
  }
  for (const std::wstring& arg : args) {
    if (ParseInt(arg, L"--reps=", &counts.reps))
      counts.page.reps = counts.reps;
  }
  counts.reps = std::max(counts.reps, 1);
  counts.page.reps = std::max(counts.page.reps, 1);
  const bool run_page = only.empty() || only == L"page";
  const bool run_start = only.empty() || only == L"start";
  const bool run_mode[] = {mode.empty() || mode == L"multi",
                           mode.empty() || mode == L"single"};
  if ((!run_page && !run_start) || (!run_mode[0] && !run_mode[1])) {
    std::fprintf(stderr,
                 "kxbench_real: --only takes page or start, --mode multi or "
                 "single\n");
    return 2;
  }
  std::printf(
      "kxbench_real: %d repetitions on the real framework, each floor in the "
      "same run, in turns\n",
      counts.reps);
  std::fflush(stdout);

  ModeRows modes[] = {ModeRows(false), ModeRows(true)};
  for (int m = 0; m < 2; ++m) {
    for (Row* row : modes[m].page_rows())
      row->skipped = !run_page || !run_mode[m];
    for (Row* row : modes[m].start_rows())
      row->skipped = !run_start || !run_mode[m];
    if (!run_page || !run_mode[m])
      modes[m].lost = 0;
  }
  for (int m = 0; run_page && m < 2; ++m) {
    if (run_mode[m])
      RunPageHost(counts, m == 1, &modes[m]);
  }
  // Start by start in turn, each kind going first every other time: a burst
  // of load on the shared machine then falls on both alike.
  for (int rep = 0; run_start && rep < counts.reps; ++rep) {
    for (int m = 0; m < 2; ++m) {
      if (run_mode[m])
        RunStarts(m == 1, (rep + m) % 2 == 1, &modes[m]);
    }
  }

  PrintRowHeading();
  bool failed = false;
  long long lost = 0;
  for (ModeRows& rows : modes) {
    for (Row* row : {&rows.trip, &rows.options, &rows.voices,
                     &rows.first_voices, &rows.start, &rows.memory,
                     &rows.burst}) {
      PrintRow(*row);
      failed = failed || (!row->skipped && row->failed);
    }
    lost += rows.lost < 0 ? 1 : rows.lost;
  }
  std::printf(
      "(the median of each repetition's ratio; the burst's ratio is the raw "
      "loop's time over the component's)\n");
  for (int m = 0; run_page && m < 2; ++m) {
    if (modes[m].queries.empty())
      continue;
    std::printf(
        "also%s: as many TestOnly queries in a burst, the framework's own "
        "messages both ways: %.2f ms [%.2f]\n",
        m ? ", single-process" : "", modes[m].queries.Median(),
        modes[m].queries.Min());
    if (!modes[m].burst_loop.empty() && !modes[m].burst_records.empty()) {
      std::printf(
          "also%s: in the update burst, the page's loop of calls ended after "
          "%.2f ms [%.2f], the host had read the last record after %.2f ms "
          "[%.2f]\n",
          m ? ", single-process" : "", modes[m].burst_loop.Median(),
          modes[m].burst_loop.Min(), modes[m].burst_records.Median(),
          modes[m].burst_records.Min());
    }
  }
  if (run_start) {
    std::printf(
        "processes seen at once: kxhost %d, bare host %d; single-process: "
        "kxhost %d, bare host %d\n",
        modes[0].host_processes, modes[0].bare_processes,
        modes[1].host_processes, modes[1].bare_processes);
  }
  std::printf("records and notifications lost (both modes): %lld\n", lost);
  return failed || lost != 0 ? 1 : 0;
}
