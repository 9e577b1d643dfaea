// Invariant checks for the fuzz targets: a violated one stops the run
// with a trap, which libFuzzer reports as a crash and saves the input for.
#pragma once

#include <cstdio>

#define FUZZ_CHECK(condition)                                           \
  do {                                                                  \
    if (!(condition)) {                                                 \
      std::fprintf(stderr, "%s:%d: invariant violated: %s\n", __FILE__, \
                   __LINE__, #condition);                               \
      __builtin_trap();                                                 \
    }                                                                   \
  } while (false)
