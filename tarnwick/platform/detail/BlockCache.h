// Per-thread caches of freed fixed-size blocks, for the objects that are made and dropped by the
// hundred in every parse and rule step, far more at a time than the allocator keeps ready per
// thread: the first rooms of item lists (platform/Classes.cpp) and the model's points, point
// lists, sets and tokens (model/detail/BlockCaches.h). This file is the one place that says how
// much memory they keep, and for how long.
//
// How much. Each cache keeps at most its budget below, in blocks that objects dying in the
// thread left behind, for the next objects the thread makes; the budgets add up to
// kThreadCacheBytes, 1.5 MiB, the most one thread keeps. A block is as large as the largest class
// its cache serves (kBlockSizeOf, from sizeof); an object of a larger class (a host's
// descendant) takes its memory from the allocator as usual.
//
// How long. A thread keeps blocks from the first block it takes from a cache until its
// thread_local objects are destroyed: then every block it kept goes back to the allocator, and
// from then on it keeps none (objects freed later, by a pthread key destructor or a static
// destructor, go straight back). A thread that never took a block from a cache (one that only
// frees objects made elsewhere) keeps none of that cache's.
//
// Any thread. Every block comes from and goes back to the global allocator, so an object may die
// in any thread, also after the one that made it ended.
//
// Checkers. Under the address checker a kept block is poisoned, so that an object used after it
// died is still caught; the link to the next kept block then lies past the object's bytes and
// stays unpoisoned, because the leak checker follows no pointer held in poisoned memory: every
// block a live thread keeps is reachable from that thread's list.
//
// The class is hidden: every shared library that uses an instance has its own thread-local
// lists, read in the initial-exec model without a call into the dynamic linker. Use it from a
// library's source files only, never from inline code that another library or program compiles.
#ifndef TARNWICK_PLATFORM_DETAIL_BLOCKCACHE_H_
#define TARNWICK_PLATFORM_DETAIL_BLOCKCACHE_H_

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <new>

#if defined(__SANITIZE_ADDRESS__)
#define TARNWICK_BLOCK_CACHE_POISONED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TARNWICK_BLOCK_CACHE_POISONED 1
#endif
#endif
#ifdef TARNWICK_BLOCK_CACHE_POISONED
#include <sanitizer/asan_interface.h>
#endif

#if defined(__ELF__) && (defined(__GNUC__) || defined(__clang__))
#define TARNWICK_BLOCK_CACHE_HIDDEN __attribute__((visibility("hidden")))
#define TARNWICK_BLOCK_CACHE_TLS_MODEL __attribute__((tls_model("initial-exec")))
#else
#define TARNWICK_BLOCK_CACHE_HIDDEN
#define TARNWICK_BLOCK_CACHE_TLS_MODEL
#endif

namespace tarnwick::detail {

// The budget of each cache, and what they keep together.
inline constexpr std::size_t kItemRoomCacheBytes = 16 * 1024;       // item lists' first rooms
inline constexpr std::size_t kLargeItemRoomCacheBytes = 32 * 1024;  // rooms twice as large
inline constexpr std::size_t kPointCacheBytes = 256 * 1024;         // TFuzzySetValue
inline constexpr std::size_t kPointListCacheBytes = 176 * 1024;     // TFuzzySetValues, TIFSValues
inline constexpr std::size_t kSetCacheBytes = 288 * 1024;           // TFuzzySet, TIFuzzySet
inline constexpr std::size_t kTokenCacheBytes = 768 * 1024;         // TFuzzyStreamToken
inline constexpr std::size_t kThreadCacheBytes = kItemRoomCacheBytes + kLargeItemRoomCacheBytes + kPointCacheBytes +
                                                 kPointListCacheBytes + kSetCacheBytes + kTokenCacheBytes;
static_assert(kThreadCacheBytes == 1536 * 1024, "one thread keeps at most 1.5 MiB");

// Blocks are multiples of what the allocator aligns every block to.
inline constexpr std::size_t kBlockAlignment = alignof(std::max_align_t);

// The block that holds an object of any of TClasses.
template <typename... TClasses>
inline constexpr std::size_t kBlockSizeOf =
    (std::max({sizeof(TClasses)...}) + kBlockAlignment - 1) / kBlockAlignment * kBlockAlignment;

template <std::size_t BlockSize, std::size_t Budget>
class TARNWICK_BLOCK_CACHE_HIDDEN TThreadBlockCache {
  static_assert(BlockSize > 0 && BlockSize % kBlockAlignment == 0, "blocks keep the allocator's alignment");
  static_assert(Budget >= BlockSize, "a cache keeps at least one block");

 public:
  static constexpr std::size_t kBlockSize = BlockSize;
  static constexpr std::int32_t kMaxBlocks = static_cast<std::int32_t>(Budget / BlockSize);

  static void* Allocate(std::size_t Size) {
    if (Size > BlockSize) return ::operator new(Size);
    TFreeBlocks& Blocks = FreeBlocks;
    void* Block = Blocks.Head;
    if (Block == nullptr) return AllocateNew(Blocks);
#ifdef TARNWICK_BLOCK_CACHE_POISONED
    ASAN_UNPOISON_MEMORY_REGION(Block, BlockSize);
#endif
    Blocks.Head = NextOf(Block);
    --Blocks.Count;
    return Block;
  }

  static void Release(void* Block, std::size_t Size) noexcept {
    if (Block == nullptr) return;
    TFreeBlocks& Blocks = FreeBlocks;
    if (Size > BlockSize || Blocks.State != kKeeping || Blocks.Count >= kMaxBlocks) {
      ::operator delete(Block);
      return;
    }
    ::new (static_cast<char*>(Block) + kLinkOffset) TLink{Blocks.Head};
    Blocks.Head = Block;
    ++Blocks.Count;
#ifdef TARNWICK_BLOCK_CACHE_POISONED
    ASAN_POISON_MEMORY_REGION(Block, BlockSize);
#endif
  }

 private:
  // Where a kept block holds the link to the next, and how much the allocator is asked for.
#ifdef TARNWICK_BLOCK_CACHE_POISONED
  static constexpr std::size_t kLinkOffset = BlockSize;  // past the poisoned bytes
  static constexpr std::size_t kStride = BlockSize + kBlockAlignment;
#else
  static constexpr std::size_t kLinkOffset = 0;
  static constexpr std::size_t kStride = BlockSize;
#endif

  struct TLink {
    void* Next;
  };
  static void* NextOf(void* Block) noexcept {
    return std::launder(reinterpret_cast<TLink*>(static_cast<char*>(Block) + kLinkOffset))->Next;
  }

  enum TState : std::uint8_t {
    kIdle,     // no block taken yet: nothing is kept, and no closer is registered
    kKeeping,  // the closer is registered: freed blocks are kept
    kClosed    // the thread's thread_local objects are gone: nothing is kept any more
  };

  // Plain data, constant-initialised, so that it stays usable until the thread is gone.
  struct TFreeBlocks {
    void* Head = nullptr;
    std::int32_t Count = 0;
    TState State = kIdle;
  };

  // Gives the kept blocks back to the allocator when the thread's thread_local objects are
  // destroyed, and keeps none after.
  struct TCloser {
    bool Armed = false;
    ~TCloser() {
      TFreeBlocks& Blocks = FreeBlocks;
      Blocks.State = kClosed;
      while (void* Block = Blocks.Head) {
#ifdef TARNWICK_BLOCK_CACHE_POISONED
        ASAN_UNPOISON_MEMORY_REGION(Block, BlockSize);
#endif
        Blocks.Head = NextOf(Block);
        ::operator delete(Block);
      }
      Blocks.Count = 0;
    }
  };

  // The first block a thread takes registers the closer: while the thread runs its own code, so
  // that the closer runs with the thread's other thread_local destructors.
  [[gnu::noinline]] static void* AllocateNew(TFreeBlocks& Blocks) {
    if (Blocks.State == kIdle) {
      Closer.Armed = true;  // constructs this thread's closer, which registers its destructor
      Blocks.State = kKeeping;
    }
    return ::operator new(kStride);
  }

  // Every object made or dropped reads it: in the initial-exec model that is one load, where
  // the default model of a shared library calls into the dynamic linker each time.
  TARNWICK_BLOCK_CACHE_TLS_MODEL static inline thread_local TFreeBlocks FreeBlocks;
  static inline thread_local TCloser Closer;
};

}  // namespace tarnwick::detail

// Expanded above only; a file that includes this header keeps its macro names free.
#undef TARNWICK_BLOCK_CACHE_HIDDEN
#undef TARNWICK_BLOCK_CACHE_TLS_MODEL
#undef TARNWICK_BLOCK_CACHE_POISONED

#endif  // TARNWICK_PLATFORM_DETAIL_BLOCKCACHE_H_
