// The per-thread cache of freed blocks: a thread takes back the blocks it gave up, a larger
// object bypasses it, a block may go back in any thread, also after the thread that took it
// ended, and a thread keeps its blocks only while its thread_local objects live. The leak checker
// of the ci build sees any block a thread keeps past its end, and, asked while a thread lives,
// must find every block it keeps reachable; the address checker sees any block written after
// it went back.
#include "tarnwick/platform/detail/BlockCache.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "TestSupport.h"

namespace tarnwick::detail {
namespace {

using TSmallBlocks = TThreadBlockCache<32, 4 * 32>;

using test::NothingLeaked;

TEST(ThreadBlockCache, BlockSizesHoldTheLargestClassAtTheAllocatorsAlignment) {
  struct TSmall {
    char Bytes[1];
  };
  struct TLarger {
    char Bytes[kBlockAlignment + 1];
  };
  static_assert(kBlockSizeOf<TSmall> == kBlockAlignment);
  static_assert(kBlockSizeOf<TSmall, TLarger> == 2 * kBlockAlignment);
  static_assert(kBlockSizeOf<char[2 * kBlockAlignment]> == 2 * kBlockAlignment);
  static_assert(TSmallBlocks::kMaxBlocks == 4);
}

TEST(ThreadBlockCache, AThreadTakesBackTheBlocksItGaveUpAndALargerObjectBypassesThem) {
  void* A = TSmallBlocks::Allocate(24);
  void* B = TSmallBlocks::Allocate(32);
  TSmallBlocks::Release(A, 24);
  TSmallBlocks::Release(B, 32);
  void* Large = TSmallBlocks::Allocate(33);  // not one of the kept blocks
  EXPECT_NE(Large, A);
  EXPECT_NE(Large, B);
  std::memset(Large, 0x5A, 33);
  TSmallBlocks::Release(Large, 33);
  void* C = TSmallBlocks::Allocate(8);
  void* D = TSmallBlocks::Allocate(32);
  EXPECT_EQ(C, B);  // the last given up comes back first
  EXPECT_EQ(D, A);
  TSmallBlocks::Release(C, 8);
  TSmallBlocks::Release(D, 32);
  TSmallBlocks::Release(nullptr, 32);
}

TEST(ThreadBlockCache, BlocksGoBackInAnyThreadAlsoAfterTheirTakerEnded) {
  constexpr int Count = 4 * TSmallBlocks::kMaxBlocks + 3;
  std::vector<char*> Handed;
  std::thread Taker([&Handed] {
    std::vector<char*> Kept;
    for (int I = 0; I < 2 * Count; ++I) {
      auto* Block = static_cast<char*>(TSmallBlocks::Allocate(I % 5 == 0 ? 64 : 32));
      std::strcpy(Block, std::to_string(I).c_str());
      (I % 2 == 0 ? Handed : Kept).push_back(Block);
    }
    for (int I = 0; I < Count; ++I) TSmallBlocks::Release(Kept[static_cast<std::size_t>(I)], (2 * I + 1) % 5 == 0 ? 64 : 32);
  });
  Taker.join();
  for (int I = 0; I < Count; ++I) {
    char* Block = Handed[static_cast<std::size_t>(I)];
    EXPECT_EQ(std::string(Block), std::to_string(2 * I));
    TSmallBlocks::Release(Block, (2 * I) % 5 == 0 ? 64 : 32);
  }
}

// A pthread key's destructor runs after the thread's thread_local objects are gone: what it
// frees goes back to the allocator at once, as does what a thread that never took a block
// from the cache frees, and nothing stays behind with the thread.
TEST(ThreadBlockCache, BlocksFreedAfterTheThreadLocalObjectsGoBackAtOnce) {
  if (!test::kHasLeakChecker) GTEST_SKIP() << "shown by the leak checker";
  using TBlocks = std::vector<void*>;
  pthread_key_t Key;
  ASSERT_EQ(pthread_key_create(&Key,
                               [](void* Blocks) {
                                 for (void* Block : *static_cast<TBlocks*>(Blocks)) TSmallBlocks::Release(Block, 32);
                                 delete static_cast<TBlocks*>(Blocks);
                               }),
            0);
  auto* MadeHere = new TBlocks;
  for (int I = 0; I < 3; ++I) MadeHere->push_back(TSmallBlocks::Allocate(32));
  std::thread FreesOnly([Key, MadeHere] { pthread_setspecific(Key, MadeHere); });  // takes no block itself
  std::thread TakesAndFrees([Key] {
    auto* Blocks = new TBlocks;
    for (int I = 0; I < 2 * TSmallBlocks::kMaxBlocks; ++I) Blocks->push_back(TSmallBlocks::Allocate(32));
    pthread_setspecific(Key, Blocks);
  });
  FreesOnly.join();
  TakesAndFrees.join();
  pthread_key_delete(Key);
  EXPECT_TRUE(NothingLeaked());
}

// While a thread lives, the blocks it keeps are its own, not leaks: the leak checker, asked by
// another thread, finds them all reachable.
TEST(ThreadBlockCache, TheBlocksALiveThreadKeepsAreNoLeak) {
  if (!test::kHasLeakChecker) GTEST_SKIP() << "shown by the leak checker";
  std::atomic<int> Stage{0};
  std::thread Keeper([&Stage] {
    {
      std::vector<void*> Blocks;
      for (int I = 0; I < TSmallBlocks::kMaxBlocks; ++I) Blocks.push_back(TSmallBlocks::Allocate(32));
      for (void* Block : Blocks) TSmallBlocks::Release(Block, 32);
    }
    Stage = 1;
    while (Stage.load() != 2) std::this_thread::yield();
  });
  while (Stage.load() != 1) std::this_thread::yield();
  EXPECT_TRUE(NothingLeaked());
  Stage = 2;
  Keeper.join();
}

}  // namespace
}  // namespace tarnwick::detail
