// Held keys from a DirectInput keyboard state; free of system calls so
// that the rule can be tested on its own.
#pragma once

#include <cstdint>

namespace pantalla::detail {

// DirectInput reports an enhanced key (right Ctrl, the arrow keys of their
// own block) at its scan code + 128; it counts as the plain scan code.
constexpr int32_t kDinputStateSize = 256;

// key_down[sc] for sc 0..127: 1 when bit 7 of state[sc] or of
// state[sc + 128] is set, else 0.
void dinput_held_keys(const uint8_t* state, uint8_t* key_down);

}  // namespace pantalla::detail
