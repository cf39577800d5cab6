// The browser side's handle on one render side: the Channel to it and, for a
// render process of its own, that process. Browsers send through their host;
// what the render side sends comes back through the host's Client.
#ifndef FRAMEWORK_SRC_BROWSER_RENDER_PROCESS_HOST_H_
#define FRAMEWORK_SRC_BROWSER_RENDER_PROCESS_HOST_H_

#include <memory>

#include "include/cef_values.h"
#include "src/channel/channel.h"

namespace cef_internal {

class RenderProcessHost : public Channel::Delegate {
 public:
  // Receives, on the UI thread, what the render side sends and its end.
  class Client {
   public:
    virtual void OnRenderMessage(RenderProcessHost* host,
                                 Op op,
                                 CefRefPtr<CefListValue> args) = 0;
    // The render side ended without being asked to (its channel closed).
    virtual void OnRenderProcessGone(RenderProcessHost* host,
                                     cef_termination_status_t status) = 0;

   protected:
    virtual ~Client() {}
  };

  RenderProcessHost(int id, Client* client);
  RenderProcessHost(const RenderProcessHost&) = delete;
  RenderProcessHost& operator=(const RenderProcessHost&) = delete;
  ~RenderProcessHost() override;

  // Unique within the browser process.
  int id() const { return id_; }
  // False before Launch succeeded and once the render side is gone.
  bool alive() const { return alive_; }

  // Starts the render side; |extra_info| reaches its OnRenderThreadCreated.
  virtual bool Launch(CefRefPtr<CefListValue> extra_info) = 0;
  // Asks the render side to end (Op::kShutdown) and waits for it for at most
  // |timeout_ms|; afterwards nothing more is reported to the Client.
  virtual void Shutdown(int timeout_ms) = 0;
  // Sends Op::kShutdown and stops reporting to the Client; Shutdown does this
  // first too. Lets several render sides end at the same time.
  void BeginShutdown();

  // False once the render side is gone.
  bool Send(Op op, CefRefPtr<CefListValue> args);

  // Channel::Delegate:
  void OnChannelMessage(Op op, CefRefPtr<CefListValue> args) override;
  void OnChannelClosed() override;

 protected:
  // Takes the browser end of the channel to the render side.
  void AttachChannel(std::unique_ptr<Channel> channel);
  Channel* channel() const { return channel_.get(); }
  // For hosts that learn more about the end than a closed channel tells
  // (an exit code): reports the end once, unless it was asked for.
  void ReportGone(cef_termination_status_t status);
  // Closes and releases the channel.
  void DetachChannel();

 private:
  const int id_;
  Client* const client_;
  std::unique_ptr<Channel> channel_;
  bool alive_ = false;
  bool shutting_down_ = false;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_BROWSER_RENDER_PROCESS_HOST_H_
