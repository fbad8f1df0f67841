// Waiting for input on a console input handle. Windows signals the handle
// while events wait to be read; Wine's console keeps it signalled with none
// waiting, so a wait there returns at once and a loop around it spins. Once
// a handle has been seen so, the waits sleep their time instead, and input
// is seen by the next look at the queue.
#pragma once

#include <windows.h>

#include <cstdint>

namespace pantalla::detail {

// The decision, apart from the system, so it can be tested.
struct ConsoleWait {
    bool spins = false;  // the handle was signalled with nothing waiting

    // `wait(ms)` is true when the handle was signalled; `events()` counts
    // the events waiting (-1 when unknown); `sleep(ms)` sleeps.
    template <class Wait, class Events, class Sleep>
    void run(uint32_t ms, Wait wait, Events events, Sleep sleep) {
        if (!spins) {
            if (!wait(ms) || events() != 0) return;
            spins = true;
        }
        sleep(ms);
    }
};

// Waits up to `ms` for events on `input`, a console input handle.
void console_input_wait(HANDLE input, uint32_t ms);

}  // namespace pantalla::detail
