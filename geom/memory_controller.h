#pragma once
// Allocation pair behind every geometry array, so that memory allocated by
// one side of the module boundary is released by the same allocator.
#include <cstddef>

class IcGeMemoryController {
public:
  // Storage for `bytes` bytes aligned for any element type; null when bytes
  // is 0 or the allocation fails.
  static void* allocateArray(std::size_t bytes);
  // Releases storage from allocateArray; null is ignored.
  static void deallocateArray(void* p);
};
