#include "src/channel/frame_reader.h"

#include "src/channel/channel_end.h"
#include "src/channel/channel_inbox.h"
#include "src/channel/codec.h"
#include "src/channel/link_negotiation.h"

namespace cef_internal {

FrameReader::FrameReader(ChannelEnd* end, LinkNegotiation* link)
    : end_(end), link_(link) {}

bool FrameReader::DeliverFrames() {
  // A closed channel delivers nothing more, however much is waiting.
  while (!end_->closed() && buffer_.size() >= Codec::kLengthSize) {
    uint32_t length = 0;
    if (!Codec::ReadLength(buffer_.data(), &length))
      return false;
    const size_t frame_size = Codec::kLengthSize + length;
    if (buffer_.size() < frame_size)
      break;
    Op op;
    CefRefPtr<CefListValue> args;
    // A frame that does not decode is dropped; the next one is intact.
    if (Codec::Decode(buffer_.data() + Codec::kLengthSize, length, &op,
                      &args) &&
        !link_->TakeLinkOp(op, args, frames_read_) &&
        !end_->inbox()->PushMessage(op, args, frame_size)) {
      // The owner is that far behind: the peer sends more than it can take,
      // and the channel ends.
      return false;
    }
    buffer_.Consume(frame_size);
    ++frames_read_;
  }
  return true;
}

}  // namespace cef_internal
