// Hands channel events to the delegate of one channel end on the thread that
// owns it. Producers on any thread push; delivery always happens from a task
// posted to the owner's MessageLoop, so a delegate is never called re-entrantly
// from Send() and never from a transport thread. One task delivers a bounded
// batch: a burst from the other side must not keep the owner's window
// messages and timers waiting until the whole backlog is through.
#ifndef FRAMEWORK_SRC_CHANNEL_CHANNEL_INBOX_H_
#define FRAMEWORK_SRC_CHANNEL_CHANNEL_INBOX_H_

#include <windows.h>

#include <deque>
#include <memory>

#include "src/channel/channel.h"

namespace cef_internal {

class MessageLoop;

class ChannelInbox : public std::enable_shared_from_this<ChannelInbox> {
 public:
  // Delivers on |loop|'s thread.
  static std::shared_ptr<ChannelInbox> Create(MessageLoop* loop);
  ~ChannelInbox();
  ChannelInbox(const ChannelInbox&) = delete;
  ChannelInbox& operator=(const ChannelInbox&) = delete;

  // Bytes of messages (as they came over the wire) an inbox holds at most
  // for its owner: an owner that falls this far behind, or a peer that
  // sends this much faster than it is read, ends the channel.
  static constexpr size_t kMaxQueuedBytes = 96 * 1024 * 1024;

  // Any thread. Events are delivered in push order; nothing is accepted after
  // the close event or after Detach(). False (nothing pushed) when |bytes|
  // more would exceed kMaxQueuedBytes.
  bool PushMessage(Op op, CefRefPtr<CefListValue> args, size_t bytes = 0);
  void PushClosed();

  // Owner thread. Events that arrive while there is no delegate wait for one.
  void SetDelegate(Channel::Delegate* delegate);
  // The channel end is closing or going away: drop what is queued and never
  // call the delegate again.
  void Detach();

  MessageLoop* loop() const { return loop_; }

 private:
  struct Event {
    bool closed;
    Op op;
    CefRefPtr<CefListValue> args;
    size_t bytes;
  };

  explicit ChannelInbox(MessageLoop* loop);
  bool Push(Event event);
  void PostDrain();
  // No drain task is coming: the next push or SetDelegate() posts one.
  void AllowNextDrain();
  void Drain();

  MessageLoop* const loop_;
  CRITICAL_SECTION lock_;
  // Guarded by |lock_|.
  std::deque<Event> events_;
  bool close_pushed_ = false;
  size_t queued_bytes_ = 0;
  bool detached_ = false;
  // A drain task is queued and has not yet taken its batch.
  bool drain_posted_ = false;
  // Owner thread only.
  Channel::Delegate* delegate_ = nullptr;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_CHANNEL_INBOX_H_
