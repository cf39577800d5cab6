#include "src/script/small_block_pool.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "src/script/large_blocks.h"

namespace cef_internal {

namespace {

// Classes step by 8 bytes up to 128, by 16 up to 256 and by 32 up to 512:
// the engine's objects and short strings fall in the fine steps, and a
// block wastes at most an eighth of itself beyond them.
constexpr size_t kFineLimit = 128;
constexpr size_t kMediumLimit = 256;
constexpr int kFineClasses = 16;
constexpr int kMediumClasses = 8;

}  // namespace

SmallBlockPool::SmallBlockPool() = default;

SmallBlockPool::~SmallBlockPool() {
  while (chunks_) {
    Chunk* next = chunks_->next;
    std::free(chunks_);
    chunks_ = next;
  }
}

// static
int SmallBlockPool::ClassFor(size_t size) {
  if (size <= kFineLimit)
    return size ? static_cast<int>((size - 1) / 8) : 0;
  if (size <= kMediumLimit)
    return kFineClasses + static_cast<int>((size - kFineLimit - 1) / 16);
  return kFineClasses + kMediumClasses +
         static_cast<int>((size - kMediumLimit - 1) / 32);
}

// static
size_t SmallBlockPool::ClassSize(int size_class) {
  if (size_class < kFineClasses)
    return 8 * static_cast<size_t>(size_class + 1);
  if (size_class < kFineClasses + kMediumClasses)
    return kFineLimit + 16 * static_cast<size_t>(size_class - kFineClasses + 1);
  return kMediumLimit + 32 * static_cast<size_t>(size_class - kFineClasses -
                                                 kMediumClasses + 1);
}

void* SmallBlockPool::Allocate(size_t size) {
  return size <= kMaxPooled ? AllocateSmall(ClassFor(size))
                            : AllocateLarge(size);
}

void* SmallBlockPool::Reallocate(void* block, size_t size) {
  if (!block)
    return Allocate(size);
  if (!size) {
    Free(block);
    return nullptr;
  }
  Header* header = static_cast<Header*>(block) - 1;
  if (header->size_class != kLarge) {
    const int size_class = static_cast<int>(header->size_class);
    if (size <= kMaxPooled && ClassFor(size) == size_class)
      return block;
    return Move(block, ClassSize(size_class), size);
  }
  // A large block going small gives its memory back; one staying large is
  // LargeBlocks' to resize, the header travelling along.
  if (size <= kMaxPooled)
    return Move(block, size, size);
  if (size > SIZE_MAX - sizeof(Header))
    return nullptr;
  Header* resized = static_cast<Header*>(
      LargeBlocks::Reallocate(header, sizeof(Header) + size));
  return resized ? resized + 1 : nullptr;
}

void SmallBlockPool::Free(void* block) {
  if (!block)
    return;
  Header* header = static_cast<Header*>(block) - 1;
  if (header->size_class == kLarge) {
    LargeBlocks::Free(header);
    return;
  }
  FreeBlock* freed = static_cast<FreeBlock*>(block);
  freed->next = free_[header->size_class];
  free_[header->size_class] = freed;
}

void* SmallBlockPool::AllocateSmall(int size_class) {
  if (FreeBlock* reused = free_[size_class]) {
    free_[size_class] = reused->next;
    return reused;
  }
  Header* header = Carve(size_class);
  return header ? header + 1 : nullptr;
}

void* SmallBlockPool::AllocateLarge(size_t size) {
  if (size > SIZE_MAX - sizeof(Header))
    return nullptr;
  Header* header =
      static_cast<Header*>(LargeBlocks::Allocate(sizeof(Header) + size));
  if (!header)
    return nullptr;
  header->size_class = kLarge;
  return header + 1;
}

SmallBlockPool::Header* SmallBlockPool::Carve(int size_class) {
  const size_t total = sizeof(Header) + ClassSize(size_class);
  if (static_cast<size_t>(carve_end_ - carve_at_) < total) {
    Chunk* chunk = static_cast<Chunk*>(std::malloc(kChunkSize));
    if (!chunk)
      return nullptr;
    chunk->next = chunks_;
    chunks_ = chunk;
    chunk_bytes_ += kChunkSize;
    // Blocks start 8 bytes in, so that every payload is 8-aligned as
    // malloc's are.
    carve_at_ = reinterpret_cast<char*>(chunk) + sizeof(Header);
    carve_end_ = reinterpret_cast<char*>(chunk) + kChunkSize;
  }
  Header* header = reinterpret_cast<Header*>(carve_at_);
  carve_at_ += total;
  header->size_class = static_cast<uint32_t>(size_class);
  return header;
}

void* SmallBlockPool::Move(void* block, size_t old_capacity, size_t size) {
  void* moved = Allocate(size);
  // A block that shrinks may stay where it is rather than fail.
  if (!moved)
    return size <= old_capacity ? block : nullptr;
  std::memcpy(moved, block, old_capacity < size ? old_capacity : size);
  Free(block);
  return moved;
}

}  // namespace cef_internal
