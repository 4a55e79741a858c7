#include "geom/memory_controller.h"

#include <new>

void* IcGeMemoryController::allocateArray(std::size_t bytes) {
  if (bytes == 0)
    return nullptr;
  return ::operator new(bytes, std::nothrow);
}

void IcGeMemoryController::deallocateArray(void* p) { ::operator delete(p); }
