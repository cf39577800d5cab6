// The allocator of the script heaps' large blocks (SmallBlockPool has the
// small ones) and of converted strings: plain malloc, except that a few large
// freed blocks are kept for the next large request.
// A page that reads a long string on every call would otherwise get a fresh
// block of that size each time, and the system (Wine's heap gives large
// freed blocks back) would fault its pages in again on every call.
#ifndef FRAMEWORK_SRC_SCRIPT_LARGE_BLOCKS_H_
#define FRAMEWORK_SRC_SCRIPT_LARGE_BLOCKS_H_

#include <cstddef>

namespace cef_internal {

class LargeBlocks {
 public:
  // From this size on a freed block may be kept.
  static constexpr size_t kLargeBlock = 32 * 1024;
  // At most this many blocks, together at most kMostKeptBytes, are kept.
  static constexpr int kMostKept = 4;
  static constexpr size_t kMostKeptBytes = 4 * 1024 * 1024;

  // Null when memory runs out. A size of 0 gives a block too.
  static void* Allocate(size_t size);
  // As realloc: null |block| allocates; a size of 0 frees and gives null.
  // Null when memory runs out, |block| then left as it was.
  static void* Reallocate(void* block, size_t size);
  static void Free(void* block);

  // Gives every kept block back to the system, so that a test starts with
  // none kept whatever ran before it.
  static void FreeKeptForTesting();
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_LARGE_BLOCKS_H_
