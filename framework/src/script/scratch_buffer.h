// Room for a conversion's output that is reused from one conversion to the
// next: a long string handed to script every call (a page reading a long
// list) then costs no fresh heap block per call, whose pages the system
// would have to fault in again each time.
#ifndef FRAMEWORK_SRC_SCRIPT_SCRATCH_BUFFER_H_
#define FRAMEWORK_SRC_SCRIPT_SCRATCH_BUFFER_H_

#include <cstddef>
#include <memory>

namespace cef_internal {

class ScratchBuffer {
 public:
  // The most a buffer keeps between uses; a larger one goes at Release().
  static constexpr size_t kKeptBytes = 1 << 20;

  ScratchBuffer();
  ~ScratchBuffer();
  ScratchBuffer(const ScratchBuffer&) = delete;
  ScratchBuffer& operator=(const ScratchBuffer&) = delete;

  // Room for |size| bytes, contents undefined, valid until the next Get() or
  // Release(). Throws std::bad_alloc.
  char* Get(size_t size);
  // Ends a use: frees the room when it is more than kKeptBytes.
  void Release();

 private:
  std::unique_ptr<char[]> bytes_;
  size_t capacity_ = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_SCRATCH_BUFFER_H_
