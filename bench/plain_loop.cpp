#include "bench/plain_loop.h"

#include <cmath>

PlainResult plain_throw_loop(uint32_t seed, int32_t count) {
    PlainResult r{};
    uint32_t state = seed;
    for (int32_t i = 1; i <= count; ++i) {
        state = state * 214013u + 2531011u;
        const double x = static_cast<double>((state >> 16) & 0x7FFF) * 0.000030517578125;
        const int32_t face = static_cast<int32_t>(std::floor(x * 6.0) + 1.0);
        r.counts[face] += 1;
        r.sum += face;
        if (i == count) break;
    }
    return r;
}
