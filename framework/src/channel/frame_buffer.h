// Bytes read from the pipe or the ring that do not yet form whole frames. It
// grows with the bytes that arrive, never ahead of them. Not thread-safe:
// whoever reads owns it.
#ifndef FRAMEWORK_SRC_CHANNEL_FRAME_BUFFER_H_
#define FRAMEWORK_SRC_CHANNEL_FRAME_BUFFER_H_

#include <stddef.h>

#include <string>

namespace cef_internal {

class FrameBuffer {
 public:
  // Exactly |room| writable bytes at the end.
  char* Space(size_t room);
  // |filled| of the |room| bytes the last Space() gave now hold data.
  void Commit(size_t room, size_t filled);
  const char* data() const { return bytes_.data() + start_; }
  size_t size() const { return bytes_.size() - start_; }
  void Consume(size_t count) { start_ += count; }

 private:
  std::string bytes_;
  size_t start_ = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_CHANNEL_FRAME_BUFFER_H_
