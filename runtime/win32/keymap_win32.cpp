#include <windows.h>

#include "runtime/key_codes.h"

namespace pantalla::detail {

uint8_t virtual_key_char(uint16_t virtual_key) {
    // A dead key reports its character with the top bit set; the low byte
    // is the character either way.
    return static_cast<uint8_t>(MapVirtualKeyA(virtual_key, MAPVK_VK_TO_CHAR) & 0xFF);
}

}  // namespace pantalla::detail
