// Bench programs run as children, their output read. One run of a host
// program on the real framework, watched from outside:
// how long until its page's first console line, and the most private memory
// its processes (itself, its render and GPU processes) held at once.
#ifndef BENCH_REAL_HOST_RUN_H_
#define BENCH_REAL_HOST_RUN_H_

#include <string>

struct HostRunFigures {
  double first_line_ms = 0;
  double peak_private_mib = 0;
  // The most processes of the run seen at once.
  int processes = 0;
};

// Runs |command_line| until it exits; its standard output must carry a line
// starting with "console: ". False when no such line came, the program did
// not exit in time or exited with an error.
bool RunHost(const std::wstring& command_line, HostRunFigures* figures);

// Runs |command_line| until it exits, its standard output into |output|.
// False when it did not exit within |limit_ms| or exited with an error.
bool RunAndRead(const std::wstring& command_line,
                std::string* output,
                unsigned long limit_ms);

#endif  // BENCH_REAL_HOST_RUN_H_
