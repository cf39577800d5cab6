// One script heap's allocator. The engine makes and drops a great many small
// blocks (objects, strings, property tables) on every call into script; the
// process heap would take a lock and walk its free lists for each of them,
// and those costs are most of a short call. Here a small block comes off a
// free list of its size class, carved from chunks the pool owns; larger
// blocks go to LargeBlocks as before.
//
// A heap is used by one thread at a time, so the pool takes no lock. Freed
// small blocks stay with their class for the heap's next allocations; the
// chunks go back to the system when the pool (with its heap) is destroyed.
#ifndef FRAMEWORK_SRC_SCRIPT_SMALL_BLOCK_POOL_H_
#define FRAMEWORK_SRC_SCRIPT_SMALL_BLOCK_POOL_H_

#include <cstddef>
#include <cstdint>

namespace cef_internal {

class SmallBlockPool {
 public:
  // Blocks up to this size come from the pool.
  static constexpr size_t kMaxPooled = 512;
  // The size of the chunks small blocks are carved from.
  static constexpr size_t kChunkSize = 16 * 1024;

  SmallBlockPool();
  // Frees every chunk: blocks still out become invalid.
  ~SmallBlockPool();
  SmallBlockPool(const SmallBlockPool&) = delete;
  SmallBlockPool& operator=(const SmallBlockPool&) = delete;

  // Null when memory runs out. A size of 0 gives a block too.
  void* Allocate(size_t size);
  // As realloc: null |block| allocates; a size of 0 frees and gives null.
  // Null when memory runs out, |block| then left as it was.
  void* Reallocate(void* block, size_t size);
  // |block| must come from this pool (or be null).
  void Free(void* block);

  // The bytes held in chunks, in use or free: what the pool keeps from the
  // system until it is destroyed.
  size_t chunk_bytes() const { return chunk_bytes_; }

 private:
  // Every block starts with one, so that a free or a realloc finds its class.
  struct alignas(8) Header {
    uint32_t size_class;
  };
  struct FreeBlock {
    FreeBlock* next;
  };
  struct Chunk {
    Chunk* next;
  };
  static_assert(sizeof(Chunk) <= sizeof(Header),
                "a chunk's link must fit before its first block");

  static constexpr int kClassCount = 32;
  // Header::size_class of a block that LargeBlocks holds.
  static constexpr uint32_t kLarge = 0xFFFFFFFFu;

  static int ClassFor(size_t size);
  static size_t ClassSize(int size_class);

  void* AllocateSmall(int size_class);
  void* AllocateLarge(size_t size);
  // Carves a fresh block of |size_class| from the current chunk, starting a
  // new chunk when it is used up; null when memory runs out.
  Header* Carve(int size_class);
  // Moves |block| into a new block of |size|, freeing it on success; when
  // memory runs out, a shrinking |block| is kept as it is.
  void* Move(void* block, size_t old_capacity, size_t size);

  FreeBlock* free_[kClassCount] = {};
  Chunk* chunks_ = nullptr;
  char* carve_at_ = nullptr;
  char* carve_end_ = nullptr;
  size_t chunk_bytes_ = 0;
};

}  // namespace cef_internal

#endif  // FRAMEWORK_SRC_SCRIPT_SMALL_BLOCK_POOL_H_
