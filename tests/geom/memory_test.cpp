// Geometry-array storage: small blocks come from size classes and are reused,
// every block is aligned for any element type and keeps its bytes, large
// blocks and the standard-library adaptor work the same way.
#include <gtest/gtest.h>

#include "geom/arrays.h"
#include "geom/memory_controller.h"

#include <cstdint>
#include <cstring>
#include <vector>

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kClassesBypassed = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kClassesBypassed = true;
#else
constexpr bool kClassesBypassed = false;
#endif
#else
constexpr bool kClassesBypassed = false;
#endif

TEST(ArrayMemory, BlocksOfEverySizeAreAlignedAndKeepTheirBytes) {
  std::vector<unsigned char*> blocks;
  const std::size_t sizes[] = {1, 8, 15, 16, 17, 32, 33, 64, 100, 128, 200, 256, 257, 4096, 100000};
  for (std::size_t n : sizes) {
    auto* p = static_cast<unsigned char*>(IcGeMemoryController::allocateArray(n));
    ASSERT_NE(p, nullptr) << n;
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(p) % 16, 0u) << n;
    std::memset(p, static_cast<int>(n & 0xFF), n);
    blocks.push_back(p);
  }
  // Filling one block must not have touched any other.
  for (std::size_t i = 0; i < blocks.size(); ++i)
    for (std::size_t k = 0; k < sizes[i]; ++k)
      ASSERT_EQ(blocks[i][k], static_cast<unsigned char>(sizes[i] & 0xFF)) << "block of " << sizes[i] << " at " << k;
  for (unsigned char* p : blocks)
    IcGeMemoryController::deallocateArray(p);
  EXPECT_EQ(IcGeMemoryController::allocateArray(0), nullptr);
  IcGeMemoryController::deallocateArray(nullptr);
}

TEST(ArrayMemory, FreedSmallBlocksAreReusedBeforeNewSlabs) {
  std::vector<void*> blocks;
  for (int i = 0; i < 20000; ++i)
    blocks.push_back(IcGeMemoryController::allocateArray(i % 2 ? 32 : 8));
  const std::size_t reserved = IcGeMemoryController::reservedBytes();
  for (void* p : blocks)
    IcGeMemoryController::deallocateArray(p);
  blocks.clear();
  for (int i = 0; i < 20000; ++i)
    blocks.push_back(IcGeMemoryController::allocateArray(i % 2 ? 8 : 32));
  if (kClassesBypassed) {
    EXPECT_EQ(IcGeMemoryController::reservedBytes(), 0u) << "the ordinary heap serves every block";
  } else {
    EXPECT_GE(reserved, 20000u * 32) << "the blocks live in slabs";
    EXPECT_EQ(IcGeMemoryController::reservedBytes(), reserved) << "the same number of blocks needs no new slab";
  }
  for (void* p : blocks)
    IcGeMemoryController::deallocateArray(p);
}

TEST(ArrayMemory, ArraysAndVectorsGrowThroughTheController) {
  GcGePoint2dArray points;
  std::vector<std::uint32_t, vdgeom::ArrayAllocator<std::uint32_t>> ends;
  for (int i = 0; i < 5000; ++i) {
    points.append(GcGePoint2d(i, -i));
    ends.push_back(static_cast<std::uint32_t>(i * 3));
  }
  for (int i = 0; i < 5000; i += 499) {
    EXPECT_EQ(points[i], GcGePoint2d(i, -i));
    EXPECT_EQ(ends[static_cast<std::size_t>(i)], static_cast<std::uint32_t>(i * 3));
  }
  GcGePoint2dArray copy = points;
  points.setPhysicalLength(2);
  EXPECT_EQ(points.length(), 2);
  EXPECT_EQ(copy.length(), 5000);
  EXPECT_EQ(copy.last(), GcGePoint2d(4999, -4999));
  vdgeom::ArrayAllocator<double> a;
  EXPECT_THROW((void)a.allocate(static_cast<std::size_t>(-1) / 4), std::bad_array_new_length);
}

} // namespace
