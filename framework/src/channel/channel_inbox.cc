#include "src/channel/channel_inbox.h"

#include <utility>

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
  EnterCriticalSection(&lock_);
  if (event.bytes > kMaxQueuedBytes - queued_bytes_) {
    LeaveCriticalSection(&lock_);
    return false;
  }
  bool accept = !detached_ && !close_pushed_;
  if (accept) {
    const bool closed = event.closed;
    // A transport thread may run out of memory here; it must not leave the
    // lock held.
    try {
      events_.push_back(std::move(event));
    } catch (...) {
      LeaveCriticalSection(&lock_);
      throw;
    }
    close_pushed_ = closed;
    queued_bytes_ += events_.back().bytes;
  }
  bool post = accept && !drain_posted_;
  if (post)
    drain_posted_ = true;
  LeaveCriticalSection(&lock_);
  if (!post)
    return true;
  try {
    PostDrain();
  } catch (...) {
    // No task is coming: the next push must post one.
    EnterCriticalSection(&lock_);
    drain_posted_ = false;
    LeaveCriticalSection(&lock_);
    throw;
  }
  return true;
}

void ChannelInbox::PostDrain() {
  std::shared_ptr<ChannelInbox> self = shared_from_this();
  if (!loop_->PostTask([self] { self->Drain(); })) {
    EnterCriticalSection(&lock_);
    drain_posted_ = false;
    LeaveCriticalSection(&lock_);
  }
}

void ChannelInbox::SetDelegate(Channel::Delegate* delegate) {
  delegate_ = delegate;
  if (!delegate_)
    return;
  EnterCriticalSection(&lock_);
  bool post = !drain_posted_;
  drain_posted_ = true;
  LeaveCriticalSection(&lock_);
  if (post)
    PostDrain();
}

void ChannelInbox::Detach() {
  std::deque<Event> dropped;
  EnterCriticalSection(&lock_);
  detached_ = true;
  dropped.swap(events_);
  queued_bytes_ = 0;
  LeaveCriticalSection(&lock_);
  delegate_ = nullptr;
}

void ChannelInbox::Drain() {
  EnterCriticalSection(&lock_);
  drain_posted_ = false;
  LeaveCriticalSection(&lock_);
  // The delegate may close or destroy the channel from a callback; each
  // round re-checks, and the posting task keeps |this| alive.
  for (size_t delivered = 0; delegate_; ++delivered) {
    Event event{false, Op::kShutdown, nullptr, 0};
    EnterCriticalSection(&lock_);
    bool empty = events_.empty();
    bool yield = !empty && delivered == kMaxEventsPerDrain;
    if (yield)
      drain_posted_ = true;
    if (!empty && !yield) {
      event = std::move(events_.front());
      events_.pop_front();
      queued_bytes_ -= event.bytes;
    }
    LeaveCriticalSection(&lock_);
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
