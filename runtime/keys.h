// Key polling: each operation goes to the graphics screen while one is
// open and to the text-mode console otherwise.
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

// The next waiting key as a temporary string (one byte for a character,
// 255 and the extended number for an extended key), or the empty string.
// Never waits.
RtString* poll_key_string();

// Waits until a key is waiting, takes it and returns its code.
int32_t wait_key_code();

// 1 when a key is waiting (it stays waiting), else 0. Never waits.
int32_t key_available();

// Sleeps `ms` milliseconds, ending early when a key is pressed (for waits
// above 99 ms); -1 sleeps until a key is pressed.
void sleep_or_key(int32_t ms);

// A key code as a temporary key string; the empty string for no key (a
// code below 1) or when no string can be had.
RtString* key_code_string(int32_t code);

// The key code of a key string: the first byte, or 255 + 256 times the
// second byte of a two-byte string; -1 for the empty string.
int32_t key_string_code(const RtString* key);

