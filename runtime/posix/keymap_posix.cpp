// The characters that a US keyboard layout gives for virtual keys, unshifted
// and letters as capitals: what the Windows key mapping reports there.
#include <array>

#include "runtime/key_codes.h"

namespace pantalla::detail {

namespace {

constexpr std::array<uint8_t, 256> make_us_layout() {
    std::array<uint8_t, 256> t{};
    t[0x08] = 8;   // Backspace
    t[0x09] = 9;   // Tab
    t[0x0D] = 13;  // Enter
    t[0x1B] = 27;  // Esc
    t[0x20] = ' ';
    for (int vk = '0'; vk <= '9'; ++vk) t[vk] = static_cast<uint8_t>(vk);
    for (int vk = 'A'; vk <= 'Z'; ++vk) t[vk] = static_cast<uint8_t>(vk);
    for (int d = 0; d <= 9; ++d) t[0x60 + d] = static_cast<uint8_t>('0' + d);  // keypad digits
    t[0x6A] = '*';
    t[0x6B] = '+';
    t[0x6D] = '-';
    t[0x6E] = '.';
    t[0x6F] = '/';
    constexpr char oem_ba[] = ";=,-./`";  // 0xBA to 0xC0
    for (int i = 0; i < 7; ++i) t[0xBA + i] = static_cast<uint8_t>(oem_ba[i]);
    constexpr char oem_db[] = "[\\]'";  // 0xDB to 0xDE
    for (int i = 0; i < 4; ++i) t[0xDB + i] = static_cast<uint8_t>(oem_db[i]);
    return t;
}

constexpr std::array<uint8_t, 256> us_layout = make_us_layout();

}  // namespace

uint8_t virtual_key_char(uint16_t virtual_key) {
    return virtual_key < us_layout.size() ? us_layout[virtual_key] : 0;
}

}  // namespace pantalla::detail
