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

} // namespace
