#include "gfx/display/win32/dinput_state.h"

namespace pantalla::detail {

void dinput_held_keys(const uint8_t* state, uint8_t* key_down) {
    for (int32_t sc = 0; sc < 128; ++sc) key_down[sc] = ((state[sc] | state[sc + 128]) & 0x80) ? 1 : 0;
}

}  // namespace pantalla::detail
