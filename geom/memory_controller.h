#pragma once
// Allocation pair behind every geometry array, so that memory allocated by
// one side of the module boundary is released by the same allocator.
//
// Small arrays (a segment's two points, a polyline's few vertices) are the
// common case and are served from size classes carved out of large slabs:
// the process heap costs far more per block, and a preview makes tens of
// thousands of them at once. Freed small blocks are kept for reuse.
#include <cstddef>

class IcGeMemoryController {
public:
  // Storage for `bytes` bytes aligned for any element type; null when bytes
  // is 0 or the allocation fails.
  static void* allocateArray(std::size_t bytes);
  // Releases storage from allocateArray; null is ignored.
  static void deallocateArray(void* p);
  // Bytes of small-block slabs taken from the heap so far (0 when the size
  // classes are bypassed, as under AddressSanitizer).
  static std::size_t reservedBytes();
};

namespace vdgeom {

// A standard allocator over IcGeMemoryController, for the std::vector members
// that sit beside geometry arrays in caches.
template <class T>
struct ArrayAllocator {
  using value_type = T;
  ArrayAllocator() noexcept = default;
  template <class U>
  ArrayAllocator(const ArrayAllocator<U>&) noexcept {}
  T* allocate(std::size_t n);
  void deallocate(T* p, std::size_t) noexcept { IcGeMemoryController::deallocateArray(p); }
  template <class U>
  bool operator==(const ArrayAllocator<U>&) const noexcept { return true; }
};

} // namespace vdgeom

#include <new>

template <class T>
T* vdgeom::ArrayAllocator<T>::allocate(std::size_t n) {
  if (n > static_cast<std::size_t>(-1) / sizeof(T))
    throw std::bad_array_new_length();
  void* p = IcGeMemoryController::allocateArray(n * sizeof(T));
  if (!p && n > 0)
    throw std::bad_alloc();
  return static_cast<T*>(p);
}
