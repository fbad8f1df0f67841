// The dice-throw simulation: its state, the throw loop and the dialogue.
#pragma once

#include <cmath>
#include <cstdint>

#include "runtime/random.h"
#include "runtime/rt_string.h"

namespace pantalla::detail {

struct DiceState {
    int32_t face_counts[8];  // face k counted at index k; 0 and 7 stay 0
    double throw_sum;
    int32_t throw_count;
    RtString key_text;
};

extern DiceState dice;

// The face of one drawn value: floor(x * 6) + 1. Since x lies in [0, 1)
// the product is never negative, so truncation is the floor.
inline int32_t face_of(double x) { return static_cast<int32_t>(x * 6.0) + 1; }

// Throws for every counter value from `first` to `limit` inclusive, one
// draw each, counting and summing the faces: the loop as written, which
// throw_dice_into must match to the bit. The counter is compared
// before it is advanced, so the largest limit ends without wrapping.
inline void throw_dice(DiceState& state, int32_t first, int32_t limit) {
    if (first > limit) return;
    for (int32_t counter = first;; ++counter) {
        const int32_t face = face_of(random_value(1));
        state.face_counts[face] += 1;
        state.throw_sum += face;
        if (counter == limit) break;
    }
}

// The whole program: start-up, then dice_run, then the end with exit
// code 0. Never returns.
[[noreturn]] void dice_main(int argc, char** argv);

// The program after start-up: opens the screen (or says it cannot), runs
// the dialogue, throws, prints the report and waits for a key. The screen
// is left open for the exit handler.
void dice_run();

// The report: two empty lines, the mean, an empty line and the six
// frequency lines.
void print_report(const DiceState& state);

}  // namespace pantalla::detail
