#pragma once

#include "support/SilentUiPort.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

// A rule the input broke: report it and abort, which the fuzzer and the replay count as a
// crash (the sanitizers' own reports end the run the same way).
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: rule broken: %s\n", __FILE__, __LINE__, #condition);      \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

// True for about one input in n, always the same ones: a target runs its slow checks (a whole
// firmware image, a settings file rewritten key by key) on those only, so that they take a
// small share of the executions while the fuzzer still sees what they reach.
inline bool oneInputIn(unsigned n, const uint8_t* data, size_t size)
{
    std::uint32_t hash = 2166136261u; // FNV-1a
    for (size_t i = 0; i < size; ++i)
        hash = (hash ^ data[i]) * 16777619u;
    return hash % n == 0;
}
