// The contract between a browser process and the child processes it
// launches: the switches on a child's command line and the exit codes both
// sides give meaning to.
#ifndef FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_SWITCHES_H_
#define FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_SWITCHES_H_

namespace cef_internal {

// "--type=renderer" makes CefExecuteProcess run a render process.
constexpr char kProcessTypeSwitch[] = "type";
constexpr char kRendererProcessType[] = "renderer";
// "--type=gpu-process": the GPU-like child of multi-process mode, which
// lives as long as the browser process named by "--kx-browser-pid=<pid>".
constexpr char kGpuProcessType[] = "gpu-process";
constexpr char kBrowserPidSwitch[] = "kx-browser-pid";
// "--kx-channel=\\.\pipe\kxcef-<browser pid>-<random>": the pipe to connect
// to.
constexpr char kChannelSwitch[] = "kx-channel";
// Only names under this prefix are opened, so that the switch can never make
// a render process open an ordinary file.
constexpr wchar_t kPipeNamePrefix[] = L"\\\\.\\pipe\\";

// Render process exit codes (see also kBrowserProcessLostExitCode, 2, in
// src/renderer/render_process.h). 0 means the browser ended it with
// Op::kShutdown.
constexpr int kUnsupportedProcessTypeExitCode = 1;
// The channel switch is missing, not a pipe name, or nobody listens there;
// for the GPU-like child, "--kx-browser-pid" names no process to wait for.
constexpr int kNoChannelExitCode = 3;

// A child ended as asked: a render process after kShutdown, the GPU-like
// child by the browser process at CefShutdown.
constexpr unsigned kEndedOnRequestExitCode = 0;
// The code the browser process gives TerminateProcess when it ends a render
// process itself (shutdown overran, channel broken, pipe never connected).
// 128 + 9, as shells report a process killed with SIGKILL. A render process
// that ends with it is reported as TS_PROCESS_WAS_KILLED.
constexpr unsigned kRenderProcessKilledExitCode = 137;
// Exit codes from here on are exception codes (access violation, stack
// overflow, ...): TS_PROCESS_CRASHED.
constexpr unsigned kFirstCrashExitCode = 0xC0000000u;

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_CHILD_PROCESS_SWITCHES_H_
