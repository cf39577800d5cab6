#include "src/browser/child_process_render_host.h"

#include <stdint.h>

#include <atomic>
#include <cstdlib>

#include <map>
#include <utility>
#include <vector>

#include "src/browser/browser_context.h"
#include "src/browser/child_process_reaper.h"
#include "src/browser/child_process_switches.h"
#include "src/channel/pipe_channel.h"
#include "src/core/message_loop.h"

namespace cef_internal {

namespace {

// How long a launched process may take to connect to its pipe; generous,
// since a loaded machine starts processes slowly.
constexpr int kConnectTimeoutMs = 30000;
// After the channel broke, how long the process may take to end by itself
// before it is terminated.
constexpr int kChannelLostGraceMs = 3000;
// After the process ended, how long its channel may take to hand over what
// the process wrote before it ended.
constexpr int kChannelDrainMs = 2000;
// How long a render process no browser uses may take to obey kShutdown.
constexpr DWORD kRetireGraceMs = 5000;

constexpr char kFailLaunchesVariable[] = "KX_FAIL_RENDER_LAUNCHES";

// Launches still to fail; read from the environment on first use.
std::atomic<int> g_launches_to_fail{-1};

bool InjectedLaunchFailure() {
  int expected = -1;
  if (g_launches_to_fail.load() == -1) {
    const char* value = std::getenv(kFailLaunchesVariable);
    const int count = value ? std::atoi(value) : 0;
    g_launches_to_fail.compare_exchange_strong(expected, count > 0 ? count : 0);
  }
  int left = g_launches_to_fail.load();
  while (left > 0 &&
         !g_launches_to_fail.compare_exchange_weak(left, left - 1)) {
  }
  return left > 0;
}

// Live hosts by id, on the UI thread: tasks posted by the process watcher
// find their host here, or find that it is gone. Ids are never reused.
std::map<int, ChildProcessRenderHost*>& Hosts() {
  static std::map<int, ChildProcessRenderHost*>* const g_hosts =
      new std::map<int, ChildProcessRenderHost*>;
  return *g_hosts;
}

}  // namespace

ChildProcessRenderHost::ChildProcessRenderHost(int id,
                                               Client* client,
                                               CefRefPtr<CefApp> app,
                                               const std::wstring& program)
    : RenderProcessHost(id, client), app_(app), program_(program) {}

ChildProcessRenderHost::~ChildProcessRenderHost() {
  StopWatching();
  RetireProcess();
}

bool ChildProcessRenderHost::Launch(CefRefPtr<CefListValue> extra_info) {
  if (process_)
    return false;
  std::wstring pipe;
  std::unique_ptr<PipeChannel> channel =
      PipeChannel::CreateServer(&pipe, kConnectTimeoutMs);
  if (!channel)
    return false;
  CefRefPtr<CefCommandLine> command_line = MakeCommandLine(pipe);
  CefRefPtr<CefBrowserProcessHandler> handler =
      app_ ? app_->GetBrowserProcessHandler() : nullptr;
  if (handler)
    handler->OnBeforeChildProcessLaunch(command_line);
  if (!InjectedLaunchFailure())
    process_ = ChildProcess::Launch(command_line);
  if (!process_)
    return false;
  // Only the process just launched may take the pipe.
  channel->AcceptOnlyClient(process_->id());
  AttachChannel(std::move(channel));
  // First in the queue, so the render side has it before anything else.
  CefRefPtr<CefListValue> start = CefListValue::Create();
  start->SetList(0, extra_info ? extra_info->Copy() : CefListValue::Create());
  Send(Op::kRenderThreadCreated, start);
  Hosts()[id()] = this;
  WatchProcess();
  return true;
}

// static
void ChildProcessRenderHost::FailNextLaunches(int count) {
  g_launches_to_fail.store(count > 0 ? count : 0);
}

void ChildProcessRenderHost::Shutdown(int timeout_ms) {
  BeginShutdown();
  StopWatching();
  if (!process_ || process_->WaitForExit(timeout_ms > 0 ? timeout_ms : 0))
    return;
  // With time to wait, the caller is ending everything: an overdue process
  // is ended now. Otherwise it gets its grace period in the background.
  if (timeout_ms > 0)
    process_->Terminate();
  else
    RetireProcess();
}

void ChildProcessRenderHost::OnChannelClosed() {
  channel_closed_ = true;
  if (exited_) {
    ReportIfGone(false);
    return;
  }
  PostDelayed(
      [](ChildProcessRenderHost* host) { host->OnChannelLostTimeout(); },
      kChannelLostGraceMs);
}

CefRefPtr<CefCommandLine> ChildProcessRenderHost::MakeCommandLine(
    const std::wstring& pipe) const {
  CefRefPtr<CefCommandLine> command_line = CefCommandLine::CreateCommandLine();
  command_line->SetProgram(program_.empty() ? ChildProcess::OwnExecutable()
                                            : program_);
  command_line->AppendSwitchWithValue(kProcessTypeSwitch, kRendererProcessType);
  command_line->AppendSwitchWithValue(kChannelSwitch, pipe);
  return command_line;
}

void ChildProcessRenderHost::WatchProcess() {
  void* context = reinterpret_cast<void*>(static_cast<intptr_t>(id()));
  if (!RegisterWaitForSingleObject(&wait_, process_->handle(),
                                   &OnProcessSignaled, context, INFINITE,
                                   WT_EXECUTEONLYONCE)) {
    wait_ = nullptr;
  }
}

void ChildProcessRenderHost::StopWatching() {
  Hosts().erase(id());
  if (!wait_)
    return;
  // Blocks until a running callback returned; it only posts a task.
  UnregisterWaitEx(wait_, INVALID_HANDLE_VALUE);
  wait_ = nullptr;
}

void ChildProcessRenderHost::OnProcessExited() {
  if (exited_)
    return;
  exited_ = true;
  if (!channel_closed_) {
    PostDelayed([](ChildProcessRenderHost* host) { host->ReportIfGone(true); },
                kChannelDrainMs);
  }
  ReportIfGone(false);
}

void ChildProcessRenderHost::ReportIfGone(bool channel_wait_over) {
  if (!exited_ || (!channel_closed_ && !channel_wait_over))
    return;
  ReportGone(ChildProcess::StatusForExitCode(process_->exit_code()));
}

void ChildProcessRenderHost::OnChannelLostTimeout() {
  if (process_->HasExited()) {
    // Without a watcher nobody else notices.
    if (!wait_)
      OnProcessExited();
    return;
  }
  process_->Terminate();
  if (!wait_)
    OnProcessExited();
}

void ChildProcessRenderHost::RetireProcess() {
  if (!process_ || retired_ || process_->HasExited())
    return;
  retired_ = true;
  ChildProcessReaper::Retire(process_->DuplicateHandle(), kRetireGraceMs);
}

void ChildProcessRenderHost::PostDelayed(
    std::function<void(ChildProcessRenderHost*)> task,
    int delay_ms) {
  MessageLoop* loop = MessageLoop::Main();
  if (!loop)
    return;
  const int host_id = id();
  loop->PostDelayedTask(
      [host_id, task]() {
        ChildProcessRenderHost* host = FromId(host_id);
        if (host)
          task(host);
      },
      delay_ms);
}

// static
void CALLBACK ChildProcessRenderHost::OnProcessSignaled(void* context,
                                                        BOOLEAN timed_out) {
  int id = static_cast<int>(reinterpret_cast<intptr_t>(context));
  // A system thread: nothing may leave it. Without memory for the task the
  // channel's end still tells of the process.
  try {
    BrowserContext::PostUiTask([id]() {
      ChildProcessRenderHost* host = FromId(id);
      if (host)
        host->OnProcessExited();
    });
  } catch (...) {
  }
}

// static
ChildProcessRenderHost* ChildProcessRenderHost::FromId(int id) {
  auto it = Hosts().find(id);
  return it == Hosts().end() ? nullptr : it->second;
}

}  // namespace cef_internal
