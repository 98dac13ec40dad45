#include "platform/posix/PosixHeap.h"

#include <gtest/gtest.h>
#include <stdint.h>
#include <string.h>

#include <vector>

namespace {

struct HeapFixture : testing::Test {
  PosixHeap* Heap = CreatePosixHeap();
  ~HeapFixture() override { DestroyPosixHeap(Heap); }
};

// Sizes around the 16-byte steps of blocks, up to and beyond a whole chunk
// (256 KiB).
const size_t Sizes[] = {0,     1,      15,         16,         17,     48,     49,
                        1000,  65521,  262143 - 48, 262144 - 32, 262144, 300000, 1 << 20};

TEST_F(HeapFixture, BlocksAreAlignedSeparateAndWholeAtEverySize) {
  ASSERT_NE(Heap, nullptr);
  std::vector<std::pair<uint8_t*, size_t>> Blocks;
  for (int Round = 0; Round < 3; ++Round) {
    for (size_t Size : Sizes) {
      uint8_t* Block = static_cast<uint8_t*>(AllocateFromPosixHeap(Heap, Size));
      ASSERT_NE(Block, nullptr) << Size;
      EXPECT_EQ(reinterpret_cast<uintptr_t>(Block) % 16, 0u) << Size;
      memset(Block, static_cast<int>(Blocks.size() & 0xFF), Size);
      Blocks.push_back({Block, Size});
    }
  }
  // Every block still holds its own fill: none overlaps another.
  for (size_t I = 0; I < Blocks.size(); ++I) {
    for (size_t J = 0; J < Blocks[I].second; ++J)
      ASSERT_EQ(Blocks[I].first[J], static_cast<uint8_t>(I & 0xFF)) << I << " at " << J;
  }
  for (auto& [Block, Size] : Blocks) EXPECT_TRUE(ReleaseToPosixHeap(Heap, Block)) << Size;
}

// Texts come and go in order: the newest one's room serves the next, an
// older one's stays as it is until the heap is destroyed.
TEST_F(HeapFixture, TheNewestBlockGivenBackServesTheNext) {
  void* Older = AllocateFromPosixHeap(Heap, 20);
  void* Newest = AllocateFromPosixHeap(Heap, 20);
  ASSERT_TRUE(ReleaseToPosixHeap(Heap, Newest));
  EXPECT_EQ(AllocateFromPosixHeap(Heap, 40), Newest);
  ASSERT_TRUE(ReleaseToPosixHeap(Heap, Older));
  EXPECT_NE(AllocateFromPosixHeap(Heap, 20), Older);
}

TEST_F(HeapFixture, ManyBlocksOutlastOneChunk) {
  // 4 MiB of 1000-byte blocks runs through many chunks.
  std::vector<void*> Blocks;
  for (int I = 0; I < 4096; ++I) {
    void* Block = AllocateFromPosixHeap(Heap, 1000);
    ASSERT_NE(Block, nullptr) << I;
    Blocks.push_back(Block);
  }
  for (void* Block : Blocks) EXPECT_TRUE(ReleaseToPosixHeap(Heap, Block));
}

TEST_F(HeapFixture, RejectsBlocksItDoesNotHaveOut) {
  void* Small = AllocateFromPosixHeap(Heap, 10);
  void* Big = AllocateFromPosixHeap(Heap, 200000);
  PosixHeap* Other = CreatePosixHeap();
  void* Foreign = AllocateFromPosixHeap(Other, 10);
  alignas(16) uint8_t Stack[64] = {};

  EXPECT_FALSE(ReleaseToPosixHeap(Heap, Foreign));  // another heap's
  EXPECT_FALSE(ReleaseToPosixHeap(Heap, Stack + 32));  // never handed out
  EXPECT_FALSE(ReleaseToPosixHeap(Heap, static_cast<uint8_t*>(Small) + 1));
  EXPECT_FALSE(ReleaseToPosixHeap(Heap, nullptr));
  EXPECT_TRUE(ReleaseToPosixHeap(Heap, Small));
  EXPECT_FALSE(ReleaseToPosixHeap(Heap, Small));  // given back twice
  EXPECT_TRUE(ReleaseToPosixHeap(Heap, Big));
  EXPECT_TRUE(ReleaseToPosixHeap(Other, Foreign));
  DestroyPosixHeap(Other);
}

TEST_F(HeapFixture, AnImpossibleRequestFailsCleanly) {
  EXPECT_EQ(AllocateFromPosixHeap(Heap, SIZE_MAX), nullptr);
  // Past the size check, but more than a 32-bit process's whole address
  // space: half of it can be free, under a 64-bit kernel or an emulator.
  EXPECT_EQ(AllocateFromPosixHeap(Heap, SIZE_MAX - (size_t{1} << 16)), nullptr);
  EXPECT_NE(AllocateFromPosixHeap(Heap, 10), nullptr);  // and the heap goes on
}

}  // namespace
