// The page's input, as the page script keeps it: keys and text pasted in
// order, and the state of the pointer, wheel, focus and the page going
// away. The script only records; the program takes the input at its next
// poll, so nothing runs while the program is in the middle of something.
#pragma once

#include <cstdint>

namespace pantalla::detail {

struct WebEvent {
    enum Kind : int32_t { none, key_down, key_up, text };
    int32_t kind;
    // key_down, key_up: the typed character's Unicode value (0 for none)
    // and the modifiers (kWeb* bits); text: one character in `a`.
    int32_t a, b;
    char code[32];  // key events: KeyboardEvent.code
};

constexpr int32_t kWebShift = 1;
constexpr int32_t kWebCtrlLeft = 2;
constexpr int32_t kWebCtrlRight = 4;
constexpr int32_t kWebAltLeft = 8;
constexpr int32_t kWebAltRight = 16;
constexpr int32_t kWebAltGraph = 32;

// The oldest queued event, or false when none waits. With `take_text`
// false, pasted text and the keys behind it stay queued.
bool web_next_event(WebEvent* event, bool take_text);

// What changed since the last look besides keys.
struct WebPageState {
    bool pointer_moved;
    int32_t x, y, buttons;  // canvas pixels (-1 outside), kMouse* bits
    int32_t wheel;          // notches, positive away from the user
    int32_t focus;          // -1 no change, else the latest: 1 gained, 0 lost
    bool closed;            // the page went away
};
WebPageState web_take_state();

// A key event in the terms Windows reports it in, for the shared
// translation: the code page 437 byte typed (0 for none), the PC scan code,
// the virtual key and the control state.
struct WebKey {
    uint8_t character;
    uint16_t scan_code, virtual_key;
    uint32_t control_state;
};
WebKey web_key_of(const WebEvent& event);

// Waits up to `ms` for the page's input, handing the browser its turn;
// returns early when an event is queued.
void web_wait_events(int32_t ms);

}  // namespace pantalla::detail
