#include "src/script/scratch_buffer.h"

namespace cef_internal {

ScratchBuffer::ScratchBuffer() {}

ScratchBuffer::~ScratchBuffer() {}

char* ScratchBuffer::Get(size_t size) {
  if (size > capacity_) {
    // The old room goes first, so both are never held at once.
    bytes_.reset();
    capacity_ = 0;
    bytes_.reset(new char[size]);
    capacity_ = size;
  }
  return bytes_.get();
}

void ScratchBuffer::Release() {
  if (capacity_ > kKeptBytes) {
    bytes_.reset();
    capacity_ = 0;
  }
}

}  // namespace cef_internal
