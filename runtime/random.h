// Random numbers and the timer.
#pragma once

#include <cstdint>

namespace pantalla::detail {

// The integer generator: state = state * 214013 + 2531011 (mod 2^32), each
// draw giving bits 16 to 30 of the new state (0 to 32767). The same on
// every platform, so a seed always gives the same sequence.
struct IntGenerator {
    uint32_t state;
};
inline IntGenerator int_generator{1};

inline void int_srand(uint32_t seed) { int_generator.state = seed; }
inline int32_t int_rand() {
    int_generator.state = int_generator.state * 214013u + 2531011u;
    return static_cast<int32_t>((int_generator.state >> 16) & 0x7FFF);
}

// The value most recently drawn by random_value; 0.0 before the first draw.
inline double last_random_value = 0.0;

constexpr double kRandomScale = 0.000030517578125;  // 2^-15

}  // namespace pantalla::detail

// Selector 0: the last value again; any other: a new value k / 32768 with
// k from 0 to 32767, so always in [0, 1).
inline double random_value(int32_t selector) {
    using namespace pantalla::detail;
    if (selector == 0) return last_random_value;
    last_random_value = int_rand() * kRandomScale;
    return last_random_value;
}

// Reseeds from the integer part of x; -1.0 or not-a-number asks for the
// timer. Out-of-range values and infinities seed with -2147483648. The
// first draw after seeding is discarded.
void random_seed(double x);

// Elapsed seconds of a monotonic counter whose origin is the start of the
// system; the counter is chosen on the first call.
double timer_seconds();

namespace pantalla::detail {

// The timer's method: 0 not yet chosen, 1 millisecond ticks, 2 the
// high-resolution counter.
int32_t timer_method();

}  // namespace pantalla::detail
