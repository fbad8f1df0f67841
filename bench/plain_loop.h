#pragma once

#include <cstdint>

struct PlainResult {
    int32_t counts[8];
    double sum;
};

// The throw loop written plainly: the generator inlined, floor() for the
// face, no runtime calls.
PlainResult plain_throw_loop(uint32_t seed, int32_t count);
