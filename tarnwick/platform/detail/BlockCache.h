// A per-thread cache of freed fixed-size blocks, for classes whose objects are made and dropped
// by the hundred, far more at a time than the allocator keeps ready per thread. A class takes it
// into use through its own operator new and delete:
//
//   static void* operator new(std::size_t Size) { return TCache::Allocate(Size); }
//   static void operator delete(void* Block, std::size_t Size) noexcept { TCache::Release(Block, Size); }
//
// Each thread keeps the memory of the objects that died in it for the next ones: blocks of
// BlockSize bytes, at most MaxBlocks of them; an object of a larger class (a descendant) takes
// its memory from the allocator as usual. An object may die in any thread, also after the one
// that made it ended: every block comes from and goes back to the global allocator, so whichever
// thread holds it may keep or free it. A thread's kept blocks go back to the allocator when the
// thread ends, so the leak checker sees none stay behind; under the address checker a kept
// block is poisoned, so that an object used after it died is still caught.
//
// The class is hidden: every shared library that uses an instance has its own thread-local
// lists, read in the initial-exec model without a call into the dynamic linker. Use it from a
// library's source files only, never from inline code that another library or program compiles.
#ifndef TARNWICK_PLATFORM_DETAIL_BLOCKCACHE_H_
#define TARNWICK_PLATFORM_DETAIL_BLOCKCACHE_H_

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

namespace tarnwick {

template <std::size_t BlockSize, std::int32_t MaxBlocks>
class TARNWICK_BLOCK_CACHE_HIDDEN TThreadBlockCache {
  static_assert(BlockSize >= sizeof(void*), "a block must hold the link to the next one");

 public:
  static constexpr std::size_t kBlockSize = BlockSize;
  static constexpr std::int32_t kMaxBlocks = MaxBlocks;

  static void* Allocate(std::size_t Size) {
    if (Size > BlockSize) return ::operator new(Size);
    TFreeBlocks& Blocks = FreeBlocks;
    TFreeBlock* Block = Blocks.Head;
    if (Block == nullptr) return ::operator new(BlockSize);
#ifdef TARNWICK_BLOCK_CACHE_POISONED
    ASAN_UNPOISON_MEMORY_REGION(Block, BlockSize);
#endif
    Blocks.Head = Block->Next;
    --Blocks.Count;
    return Block;
  }

  static void Release(void* Block, std::size_t Size) noexcept {
    if (Block == nullptr) return;
    if (Size > BlockSize) {
      ::operator delete(Block);
      return;
    }
    TFreeBlocks& Blocks = FreeBlocks;
    if (Blocks.Closed || Blocks.Count >= MaxBlocks) {
      ::operator delete(Block);
      return;
    }
    if (!Blocks.CloserArmed) {
      Closer.Armed = true;  // registers the closer for this thread
      Blocks.CloserArmed = true;
    }
    auto* Free = static_cast<TFreeBlock*>(Block);
    Free->Next = Blocks.Head;
    Blocks.Head = Free;
    ++Blocks.Count;
#ifdef TARNWICK_BLOCK_CACHE_POISONED
    ASAN_POISON_MEMORY_REGION(Block, BlockSize);
#endif
  }

 private:
  struct TFreeBlock {
    TFreeBlock* Next;
  };

  // Plain data, so that it stays usable until the thread is gone: an object held by a static
  // object of the main thread dies after the thread's other thread_local objects.
  struct TFreeBlocks {
    TFreeBlock* Head = nullptr;
    std::int32_t Count = 0;
    bool Closed = false;  // the thread is ending: blocks go back to the allocator at once
    bool CloserArmed = false;
  };

  // Gives the kept blocks back to the allocator when the thread ends.
  struct TCloser {
    bool Armed = false;
    ~TCloser() {
      TFreeBlocks& Blocks = FreeBlocks;
      Blocks.Closed = true;
      while (TFreeBlock* Block = Blocks.Head) {
#ifdef TARNWICK_BLOCK_CACHE_POISONED
        ASAN_UNPOISON_MEMORY_REGION(Block, BlockSize);
#endif
        Blocks.Head = Block->Next;
        ::operator delete(Block);
      }
      Blocks.Count = 0;
    }
  };

  // Every object made or dropped reads it: in the initial-exec model that is one load, where
  // the default model of a shared library calls into the dynamic linker each time.
  TARNWICK_BLOCK_CACHE_TLS_MODEL static inline thread_local TFreeBlocks FreeBlocks;
  static inline thread_local TCloser Closer;
};

}  // namespace tarnwick

// Expanded above only; a file that includes this header keeps its macro names free.
#undef TARNWICK_BLOCK_CACHE_HIDDEN
#undef TARNWICK_BLOCK_CACHE_TLS_MODEL
#undef TARNWICK_BLOCK_CACHE_POISONED

#endif  // TARNWICK_PLATFORM_DETAIL_BLOCKCACHE_H_
