#include "geom/memory_controller.h"

#include <atomic>
#include <cstdint>
#include <new>

// Under AddressSanitizer every array comes from the ordinary heap, so that an
// overrun or a use after free of an array is still caught there.
#if defined(__SANITIZE_ADDRESS__)
#define VD_SMALL_BLOCKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VD_SMALL_BLOCKS 0
#endif
#endif
#ifndef VD_SMALL_BLOCKS
#define VD_SMALL_BLOCKS 1
#endif

namespace {

// Every block starts with a 16-byte header holding its size class (or
// kLarge), so that deallocation needs no size and the payload stays aligned
// for any type.
constexpr std::size_t kHeader = 16;
constexpr std::uint32_t kLarge = 0xFFFFFFFFu;
constexpr std::size_t kClassBytes[] = {16, 32, 64, 128, 256};
constexpr std::uint32_t kClasses = sizeof kClassBytes / sizeof kClassBytes[0];
constexpr std::size_t kSlabBytes = 64 * 1024;

struct alignas(16) Header {
  std::uint32_t sizeClass;
};
static_assert(sizeof(Header) == kHeader);

struct FreeBlock {
  FreeBlock* next;
};

// Free lists per size class behind one spin lock: geometry is used from one
// thread at a time, so the lock is almost never contended, and it keeps the
// pool correct if it is not.
class SmallBlocks {
public:
  void* take(std::uint32_t c) {
    Guard g(lock_);
    if (!free_[c] && !refill(c))
      return nullptr;
    FreeBlock* b = free_[c];
    free_[c] = b->next;
    return b;
  }
  void give(std::uint32_t c, void* block) {
    Guard g(lock_);
    auto* b = static_cast<FreeBlock*>(block);
    b->next = free_[c];
    free_[c] = b;
  }
  std::size_t reserved() {
    Guard g(lock_);
    return reserved_;
  }

private:
  struct Guard {
    explicit Guard(std::atomic_flag& f) : flag(f) {
      while (flag.test_and_set(std::memory_order_acquire)) {
      }
    }
    ~Guard() { flag.clear(std::memory_order_release); }
    std::atomic_flag& flag;
  };

  // Carves a new slab into blocks of class c (header included). Slabs are
  // kept for the life of the process; each begins with a link to the
  // previous one so they stay reachable.
  bool refill(std::uint32_t c) {
    auto* slab = static_cast<unsigned char*>(::operator new(kSlabBytes, std::nothrow));
    if (!slab)
      return false;
    *reinterpret_cast<void**>(slab) = slabs_;
    slabs_ = slab;
    reserved_ += kSlabBytes;
    const std::size_t step = kHeader + kClassBytes[c];
    for (std::size_t at = kHeader; at + step <= kSlabBytes; at += step) {
      auto* b = reinterpret_cast<FreeBlock*>(slab + at);
      b->next = free_[c];
      free_[c] = b;
    }
    return true;
  }

  std::atomic_flag lock_ = ATOMIC_FLAG_INIT;
  FreeBlock* free_[kClasses] = {};
  void* slabs_ = nullptr;
  std::size_t reserved_ = 0;
};

SmallBlocks& pool() {
  static SmallBlocks* p = new SmallBlocks; // outlives every array, also static ones
  return *p;
}

std::uint32_t classOf(std::size_t bytes) {
  for (std::uint32_t c = 0; c < kClasses; ++c)
    if (bytes <= kClassBytes[c])
      return c;
  return kLarge;
}

} // namespace

void* IcGeMemoryController::allocateArray(std::size_t bytes) {
  if (bytes == 0)
    return nullptr;
  if (!VD_SMALL_BLOCKS)
    return ::operator new(bytes, std::nothrow);
  if (bytes > static_cast<std::size_t>(-1) - kHeader)
    return nullptr;
  const std::uint32_t c = classOf(bytes);
  void* block = c == kLarge ? ::operator new(bytes + kHeader, std::nothrow) : pool().take(c);
  if (!block)
    return nullptr;
  static_cast<Header*>(block)->sizeClass = c;
  return static_cast<unsigned char*>(block) + kHeader;
}

void IcGeMemoryController::deallocateArray(void* p) {
  if (!p)
    return;
  if (!VD_SMALL_BLOCKS) {
    ::operator delete(p);
    return;
  }
  void* block = static_cast<unsigned char*>(p) - kHeader;
  const std::uint32_t c = static_cast<Header*>(block)->sizeClass;
  if (c == kLarge)
    ::operator delete(block);
  else
    pool().give(c, block);
}

std::size_t IcGeMemoryController::reservedBytes() { return VD_SMALL_BLOCKS ? pool().reserved() : 0; }
