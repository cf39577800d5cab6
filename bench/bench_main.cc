// make bench: every speed goal of the component beside its floor, measured
// in the same run, interleaved, several repetitions. Prints figures only;
// exits non-zero when a row produced no figure or anything was lost, never
// because a goal was missed.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <functional>
#include <string>
#include <vector>

#include "bench/bench_row.h"
#include "bench/bench_stats.h"
#include "bench/bench_voices.h"
#include "bench/floors.h"
#include "bench/host_start.h"
#include "bench/script_rows.h"
#include "bench/system_session.h"

namespace {

struct Counts {
  int reps = 5;
  int ping_pongs = 2000;
  int round_trips = 400;
  int option_reads = 200000;
  int voice_reads = 200;
  int json_writes = 2000;
  int launches = 10;
  int burst = 10000;
  int big_burst = 100000;
  int small_trips = 200;
  int big_trips = 2000;
};

Counts SmokeCounts() {
  Counts counts;
  counts.reps = 2;
  counts.ping_pongs = 20;
  counts.round_trips = 5;
  counts.option_reads = 100;
  counts.voice_reads = 3;
  counts.json_writes = 3;
  counts.launches = 1;
  counts.burst = 50;
  counts.big_burst = 500;
  counts.small_trips = 2;
  counts.big_trips = 20;
  return counts;
}

const char kOptionsJson[] =
    "[{\"filter_id\":12,\"is_filter\":true,\"uic_type\":3},"
    "{\"filter_id\":40,\"is_filter\":false,\"uic_type\":1},"
    "{\"filter_id\":7,\"is_filter\":true,\"uic_type\":2}]";

bool ParseInt(const wchar_t* arg, const wchar_t* name, int* value) {
  const size_t length = std::wcslen(name);
  if (std::wcsncmp(arg, name, length) != 0)
    return false;
  *value = static_cast<int>(std::wcstol(arg + length, nullptr, 10));
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Counts counts;
  // --only=script, start or system measures one group of rows; --only=trip
  // the round trip alone, for a profiler's sake.
  std::wstring only;
  for (int i = 1; i < argc; ++i) {
    const std::wstring arg(argv[i]);
    if (arg.compare(0, std::wcslen(kPipePeerSwitch), kPipePeerSwitch) == 0)
      return RunPipePeer(arg.substr(std::wcslen(kPipePeerSwitch)));
    if (arg == L"--smoke")
      counts = SmokeCounts();
    else if (arg.compare(0, 7, L"--only=") == 0)
      only = arg.substr(7);
    else if (!ParseInt(argv[i], L"--trips=", &counts.round_trips))
      ParseInt(argv[i], L"--reps=", &counts.reps);
  }
  if (counts.reps < 1)
    counts.reps = 1;

  Row trip{"option round trip", "us", "<= 2x ping-pong", Goal::kAtMost, 2};
  Row options{"GetUserOptions() per call", "us", "<= 2 us", Goal::kAtMost, 2};
  options.absolute = true;
  Row voices{"GetFilteredVoices(1), 201x299", "us", "<= 1.5x RapidJSON",
             Goal::kAtMost, 1.5};
  Row start{"kxsubprocess start-to-exit", "ms", "<= 1.1x empty exe",
            Goal::kAtMost, 1.1};
  Row burst{"10,000 UpdateOptions burst", "ms", ">= 0.5x raw loop",
            Goal::kAtLeast, 0.5};
  burst.inverse = true;
  Row burst_scale{"updates: per-item 100k / 10k", "us", "<= 1.3x (linear)",
                  Goal::kAtMost, 1.3};
  Row trip_scale{"round trips: per-item 2000 / 200", "us", "<= 1.3x (linear)",
                 Goal::kAtMost, 1.3};
  burst_scale.of_medians = trip_scale.of_medians = true;
  const bool run_script = only.empty() || only == L"script";
  const bool run_start = only.empty() || only == L"start";
  const bool trips_only = only == L"trip";
  const bool run_system = only.empty() || only == L"system" || trips_only;
  if (!run_script && !run_start && !run_system) {
    std::fprintf(stderr,
                 "kxbench: --only takes script, start, system or trip\n");
    return 2;
  }
  options.skipped = voices.skipped = !run_script;
  start.skipped = !run_start;
  trip.skipped = !run_system;
  burst.skipped = burst_scale.skipped = trip_scale.skipped =
      !run_system || trips_only;
  long long lost = run_system ? -1 : 0;
  bool stalled = false;

  std::printf("kxbench: %d repetitions, floors interleaved with the project\n",
              counts.reps);
  std::fflush(stdout);

  if (run_script) {
    ScriptRows script(FullVoiceList(), kOptionsJson);
    if (!script.ready()) {
      options.failed = voices.failed = true;
    } else {
      const std::vector<std::wstring> list = FullVoiceList();
      for (int rep = 0; rep < counts.reps; ++rep) {
        const double empty = script.EmptyFunctionUs(counts.option_reads);
        options.Add(script.GetUserOptionsUs(counts.option_reads), empty);
        const double floor = RapidJsonVoicesUs(list, counts.json_writes);
        voices.Add(script.GetFilteredVoicesUs(counts.voice_reads), floor);
      }
    }
  }

  const std::wstring folder = ProgramFolder();
  // Launch by launch in turn, each going first every other time: a burst of
  // load on the shared machine, or the previous program's end still under
  // way, then falls on both alike.
  const std::wstring empty_exe = L"\"" + folder + L"bench_empty.exe\"";
  const std::wstring subprocess_exe = L"\"" + folder + L"kxsubprocess.exe\"";
  for (int rep = 0; run_start && rep < counts.reps; ++rep) {
    double floor = 0;
    double project = 0;
    for (int i = 0; i < counts.launches && floor >= 0 && project >= 0; ++i) {
      double empty = 0;
      double subprocess = 0;
      if (i % 2) {
        subprocess = StartToExitMs(subprocess_exe, 1);
        empty = StartToExitMs(empty_exe, 1);
      } else {
        empty = StartToExitMs(empty_exe, 1);
        subprocess = StartToExitMs(subprocess_exe, 1);
      }
      floor = empty < 0 ? -1 : floor + empty / counts.launches;
      project = subprocess < 0 ? -1 : project + subprocess / counts.launches;
    }
    start.Add(project, floor);
  }

  if (run_system) {
    SystemSession session;
    if (!session.Start()) {
      trip.failed = burst.failed = burst_scale.failed = trip_scale.failed =
          true;
    } else {
      for (int rep = 0; rep < counts.reps; ++rep) {
        const double floor = PipePingPongUs(counts.ping_pongs);
        trip.Add(session.RoundTripUs(counts.round_trips), floor);
        if (trips_only)
          continue;
        const double raw = session.WritePostMs(counts.burst);
        burst.Add(session.BurstMs(counts.burst), raw);
        const double small = session.BurstMs(counts.burst) / counts.burst;
        const double big = session.BurstMs(counts.big_burst) / counts.big_burst;
        burst_scale.Add(big * 1000, small * 1000);
        const double few = session.RoundTripUs(counts.small_trips);
        trip_scale.Add(session.RoundTripUs(counts.big_trips), few);
      }
      lost = session.Lost();
    }
    session.Stop();
    stalled = session.stalled();
  }

  PrintRowHeading();
  for (const Row* row :
       {&trip, &options, &voices, &start, &burst, &burst_scale, &trip_scale})
    PrintRow(*row);
  std::printf(
      "(the two per-item rows give the ratio of their medians; the others "
      "the median of each repetition's ratio)\n");
  HostStartFigures host;
  const bool host_measured = !run_start || MeasureHostStart(folder, &host);
  if (run_start && host_measured) {
    std::printf(
        "also: kxhost start to the page's first console line %.0f ms (an "
        "empty program's start-to-exit %.0f ms); peak working set / private "
        "bytes: kxhost %.1f / %.1f MiB, its render process %.1f / %.1f MiB\n",
        host.first_line_ms, start.floor.Median(), host.host_peak_mib,
        host.host_private_mib, host.render_peak_mib, host.render_private_mib);
  } else if (run_start) {
    std::printf("also: kxhost start to the first console line: no figure\n");
  }
  std::printf(
      "records and notifications lost (component and raw loop together): "
      "%lld\n",
      lost);
  if (stalled)
    std::printf("a wait ran out: the run fails\n");
  bool failed = lost != 0 || stalled || !host_measured;
  for (const Row* row :
       {&trip, &options, &voices, &start, &burst, &burst_scale, &trip_scale})
    failed = failed || (!row->skipped && row->failed);
  return failed ? 1 : 0;
}
