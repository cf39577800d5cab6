#include "src/process/render_process_main.h"

#include <memory>
#include <string>

#include "src/browser/child_process_switches.h"
#include "src/channel/pipe_channel.h"
#include "src/core/message_loop.h"
#include "src/core/named_thread.h"
#include "src/process/scheme_registrar_impl.h"
#include "src/renderer/render_process.h"

namespace cef_internal {

namespace {

// The browser process made the pipe before launching us; it only has to
// exist and be free.
constexpr int kConnectTimeoutMs = 2000;

// Takes the first op: the extra info for OnRenderThreadCreated. Everything
// after it stays queued in the channel until the render side takes over.
class StartReceiver : public Channel::Delegate {
 public:
  explicit StartReceiver(Channel* channel) : channel_(channel) {
    channel_->SetDelegate(this);
  }
  ~StartReceiver() override {
    if (!done_)
      channel_->SetDelegate(nullptr);
  }

  bool done() const { return done_; }
  bool closed() const { return closed_; }
  CefRefPtr<CefListValue> extra_info() const { return extra_info_; }
  // Any other op that came first (a browser process that sends no start).
  bool has_early_op() const { return early_args_ != nullptr; }
  Op early_op() const { return early_op_; }
  CefRefPtr<CefListValue> early_args() const { return early_args_; }

  void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) override {
    Stop();
    if (op != Op::kRenderThreadCreated) {
      early_op_ = op;
      early_args_ = args;
    } else if (args->GetType(0) == VTYPE_LIST) {
      extra_info_ = args->GetList(0)->Copy();
    }
  }
  void OnChannelClosed() override {
    Stop();
    closed_ = true;
  }

 private:
  void Stop() {
    done_ = true;
    channel_->SetDelegate(nullptr);
  }

  Channel* const channel_;
  bool done_ = false;
  bool closed_ = false;
  CefRefPtr<CefListValue> extra_info_;
  Op early_op_ = Op::kShutdown;
  CefRefPtr<CefListValue> early_args_;
};

// What the application may change or add before the render side starts.
void PrepareApplication(CefRefPtr<CefApp> app) {
  if (!app)
    return;
  CefRefPtr<CefCommandLine> command_line =
      CefCommandLine::GetGlobalCommandLine();
  app->OnBeforeCommandLineProcessing(
      command_line->GetSwitchValue(kProcessTypeSwitch), command_line);
  CefRefPtr<SchemeRegistrarImpl> registrar = new SchemeRegistrarImpl();
  app->OnRegisterCustomSchemes(registrar.get());
}

bool IsPipeName(const std::wstring& name) {
  const std::wstring prefix = kPipeNamePrefix;
  return name.size() > prefix.size() &&
         name.compare(0, prefix.size(), prefix) == 0;
}

int RunRenderSide(CefRefPtr<CefApp> app,
                  Channel* channel,
                  const StartReceiver& start) {
  MessageLoop* loop = MessageLoop::Current();
  RenderProcess process(app, channel, start.extra_info());
  if (start.has_early_op())
    process.OnChannelMessage(start.early_op(), start.early_args());
  // Only a stray WM_QUIT ends the loop early: the process ends as if asked
  // to, and the browser process reports an end it did not ask for.
  loop->RunUntilDone([&process]() { return process.finished(); });
  return process.finished() ? process.exit_code() : 0;
}

}  // namespace

// static
int RenderProcessMain::Run(CefRefPtr<CefApp> app) {
  PrepareApplication(app);
  std::wstring pipe = CefCommandLine::GetGlobalCommandLine()
                          ->GetSwitchValue(kChannelSwitch)
                          .ToWString();
  if (!IsPipeName(pipe))
    return kNoChannelExitCode;
  MessageLoop* loop = MessageLoop::Current();
  MessageLoop::SetMain(loop);
  SetMainThreadServes(/*ui=*/false, /*renderer=*/true);
  std::unique_ptr<PipeChannel> channel =
      PipeChannel::Connect(pipe, kConnectTimeoutMs);
  if (!channel)
    return kNoChannelExitCode;
  int exit_code = kBrowserProcessLostExitCode;
  {
    StartReceiver start(channel.get());
    loop->RunUntilDone([&start]() { return start.done(); });
    if (start.done() && !start.closed())
      exit_code = RunRenderSide(app, channel.get(), start);
  }
  // Lets what the render side sent last leave before the pipe closes.
  channel.reset();
  return exit_code;
}

}  // namespace cef_internal
