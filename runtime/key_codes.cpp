#include "runtime/key_codes.h"

#include <array>

namespace pantalla::detail {

namespace {

enum Modifier : int { kPlain = 0, kShift = 1, kCtrl = 2, kAlt = 3 };

constexpr int kLastMainScanCode = 0x58;

// Extended numbers of the main keys by scan code and modifier; 0 where a
// key gives none (its character entries play no part in translation).
using MainTable = std::array<std::array<uint8_t, 4>, kLastMainScanCode + 1>;

constexpr MainTable make_main_table() {
    MainTable t{};
    t[0x01][kAlt] = 0x01;  // Esc
    // Digit row 1 to 0, minus, equals; 7 and 8 repeat minus and equals.
    constexpr uint8_t digit_alt[] = {0x78, 0x79, 0x7A, 0x7B, 0x7C, 0x7D,
                                     0x82, 0x83, 0x80, 0x81, 0x82, 0x83};
    for (int i = 0; i < 12; ++i) t[0x02 + i][kAlt] = digit_alt[i];
    t[0x03][kCtrl] = 0x03;
    t[0x0E][kAlt] = 0xE0;  // Backspace
    t[0x0F][kShift] = 0x0F;  // Tab
    t[0x0F][kCtrl] = 0x94;
    t[0x0F][kAlt] = 0x0F;
    // Letter and punctuation rows: Alt gives the key's own scan code.
    for (int s = 0x10; s <= 0x1C; ++s) t[s][kAlt] = static_cast<uint8_t>(s);
    for (int s = 0x1E; s <= 0x29; ++s) t[s][kAlt] = static_cast<uint8_t>(s);
    for (int s = 0x2C; s <= 0x35; ++s) t[s][kAlt] = static_cast<uint8_t>(s);
    for (int s = 0x3B; s <= 0x44; ++s) {  // F1 to F10
        t[s][kPlain] = static_cast<uint8_t>(s);
        t[s][kShift] = static_cast<uint8_t>(s + 0x19);
        t[s][kCtrl] = static_cast<uint8_t>(s + 0x23);
        t[s][kAlt] = static_cast<uint8_t>(s + 0x2D);
    }
    // Keypad and cursor keys: no Shift entry, Alt only for keypad 5.
    constexpr uint8_t pad_scan[] = {0x47, 0x48, 0x49, 0x4B, 0x4C, 0x4D, 0x4F, 0x50, 0x51, 0x52, 0x53};
    constexpr uint8_t pad_ctrl[] = {0x77, 0x8D, 0x84, 0x73, 0x8F, 0x74, 0x75, 0x91, 0x76, 0x92, 0x93};
    for (int i = 0; i < 11; ++i) {
        t[pad_scan[i]][kPlain] = pad_scan[i];
        t[pad_scan[i]][kCtrl] = pad_ctrl[i];
    }
    t[0x4C][kAlt] = 0x4C;
    t[0x57] = {0x85, 0x87, 0x89, 0x8B};  // F11
    t[0x58] = {0x86, 0x88, 0x8A, 0x8C};  // F12
    return t;
}

constexpr MainTable main_keys = make_main_table();

// Keys flagged enhanced that type no character. Values are key codes: a
// character as itself, an extended key already as its code.
struct EnhancedRow {
    uint16_t scan_code;
    int32_t by_modifier[4];
};

constexpr int32_t x(int32_t number) { return extended_key(number); }

constexpr EnhancedRow enhanced_keys[] = {
    {0x1C, {13, 13, 10, x(0xA6)}},  // keypad Enter
    {0x35, {47, 63, x(0x95), x(0xA4)}},  // keypad slash
    {0x47, {x(0x47), x(0x47), x(0x77), x(0x97)}},  // Home
    {0x48, {x(0x48), x(0x48), x(0x8D), x(0x98)}},  // Up
    {0x49, {x(0x49), x(0x49), x(0x84), x(0x99)}},  // Page Up
    {0x4B, {x(0x4B), x(0x4B), x(0x73), x(0x9B)}},  // Left
    {0x4D, {x(0x4D), x(0x4D), x(0x74), x(0x9D)}},  // Right
    {0x4F, {x(0x4F), x(0x4F), x(0x75), x(0x9F)}},  // End
    {0x50, {x(0x50), x(0x50), x(0x91), x(0xA0)}},  // Down
    {0x51, {x(0x51), x(0x51), x(0x76), x(0xA1)}},  // Page Down
    {0x52, {x(0x52), x(0x52), x(0x92), x(0xA2)}},  // Insert
    {0x53, {x(0x53), x(0x53), x(0x93), x(0xA3)}},  // Delete
};

// Alt wins over Ctrl, Ctrl over Shift.
Modifier modifier_of(uint32_t control_state) {
    if (control_state & kAltPressed) return kAlt;
    if (control_state & kCtrlPressed) return kCtrl;
    if (control_state & kShiftPressed) return kShift;
    return kPlain;
}

uint8_t swap_case(uint8_t c) {
    if (c >= 'A' && c <= 'Z') return static_cast<uint8_t>(c - 'A' + 'a');
    if (c >= 'a' && c <= 'z') return static_cast<uint8_t>(c - 'a' + 'A');
    return c;
}

int32_t plain_character(uint8_t character, int32_t extended_only) {
    return character != 0 && extended_only == 0 ? character : -1;
}

}  // namespace

int32_t translate_key_event(uint8_t character, uint16_t scan_code, uint16_t virtual_key,
                            uint32_t control_state, int32_t extended_only) {
    const Modifier modifier = modifier_of(control_state);
    if (character == 0 && (control_state & kEnhancedKey)) {
        for (const EnhancedRow& row : enhanced_keys) {
            if (row.scan_code != scan_code) continue;
            const int32_t value = row.by_modifier[modifier];
            return value != 0 ? value : -1;
        }
        return -1;
    }
    if (scan_code > kLastMainScanCode) return plain_character(character, extended_only);

    const uint8_t mapped = virtual_key_char(virtual_key);
    // With no modifier a typing key stands for its character, so only
    // function and cursor keys (which type none) reach the plain entry.
    const uint8_t number =
        modifier == kPlain && character != 0 ? 0 : main_keys[scan_code][modifier];
    if (number != 0 && (character == mapped || character == swap_case(mapped)))
        return extended_key(number);
    return plain_character(character, extended_only);
}

const HeldKeyRow held_key_table[] = {
    {0x01, 0x1B, 0},    {0x02, 0x31, 0},    {0x03, 0x32, 0},    {0x04, 0x33, 0},
    {0x05, 0x34, 0},    {0x06, 0x35, 0},    {0x07, 0x36, 0},    {0x08, 0x37, 0},
    {0x09, 0x38, 0},    {0x0A, 0x39, 0},    {0x0B, 0x30, 0},    {0x0C, 0xBD, 0x6D},
    {0x0D, 0xBB, 0},    {0x0E, 0x08, 0},    {0x0F, 0x09, 0},    {0x10, 0x51, 0},
    {0x11, 0x57, 0},    {0x12, 0x45, 0},    {0x13, 0x52, 0},    {0x14, 0x54, 0},
    {0x15, 0x59, 0},    {0x16, 0x55, 0},    {0x17, 0x49, 0},    {0x18, 0x4F, 0},
    {0x19, 0x50, 0},    {0x1A, 0xDB, 0},    {0x1B, 0xDD, 0},    {0x1C, 0x0D, 0},
    {0x1D, 0x11, 0},    {0x1E, 0x41, 0},    {0x1F, 0x53, 0},    {0x20, 0x44, 0},
    {0x21, 0x46, 0},    {0x22, 0x47, 0},    {0x23, 0x48, 0},    {0x24, 0x4A, 0},
    {0x25, 0x4B, 0},    {0x26, 0x4C, 0},    {0x27, 0xBA, 0},    {0x28, 0xDE, 0},
    {0x29, 0xC0, 0},    {0x2A, 0x10, 0},    {0x2B, 0xDC, 0},    {0x2C, 0x5A, 0},
    {0x2D, 0x58, 0},    {0x2E, 0x43, 0},    {0x2F, 0x56, 0},    {0x30, 0x42, 0},
    {0x31, 0x4E, 0},    {0x32, 0x4D, 0},    {0x33, 0xBC, 0},    {0x34, 0xBE, 0},
    {0x35, 0xBF, 0x6F}, {0x36, 0x10, 0},    {0x37, 0x6A, 0},    {0x38, 0x12, 0},
    {0x39, 0x20, 0},    {0x3A, 0x14, 0},    {0x3B, 0x70, 0},    {0x3C, 0x71, 0},
    {0x3D, 0x72, 0},    {0x3E, 0x73, 0},    {0x3F, 0x74, 0},    {0x40, 0x75, 0},
    {0x41, 0x76, 0},    {0x42, 0x77, 0},    {0x43, 0x78, 0},    {0x44, 0x79, 0},
    {0x45, 0x90, 0},    {0x46, 0x91, 0},    {0x47, 0x24, 0x67}, {0x48, 0x26, 0x68},
    {0x49, 0x21, 0x69}, {0x4B, 0x25, 0x64}, {0x4D, 0x27, 0x66}, {0x4E, 0x6B, 0},
    {0x4F, 0x23, 0x61}, {0x50, 0x28, 0x62}, {0x51, 0x22, 0x63}, {0x52, 0x2D, 0x60},
    {0x53, 0x2E, 0x6E}, {0x57, 0x7A, 0},    {0x58, 0x7B, 0},    {0x7D, 0x5B, 0},
    {0x7E, 0x5C, 0},    {0x7F, 0x5D, 0},    {0, 0, 0},
};

static_assert(sizeof held_key_table / sizeof held_key_table[0] == 86 + 1, "86 rows and the end");

}  // namespace pantalla::detail
