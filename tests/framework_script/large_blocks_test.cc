// The script heaps' allocator: realloc's contract for every size, and large
// freed blocks handed out again instead of fresh ones.
#include "src/script/large_blocks.h"

#include <cstring>
#include <set>
#include <vector>

#include "gtest/gtest.h"

namespace {

using cef_internal::LargeBlocks;

constexpr size_t kLarge = LargeBlocks::kLargeBlock;

void Fill(void* block, size_t size) {
  unsigned char* bytes = static_cast<unsigned char*>(block);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<unsigned char>(i * 7 + 1);
}

bool Holds(const void* block, size_t size) {
  const unsigned char* bytes = static_cast<const unsigned char*>(block);
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] != static_cast<unsigned char>(i * 7 + 1))
      return false;
  }
  return true;
}

TEST(LargeBlocksTest, ReallocateKeepsTheContentAcrossEverySize) {
  // Small to small, small to large, large to larger, large to smaller large,
  // large to small.
  const size_t sizes[] = {16, 100, 3 * kLarge, 5 * kLarge, kLarge + 1, 64};
  void* block = LargeBlocks::Allocate(8);
  ASSERT_TRUE(block);
  Fill(block, 8);
  size_t kept = 8;
  for (size_t size : sizes) {
    void* moved = LargeBlocks::Reallocate(block, size);
    ASSERT_TRUE(moved) << size;
    ASSERT_TRUE(Holds(moved, kept < size ? kept : size)) << size;
    Fill(moved, size);
    block = moved;
    kept = size;
  }
  EXPECT_EQ(nullptr, LargeBlocks::Reallocate(block, 0));
  void* fresh = LargeBlocks::Reallocate(nullptr, 10);
  ASSERT_TRUE(fresh);
  LargeBlocks::Free(fresh);
  LargeBlocks::Free(nullptr);
  void* empty = LargeBlocks::Allocate(0);
  EXPECT_TRUE(empty);
  LargeBlocks::Free(empty);
}

TEST(LargeBlocksTest, FreedLargeBlocksServeTheNextFittingRequest) {
  // Blocks kept by earlier tests would fill the room, and |large| would go
  // back to the system to be handed out again for any size.
  LargeBlocks::FreeKeptForTesting();
  const size_t size = 4 * kLarge + 136;
  void* large = LargeBlocks::Allocate(size);
  ASSERT_TRUE(large);
  LargeBlocks::Free(large);
  // More than twice the request: not handed out for it.
  void* smaller = LargeBlocks::Allocate(size / 2 - 8);
  EXPECT_NE(large, smaller);
  EXPECT_EQ(large, LargeBlocks::Allocate(size - 8));
  LargeBlocks::Free(large);
  LargeBlocks::Free(smaller);

  // Small blocks are never kept, whatever their order.
  void* small = LargeBlocks::Allocate(kLarge - 1);
  LargeBlocks::Free(small);
  void* another = LargeBlocks::Allocate(4 * kLarge);
  EXPECT_NE(small, another);
  LargeBlocks::Free(another);
}

TEST(LargeBlocksTest, OnlyAFewBlocksAreKept) {
  const int count = LargeBlocks::kMostKept + 3;
  std::vector<void*> blocks;
  for (int i = 0; i < count; ++i)
    blocks.push_back(LargeBlocks::Allocate(2 * kLarge));
  for (void* block : blocks)
    LargeBlocks::Free(block);
  std::set<void*> freed(blocks.begin(), blocks.end());
  std::vector<void*> again;
  int reused = 0;
  for (int i = 0; i < count; ++i) {
    again.push_back(LargeBlocks::Allocate(2 * kLarge));
    reused += freed.count(again.back()) ? 1 : 0;
  }
  // The system's heap may hand out a freed address again by itself, so only
  // the lower bound is certain.
  EXPECT_GE(reused, LargeBlocks::kMostKept);
  for (void* block : again)
    LargeBlocks::Free(block);

  // Blocks beyond the byte limit are never kept.
  void* huge = LargeBlocks::Allocate(LargeBlocks::kMostKeptBytes + 1);
  ASSERT_TRUE(huge);
  LargeBlocks::Free(huge);
}

}  // namespace
