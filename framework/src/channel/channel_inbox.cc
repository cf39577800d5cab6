#include "src/channel/channel_inbox.h"

#include <utility>

#include "src/core/auto_lock.h"
#include "src/core/message_loop.h"

namespace cef_internal {

namespace {

// Events one drain task delivers before the owner's loop gets its turn.
constexpr size_t kMaxEventsPerDrain = 64;

}  // namespace

// static
std::shared_ptr<ChannelInbox> ChannelInbox::Create(MessageLoop* loop) {
  return std::shared_ptr<ChannelInbox>(new ChannelInbox(loop));
}

ChannelInbox::ChannelInbox(MessageLoop* loop) : loop_(loop) {
  InitializeCriticalSection(&lock_);
}

ChannelInbox::~ChannelInbox() {
  DeleteCriticalSection(&lock_);
}

bool ChannelInbox::PushMessage(Op op,
                               CefRefPtr<CefListValue> args,
                               size_t bytes) {
  return Push(Event{false, op, std::move(args), bytes});
}

void ChannelInbox::PushClosed() {
  Push(Event{true, Op::kShutdown, nullptr, 0});
}

bool ChannelInbox::Push(Event event) {
  bool post = false;
  {
    // A transport thread may run out of memory here; the guard never leaves
    // the lock held.
    AutoLock hold(&lock_);
    if (event.bytes > kMaxQueuedBytes - queued_bytes_)
      return false;
    const bool accept = !detached_ && !close_pushed_;
    if (accept) {
      const bool closed = event.closed;
      events_.push_back(std::move(event));
      close_pushed_ = closed;
      queued_bytes_ += events_.back().bytes;
    }
    post = accept && !drain_posted_;
    if (post)
      drain_posted_ = true;
  }
  if (!post)
    return true;
  try {
    PostDrain();
  } catch (...) {
    // No task is coming: the next push must post one.
    AllowNextDrain();
    throw;
  }
  return true;
}

void ChannelInbox::AllowNextDrain() {
  AutoLock hold(&lock_);
  drain_posted_ = false;
}

void ChannelInbox::PostDrain() {
  std::shared_ptr<ChannelInbox> self = shared_from_this();
  if (!loop_->PostTask([self] { self->Drain(); }))
    AllowNextDrain();
}

void ChannelInbox::SetDelegate(Channel::Delegate* delegate) {
  delegate_ = delegate;
  if (!delegate_)
    return;
  bool post = false;
  {
    AutoLock hold(&lock_);
    post = !drain_posted_;
    drain_posted_ = true;
  }
  if (post)
    PostDrain();
}

void ChannelInbox::Detach() {
  // What waited dies outside the lock.
  std::deque<Event> dropped;
  {
    AutoLock hold(&lock_);
    detached_ = true;
    dropped.swap(events_);
    queued_bytes_ = 0;
  }
  delegate_ = nullptr;
}

void ChannelInbox::Drain() {
  AllowNextDrain();
  // The delegate may close or destroy the channel from a callback; each
  // round re-checks, and the posting task keeps |this| alive.
  for (size_t delivered = 0; delegate_; ++delivered) {
    Event event{false, Op::kShutdown, nullptr, 0};
    bool empty = false;
    bool yield = false;
    {
      AutoLock hold(&lock_);
      empty = events_.empty();
      yield = !empty && delivered == kMaxEventsPerDrain;
      if (yield)
        drain_posted_ = true;
      if (!empty && !yield) {
        event = std::move(events_.front());
        events_.pop_front();
        queued_bytes_ -= event.bytes;
      }
    }
    if (yield)
      PostDrain();
    if (empty || yield)
      return;
    if (event.closed)
      delegate_->OnChannelClosed();
    else
      delegate_->OnChannelMessage(event.op, event.args);
  }
}

}  // namespace cef_internal
