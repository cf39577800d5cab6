// A script heap's allocator: realloc's contract across its size classes and
// to and from large blocks, blocks that never overlap, freed blocks reused,
// and null (never a throw) when memory cannot be had.
#include "src/script/small_block_pool.h"

#include <cstdint>
#include <random>
#include <vector>

#include "gtest/gtest.h"

namespace {

using cef_internal::SmallBlockPool;

constexpr size_t kMaxPooled = SmallBlockPool::kMaxPooled;

void Fill(void* block, size_t size, unsigned seed) {
  unsigned char* bytes = static_cast<unsigned char*>(block);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<unsigned char>(i * 7 + seed);
}

bool Holds(const void* block, size_t size, unsigned seed) {
  const unsigned char* bytes = static_cast<const unsigned char*>(block);
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] != static_cast<unsigned char>(i * 7 + seed))
      return false;
  }
  return true;
}

bool Aligned(const void* block) {
  return reinterpret_cast<uintptr_t>(block) % 8 == 0;
}

TEST(SmallBlockPoolTest, BlocksOfEverySizeAreAlignedAndApart) {
  SmallBlockPool pool;
  std::vector<void*> blocks;
  // Every small size, the first large ones, and enough of them to need
  // several chunks.
  for (size_t size = 0; size <= kMaxPooled + 40; ++size) {
    void* block = pool.Allocate(size);
    ASSERT_TRUE(block) << size;
    ASSERT_TRUE(Aligned(block)) << size;
    Fill(block, size, static_cast<unsigned>(size));
    blocks.push_back(block);
  }
  EXPECT_GT(pool.chunk_bytes(), SmallBlockPool::kChunkSize);
  for (size_t size = 0; size < blocks.size(); ++size)
    EXPECT_TRUE(Holds(blocks[size], size, static_cast<unsigned>(size))) << size;
  for (void* block : blocks)
    pool.Free(block);
  pool.Free(nullptr);
}

TEST(SmallBlockPoolTest, FreedBlocksServeTheirClassAgain) {
  SmallBlockPool pool;
  void* first = pool.Allocate(40);
  void* second = pool.Allocate(40);
  pool.Free(first);
  // Same class (33 to 40 bytes), the freed block.
  EXPECT_EQ(first, pool.Allocate(33));
  pool.Free(second);
  // Another class gets a block of its own.
  void* other = pool.Allocate(48);
  EXPECT_NE(second, other);
  pool.Free(other);

  // A heap's steady churn keeps to the chunks it has.
  std::vector<void*> blocks;
  size_t held = 0;
  for (int round = 0; round < 3; ++round) {
    for (size_t i = 0; i < 400; ++i)
      blocks.push_back(pool.Allocate(1 + i % kMaxPooled));
    if (round == 0)
      held = pool.chunk_bytes();
    EXPECT_EQ(held, pool.chunk_bytes()) << round;
    for (void* block : blocks)
      pool.Free(block);
    blocks.clear();
  }
}

TEST(SmallBlockPoolTest, ReallocateKeepsTheContentAcrossEverySize) {
  SmallBlockPool pool;
  // Within a class, to a larger and a smaller class, small to large, large
  // to larger and to smaller large, large to small, and the largest small.
  const size_t sizes[] = {7,         8,    100,  24,         kMaxPooled + 1,
                          64 * 1024, 3000, 1000, kMaxPooled, 12};
  void* block = pool.Allocate(5);
  ASSERT_TRUE(block);
  Fill(block, 5, 3);
  size_t kept = 5;
  for (size_t size : sizes) {
    void* moved = pool.Reallocate(block, size);
    ASSERT_TRUE(moved) << size;
    ASSERT_TRUE(Aligned(moved)) << size;
    ASSERT_TRUE(Holds(moved, kept < size ? kept : size, 3)) << size;
    Fill(moved, size, 3);
    block = moved;
    kept = size;
  }
  // Growing within its class leaves a block where it is.
  void* same = pool.Allocate(17);
  EXPECT_EQ(same, pool.Reallocate(same, 24));
  pool.Free(same);

  EXPECT_EQ(nullptr, pool.Reallocate(block, 0));
  void* fresh = pool.Reallocate(nullptr, 10);
  ASSERT_TRUE(fresh);
  pool.Free(fresh);
}

TEST(SmallBlockPoolTest, RandomChurnKeepsEveryBlockIntact) {
  // A heap's life in miniature: allocations, resizes across classes and to
  // and from large blocks, and frees, each live block checked as it goes.
  struct Live {
    void* block;
    size_t size;
    unsigned seed;
  };
  SmallBlockPool pool;
  std::vector<Live> live;
  std::mt19937 random(20261208);
  for (unsigned step = 1; step <= 20000; ++step) {
    const unsigned what = random() % 10;
    // Mostly small, now and then beyond the pool's classes.
    const size_t size = random() % 8 ? random() % (kMaxPooled + 1)
                                     : kMaxPooled + random() % 3000;
    if (live.empty() || what < 4) {
      void* block = pool.Allocate(size);
      ASSERT_TRUE(block);
      Fill(block, size, step);
      live.push_back({block, size, step});
      continue;
    }
    Live& chosen = live[random() % live.size()];
    ASSERT_TRUE(Holds(chosen.block, chosen.size, chosen.seed)) << step;
    if (what < 7) {
      void* moved = pool.Reallocate(chosen.block, size ? size : 1);
      ASSERT_TRUE(moved);
      const size_t kept = chosen.size < size ? chosen.size : size;
      ASSERT_TRUE(Holds(moved, kept, chosen.seed)) << step;
      chosen = {moved, size ? size : 1, step};
      Fill(moved, chosen.size, step);
    } else {
      pool.Free(chosen.block);
      chosen = live.back();
      live.pop_back();
    }
  }
  for (const Live& entry : live) {
    EXPECT_TRUE(Holds(entry.block, entry.size, entry.seed));
    pool.Free(entry.block);
  }
}

TEST(SmallBlockPoolTest, NoMemoryGivesNullAndLeavesTheBlock) {
  SmallBlockPool pool;
  const size_t impossible = SIZE_MAX - 4;
  EXPECT_EQ(nullptr, pool.Allocate(impossible));
  EXPECT_EQ(nullptr, pool.Allocate(SIZE_MAX / 2));

  void* small = pool.Allocate(30);
  void* large = pool.Allocate(4 * kMaxPooled);
  ASSERT_TRUE(small && large);
  Fill(small, 30, 1);
  Fill(large, 4 * kMaxPooled, 2);
  EXPECT_EQ(nullptr, pool.Reallocate(small, impossible));
  EXPECT_EQ(nullptr, pool.Reallocate(large, impossible));
  EXPECT_EQ(nullptr, pool.Reallocate(large, SIZE_MAX / 2));
  EXPECT_TRUE(Holds(small, 30, 1));
  EXPECT_TRUE(Holds(large, 4 * kMaxPooled, 2));
  pool.Free(small);
  pool.Free(large);
}

}  // namespace
