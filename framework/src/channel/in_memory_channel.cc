#include "src/channel/in_memory_channel.h"

#include <atomic>
#include <utility>

#include "src/channel/channel_inbox.h"
#include "src/core/message_loop.h"

namespace cef_internal {

// Shared by both ends; each end's inbox outlives the end while deliveries
// are still posted.
struct InMemoryChannel::Link {
  std::shared_ptr<ChannelInbox> inbox[2];
  std::atomic<bool> closed{false};
};

// static
void InMemoryChannel::CreatePair(std::unique_ptr<Channel>* a,
                                 std::unique_ptr<Channel>* b) {
  MessageLoop* loop = MessageLoop::Current();
  CreatePairOnLoops(loop, loop, a, b);
}

// static
void InMemoryChannel::CreatePairOnLoops(MessageLoop* loop_a,
                                        MessageLoop* loop_b,
                                        std::unique_ptr<Channel>* a,
                                        std::unique_ptr<Channel>* b) {
  std::shared_ptr<Link> link = std::make_shared<Link>();
  link->inbox[0] = ChannelInbox::Create(loop_a);
  link->inbox[1] = ChannelInbox::Create(loop_b);
  a->reset(new InMemoryChannel(link, 0));
  b->reset(new InMemoryChannel(link, 1));
}

InMemoryChannel::InMemoryChannel(std::shared_ptr<Link> link, int side)
    : link_(std::move(link)), side_(side) {}

InMemoryChannel::~InMemoryChannel() {
  Close();
}

void InMemoryChannel::SetDelegate(Delegate* delegate) {
  link_->inbox[side_]->SetDelegate(delegate);
}

bool InMemoryChannel::Send(Op op, CefRefPtr<CefListValue> args) {
  if (link_->closed.load())
    return false;
  CefRefPtr<CefListValue> copy = args ? args->Copy() : CefListValue::Create();
  // An invalidated list has nothing to send (the pipe refuses it too).
  if (!copy)
    return false;
  link_->inbox[1 - side_]->PushMessage(op, copy);
  return true;
}

void InMemoryChannel::Close() {
  link_->inbox[side_]->Detach();
  if (!link_->closed.exchange(true))
    link_->inbox[1 - side_]->PushClosed();
}

}  // namespace cef_internal
