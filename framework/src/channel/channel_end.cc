#include "src/channel/channel_end.h"

#include <exception>
#include <utility>

#include "src/channel/channel_inbox.h"

namespace cef_internal {

ChannelEnd::ChannelEnd(std::shared_ptr<ChannelInbox> inbox)
    : inbox_(std::move(inbox)),
      stop_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

ChannelEnd::~ChannelEnd() {
  CloseHandle(stop_);
}

bool ChannelEnd::stopped() const {
  return WaitForSingleObject(stop_, 0) == WAIT_OBJECT_0;
}

void ChannelEnd::Close() {
  inbox_->Detach();
  closed_.store(true);
}

void ChannelEnd::Stop() {
  SetEvent(stop_);
}

void ChannelEnd::Fail() {
  // Without memory to tell the owner, the peer still sees the pipe close
  // and ends, and the owner learns of that end instead.
  if (!closed_.exchange(true)) {
    try {
      inbox_->PushClosed();
    } catch (const std::exception&) {
    }
  }
  SetEvent(stop_);
}

}  // namespace cef_internal
