#include "src/script/large_blocks.h"

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "src/core/auto_lock.h"

namespace cef_internal {

namespace {

// Every block starts with its usable size; what callers get follows it,
// aligned as malloc aligns.
struct alignas(8) Header {
  size_t capacity;
};

// Script heaps live on several threads in one process (tests, single-process
// hosts): the kept blocks are shared under a lock. Small blocks never touch
// it. Never destroyed: a heap may still be freed while the process exits.
CRITICAL_SECTION* KeptLock() {
  static CRITICAL_SECTION* const g_kept_lock = [] {
    CRITICAL_SECTION* lock = new CRITICAL_SECTION;
    InitializeCriticalSection(lock);
    return lock;
  }();
  return g_kept_lock;
}
// Guarded by KeptLock().
Header* g_kept[LargeBlocks::kMostKept];
int g_kept_count = 0;
size_t g_kept_bytes = 0;

void* Payload(Header* header) {
  return header + 1;
}

Header* HeaderOf(void* block) {
  return static_cast<Header*>(block) - 1;
}

// The smallest kept block of at least |size| and not more than twice that,
// or null.
Header* TakeKept(size_t size) {
  AutoLock hold(KeptLock());
  int best = -1;
  for (int i = 0; i < g_kept_count; ++i) {
    const size_t capacity = g_kept[i]->capacity;
    if (capacity >= size && capacity / 2 <= size &&
        (best < 0 || capacity < g_kept[best]->capacity))
      best = i;
  }
  Header* found = nullptr;
  if (best >= 0) {
    found = g_kept[best];
    g_kept[best] = g_kept[--g_kept_count];
    g_kept_bytes -= found->capacity;
  }
  return found;
}

// Keeps |header| when there is room; false when the caller must free it.
bool Keep(Header* header) {
  AutoLock hold(KeptLock());
  const bool room =
      g_kept_count < LargeBlocks::kMostKept &&
      g_kept_bytes + header->capacity <= LargeBlocks::kMostKeptBytes;
  if (room) {
    g_kept[g_kept_count++] = header;
    g_kept_bytes += header->capacity;
  }
  return room;
}

Header* NewBlock(size_t size) {
  if (size > SIZE_MAX - sizeof(Header))
    return nullptr;
  Header* header = static_cast<Header*>(std::malloc(sizeof(Header) + size));
  if (header)
    header->capacity = size;
  return header;
}

}  // namespace

void* LargeBlocks::Allocate(size_t size) {
  Header* header = size >= kLargeBlock ? TakeKept(size) : nullptr;
  if (!header)
    header = NewBlock(size);
  return header ? Payload(header) : nullptr;
}

void* LargeBlocks::Reallocate(void* block, size_t size) {
  if (!block)
    return Allocate(size);
  if (!size) {
    Free(block);
    return nullptr;
  }
  Header* header = HeaderOf(block);
  if (header->capacity < kLargeBlock && size < kLargeBlock) {
    Header* resized =
        static_cast<Header*>(std::realloc(header, sizeof(Header) + size));
    if (!resized)
      return nullptr;
    resized->capacity = size;
    return Payload(resized);
  }
  // A large block that still fits stays as it is: shrinking it would give
  // pages back that its next use faults in again.
  if (size <= header->capacity && size >= kLargeBlock)
    return block;
  void* moved = Allocate(size);
  if (!moved)
    return nullptr;
  std::memcpy(moved, block, size < header->capacity ? size : header->capacity);
  Free(block);
  return moved;
}

void LargeBlocks::Free(void* block) {
  if (!block)
    return;
  Header* header = HeaderOf(block);
  if (header->capacity >= kLargeBlock && Keep(header))
    return;
  std::free(header);
}

// static
void LargeBlocks::FreeKeptForTesting() {
  AutoLock hold(KeptLock());
  for (int i = 0; i < g_kept_count; ++i)
    std::free(g_kept[i]);
  g_kept_count = 0;
  g_kept_bytes = 0;
}

}  // namespace cef_internal
