// Many throws of a six-sided die at once, from the runtime's generator.
#pragma once

#include <cstdint>

namespace pantalla::detail {

// How the throws are computed. Every path gives the same results; the
// choice only changes the speed.
enum class ThrowPath {
    automatic,  // the widest the processor has
    scalar,     // one draw at a time, portable
    sse2,
    avx2,
    neon,
    simd128,  // WebAssembly SIMD, in a build made with -msimd128
};

// Whether this processor and build can run `path` (automatic and scalar
// always can).
bool throw_path_available(ThrowPath path);

// `throws` draws of random_value(1), each giving the face
// floor(x * 6) + 1: adds each face's number of throws to counts[face]
// (1 to 6) and their sum to *sum, and leaves the generator and
// random_value(0) exactly as that many random_value(1) calls would.
// Nothing happens for a count below 1. The sum is exact as long as it is a
// whole number below 2^53; a sum with a fraction is added throw by throw.
void throw_dice_into(int32_t throws, int32_t counts[8], double* sum);

// The same with the path and the number of threads fixed (0: one per
// processor); for tests and benchmarks.
void throw_dice_using(ThrowPath path, int32_t threads, int32_t throws, int32_t counts[8], double* sum);

}  // namespace pantalla::detail
