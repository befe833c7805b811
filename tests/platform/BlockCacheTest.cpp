// The per-thread cache of freed blocks: a thread takes back the blocks it gave up, a larger
// object bypasses it, and a block may go back in any thread, also after the thread that took it
// ended. The leak checker of the ci build sees any block a thread keeps past its end, the
// address checker any block written after it went back.
#include "tarnwick/platform/detail/BlockCache.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace tarnwick {
namespace {

using TSmallBlocks = TThreadBlockCache<32, 4>;

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

}  // namespace
}  // namespace tarnwick
