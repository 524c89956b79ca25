#pragma once

#include <QByteArrayView>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A broken property has to end the run the way a crash does: libFuzzer then keeps the input,
// and the replayer under CTest fails on it.
#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void()                                                                          \
                 : (std::fprintf(stderr, "%s:%d: broken: %s\n", __FILE__, __LINE__, #condition),   \
                    std::abort()))

#define FUZZ_TARGET(input)                                                                         \
    static void fuzzOne(QByteArrayView input);                                                     \
    extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)              \
    {                                                                                              \
        return fuzzOne({data, qsizetype(size)}), 0;                                                \
    }                                                                                              \
    static void fuzzOne(QByteArrayView input)
