// The physical floors the component is measured against: plain programs
// doing the least work that the same job needs.
#ifndef BENCH_FLOORS_H_
#define BENCH_FLOORS_H_

#include <windows.h>

#include <string>
#include <vector>

// The switch that makes the bench program the far end of the ping-pong.
extern const wchar_t kPipePeerSwitch[];
constexpr DWORD kPingPongMessageSize = 100;

// Far end of the ping-pong: echoes every message until the pipe closes.
int RunPipePeer(const std::wstring& pipe_name);

// Microseconds per round trip of a kPingPongMessageSize message between this
// process and a child over a named pipe; negative on failure.
double PipePingPongUs(int round_trips);

// Microseconds per RapidJSON write of |voices| as a JSON array of strings
// (UTF-16 in, UTF-8 out), the copy the component's list read starts from.
double RapidJsonVoicesUs(const std::vector<std::wstring>& voices, int writes);

// Milliseconds from CreateProcess to the exit of |command_line|, per run;
// negative on failure.
double StartToExitMs(const std::wstring& command_line, int runs);

#endif  // BENCH_FLOORS_H_
