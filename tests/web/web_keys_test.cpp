// Page key events through the shared translation give the codes a window
// gives on Windows and X11.
#include <gtest/gtest.h>

#include <cstring>

#include "console/web/web_events.h"
#include "gfx/display/window.h"

using namespace pantalla::detail;

namespace {

struct KeyRow {
    const char* code;  // KeyboardEvent.code
    char32_t typed;    // the key's one character, 0 for none
    int32_t modifiers;
    int32_t expected;
};

constexpr KeyRow rows[] = {
    {"KeyA", U'a', 0, 'a'},
    {"KeyA", U'A', kWebShift, 'A'},
    {"KeyA", U'a', kWebCtrlLeft, 1},
    {"KeyA", U'a', kWebAltLeft, 0x1EFF},
    {"Tab", 0, 0, 9},
    {"Tab", 0, kWebShift, 0x0FFF},
    {"Enter", 0, 0, 13},
    {"NumpadEnter", 0, 0, 13},
    {"Backspace", 0, 0, 8},
    {"Escape", 0, 0, 27},
    {"Delete", 0, 0, 0x53FF},
    {"ArrowUp", 0, 0, 0x48FF},
    {"Home", 0, kWebCtrlRight, 0x77FF},
    {"F1", 0, 0, 0x3BFF},
    {"F1", 0, kWebShift, 0x54FF},
    {"F12", 0, kWebAltLeft, 0x8CFF},
    {"Numpad8", U'8', 0, '8'},
    {"Numpad8", 0, 0, 0x48FF},  // without Num Lock
    {"NumpadDivide", U'/', 0, '/'},
    {"Semicolon", U'ñ', 0, 0xA4},             // a Spanish layout
    {"Equal", U'¿', kWebShift, 0xA8},
    {"Digit2", U'@', kWebAltGraph, '@'},       // AltGr types its character
    {"KeyE", U'€', kWebAltGraph, 0},           // no € in code page 437
    {"Digit1", U'1', kWebAltLeft, 0x78FF},
    {"ShiftLeft", 0, kWebShift, 0},
};

TEST(WebKeys, GiveTheCodesOfAWindow) {
    for (const KeyRow& row : rows) {
        WebEvent e{};
        e.kind = WebEvent::key_down;
        e.a = static_cast<int32_t>(row.typed);
        e.b = row.modifiers;
        std::strncpy(e.code, row.code, sizeof e.code - 1);
        const WebKey k = web_key_of(e);
        EXPECT_EQ(window_key_code(k.character, k.scan_code, k.virtual_key, k.control_state), row.expected)
            << row.code << " typed " << static_cast<uint32_t>(row.typed) << " modifiers " << row.modifiers;
    }
}

// Pasted text arrives as characters; a line end is Enter.
TEST(WebKeys, PastedTextTypesItsCharacters) {
    const struct {
        char32_t c;
        int32_t expected;
    } pasted[] = {{U'1', '1'}, {U'\n', 13}, {U'\t', 9}, {U'é', 0x82}, {U'€', 0}};
    for (const auto& p : pasted) {
        WebEvent e{};
        e.kind = WebEvent::text;
        e.a = static_cast<int32_t>(p.c);
        const WebKey k = web_key_of(e);
        EXPECT_EQ(window_key_code(k.character, k.scan_code, k.virtual_key, k.control_state), p.expected)
            << static_cast<uint32_t>(p.c);
    }
}

}  // namespace
