// What the POSIX back ends add to the platform services: the bounded wait
// of the ways out.
#pragma once

namespace pantalla::detail {

// The program is on its way out (its end, a fatal signal, a hang-up): from
// the first call on, a write that waits for room gives up after 1.5 s in
// all and its bytes are dropped, so that a reader that never drains (a
// stopped pager, a hung link) cannot keep the program from ending. Until
// the matching end, standard output is non-blocking, so that no write waits
// where that bound cannot reach. Safe in a signal handler; pairs nest.
void platform_output_ending_begin();
// `process_ends`: the process ends now, whatever pairs are still open, and
// standard output gets back its blocking mode at once.
void platform_output_ending_end(bool process_ends);

}  // namespace pantalla::detail
