#include "src/channel/frame_buffer.h"

#include <algorithm>

namespace cef_internal {

char* FrameBuffer::Space(size_t room) {
  if (start_ == bytes_.size()) {
    bytes_.clear();
    start_ = 0;
  } else if (start_ && bytes_.capacity() - bytes_.size() < room) {
    // The consumed head is dead weight: drop it before growing.
    bytes_.erase(0, start_);
    start_ = 0;
  }
  if (bytes_.capacity() - bytes_.size() < room)
    bytes_.reserve(std::max(bytes_.size() + room, 2 * bytes_.capacity()));
  size_t used = bytes_.size();
  bytes_.resize(used + room);
  return &bytes_[used];
}

void FrameBuffer::Commit(size_t room, size_t filled) {
  bytes_.resize(bytes_.size() - room + filled);
}

}  // namespace cef_internal
