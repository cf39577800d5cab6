// Figures reported beside the goals: how long kxhost.exe takes from its
// start to the page's first console line, and how much memory kxhost and
// its render process hold by then.
#ifndef BENCH_HOST_START_H_
#define BENCH_HOST_START_H_

#include <string>

struct HostStartFigures {
  double first_line_ms = 0;
  double host_peak_mib = 0;
  double host_private_mib = 0;
  double render_peak_mib = 0;
  double render_private_mib = 0;
};

// Runs kxhost.exe from |folder| on a page that logs one line and closes
// itself a little later. False when the line never came or kxhost did not
// exit.
bool MeasureHostStart(const std::wstring& folder, HostStartFigures* figures);

#endif  // BENCH_HOST_START_H_
