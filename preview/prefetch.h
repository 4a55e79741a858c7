#pragma once
// A hint that memory will be read soon, for loops that visit objects in a
// known order; it does nothing where the compiler offers no such hint.
#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <xmmintrin.h>
#elif defined(_MSC_VER) && defined(_M_ARM64)
#include <intrin.h>
#endif

namespace GDI {

inline void prefetch(const void* p) {
#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
  _mm_prefetch(static_cast<const char*>(p), _MM_HINT_T0);
#elif defined(_MSC_VER) && defined(_M_ARM64)
  __prefetch(p);
#elif defined(__GNUC__)
  __builtin_prefetch(p);
#else
  (void)p;
#endif
}

} // namespace GDI
