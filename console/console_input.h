// Key input while no graphics screen is open: the console queue, filled by
// the platform's input pump and by its close handling.
#pragma once

#include <cstdint>

namespace pantalla::detail {

// Moves every pending console input event into the console queue. Runs at
// the start of every console poll; never waits.
void pump_console_input();

// Waits until the console's input has something for the pump, or `ms`
// milliseconds, whichever comes first; may return early. Sleeps without
// spinning.
void console_wait_input(int32_t ms);

// The console queue (511 codes can wait; a full queue drops the oldest).
// Safe against pushes from another thread (a close handler) while the
// program's thread pumps and takes. It takes a lock, so a signal handler
// must not push directly: it should leave the push to a thread or the pump.
void console_queue_push(int32_t code);
// The oldest code, or -1 when none is waiting.
int32_t console_queue_take();
bool console_queue_empty();
int32_t console_queue_take_pressed();
// How many codes can still be pushed without dropping one.
int32_t console_queue_room();

}  // namespace pantalla::detail
