// Key polling: each operation goes to the graphics screen while one is
// open and to the text-mode console otherwise.
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

// The next waiting key as a temporary string (one byte for a character,
// 255 and the extended number for an extended key), or the empty string.
// Never waits.
RtString* poll_key_string();

// 1 when a key is waiting (it stays waiting), else 0. Never waits.
int32_t key_available();
