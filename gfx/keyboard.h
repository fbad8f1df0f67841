// The keyboard while a graphics screen is open: the screen's key queue,
// read under the screen lock.
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

namespace pantalla::detail {

RtString* gfx_poll_key_string();
int32_t gfx_wait_key_code();
int32_t gfx_key_available();
void gfx_sleep_or_key(int32_t ms);
int32_t gfx_read_line(RtString* prompt, RtString* destination, int32_t size, int32_t fill,
                      int32_t question_mark, int32_t newline);

// The oldest waiting code, removed, or 0; and the pressed mark, cleared.
int32_t gfx_take_key();
int32_t gfx_take_pressed();

// Pushes a code into the screen's queue under the screen lock (for the
// window's event handler on another thread, and for tests).
void gfx_push_key(int32_t code);

int32_t gfx_is_key_down(int32_t scan_code);

// The screen's key signal, for drivers whose own thread pushes the keys:
// raise it after pushing (outside the screen lock); a poll that found no key
// waits on it up to `ms` milliseconds, and a raise since that poll looked at
// the queue ends the wait at once.
void gfx_key_signal();
void gfx_wait_key_signal(int32_t ms);

}  // namespace pantalla::detail
