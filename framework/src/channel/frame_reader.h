// Cuts the bytes read from the pipe or the ring into frames and hands each
// on: the link's own ops to LinkNegotiation, every other message to the
// owner's inbox. Not thread-safe: whoever reads (the reader thread, or the
// owner thread while it holds the read role) owns it.
#ifndef FRAMEWORK_SRC_CHANNEL_FRAME_READER_H_
#define FRAMEWORK_SRC_CHANNEL_FRAME_READER_H_

#include "src/channel/frame_buffer.h"

namespace cef_internal {

class ChannelEnd;
class LinkNegotiation;

class FrameReader {
 public:
  FrameReader(ChannelEnd* end, LinkNegotiation* link);
  FrameReader(const FrameReader&) = delete;
  FrameReader& operator=(const FrameReader&) = delete;

  // Where the next read puts its bytes.
  FrameBuffer* buffer() { return &buffer_; }

  // Hands every whole frame in the buffer on. False when a length prefix is
  // beyond the limit (the stream is out of step for good) or the owner's
  // inbox is full. May throw std::bad_alloc.
  bool DeliverFrames();

 private:
  ChannelEnd* const end_;
  LinkNegotiation* const link_;
  FrameBuffer buffer_;
  int frames_read_ = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_FRAME_READER_H_
