// A failed invariant in a fuzz target: says which and stops the run as a
// crash does, so that libFuzzer keeps the input that broke it.
#pragma once
#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(cond)                                                                 \
  do {                                                                                   \
    if (!(cond)) {                                                                       \
      std::fprintf(stderr, "%s:%d: invariant failed: %s\n", __FILE__, __LINE__, #cond); \
      std::abort();                                                                      \
    }                                                                                    \
  } while (0)
