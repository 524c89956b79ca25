#pragma once

#include <cstdio>
#include <cstdlib>

// A broken property has to end the run the way a crash does: libFuzzer then keeps the input,
// and the replayer under CTest fails on it.
#define FUZZ_CHECK(condition)                                                                  \
    do {                                                                                       \
        if (!(condition)) {                                                                    \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__,          \
                         #condition);                                                          \
            std::abort();                                                                      \
        }                                                                                      \
    } while (false)
