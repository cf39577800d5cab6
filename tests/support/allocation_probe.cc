#include "tests/support/allocation_probe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> g_probing{false};
std::atomic<size_t> g_largest{0};
std::atomic<size_t> g_total{0};

void Note(size_t size) {
  if (!g_probing.load(std::memory_order_relaxed))
    return;
  g_total += size;
  size_t seen = g_largest.load();
  while (size > seen && !g_largest.compare_exchange_weak(seen, size)) {
  }
}

}  // namespace

AllocationProbe::AllocationProbe() {
  g_largest = 0;
  g_total = 0;
  g_probing = true;
}

AllocationProbe::~AllocationProbe() {
  g_probing = false;
}

size_t AllocationProbe::largest() const {
  return g_largest;
}

size_t AllocationProbe::total() const {
  return g_total;
}

// The array and nothrow forms of the library call these.
void* operator new(size_t size) {
  Note(size);
  if (void* block = std::malloc(size ? size : 1))
    return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept {
  std::free(block);
}

void operator delete(void* block, size_t) noexcept {
  std::free(block);
}
