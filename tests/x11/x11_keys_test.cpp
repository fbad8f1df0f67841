// Keys on an X server's US layout, beside what Windows gives for the same
// key and modifiers: the X side looks each press up on the server and
// derives its Windows terms; the Windows side is what ToAscii returns for
// that key, with the US layout, through the same shared translation.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "gfx/display/window.h"
#include "gfx/display/x11/x11_api.h"
#include "gfx/display/x11/x11_keys.h"
#include "gfx/display/x11/x11_window.h"
#include "runtime/key_codes.h"

using namespace pantalla::detail;

namespace {

constexpr unsigned kShift = ShiftMask, kCtrl = ControlMask, kAlt = Mod1Mask, kNumLock = Mod2Mask;

struct Row {
    const char* name;
    unsigned evdev;  // the physical key
    unsigned mods;
    // Windows: the key's scan code, virtual key, enhanced flag, and the
    // character ToAscii gives for it with these modifiers.
    uint16_t scan, vk;
    bool enhanced;
    uint8_t to_ascii;
};

// What the window procedure pushes: an extended code at the key-down, else
// the character of WM_CHAR; with Alt alone the character comes as
// WM_SYSCHAR, which it leaves alone. 0 for nothing.
int32_t windows_code(const Row& r) {
    uint32_t state = r.enhanced ? kEnhancedKey : 0;
    if (r.mods & kShift) state |= kShiftPressed;
    if (r.mods & kCtrl) state |= kLeftCtrlPressed;
    if (r.mods & kAlt) state |= kLeftAltPressed;
    const int32_t code = translate_key_event(r.to_ascii, r.scan, r.vk, state, 0);
    if (code > 255) return code;
    const bool alt_alone = (r.mods & kAlt) && !(r.mods & kCtrl);
    return alt_alone ? 0 : r.to_ascii;
}

int32_t x11_code(Display* display, const Row& r) {
    XKeyEvent ev{};
    ev.type = KeyPress;
    ev.display = display;
    ev.keycode = r.evdev + 8;
    ev.state = r.mods;
    X11KeyPress press{};
    char32_t chars[16];
    x11_key_facts(ev, nullptr, &press, chars, 16);
    const WindowsKey k = x11_windows_key(press);
    return window_key_code(k.character, k.scan_code, k.virtual_key, k.control_state);
}

const Row rows[] = {
    {"a", 30, 0, 0x1E, 'A', false, 'a'},
    {"Shift+a", 30, kShift, 0x1E, 'A', false, 'A'},
    {"Ctrl+a", 30, kCtrl, 0x1E, 'A', false, 1},
    {"Ctrl+Shift+a", 30, kCtrl | kShift, 0x1E, 'A', false, 1},
    {"Alt+a", 30, kAlt, 0x1E, 'A', false, 'a'},
    {"Tab", 15, 0, 0x0F, 0x09, false, 9},
    {"Shift+Tab", 15, kShift, 0x0F, 0x09, false, 9},
    {"Ctrl+Tab", 15, kCtrl, 0x0F, 0x09, false, 0},
    {"Alt+Tab", 15, kAlt, 0x0F, 0x09, false, 9},
    {"1", 2, 0, 0x02, '1', false, '1'},
    {"Shift+1", 2, kShift, 0x02, '1', false, '!'},
    {"Alt+1", 2, kAlt, 0x02, '1', false, '1'},
    // A character typed with Alt that has no extended code: none.
    {"Alt+Shift+1", 2, kAlt | kShift, 0x02, '1', false, '!'},
    {"Alt+Space", 57, kAlt, 0x39, 0x20, false, ' '},
    {"Ctrl+2", 3, kCtrl, 0x03, '2', false, 0},
    {"Ctrl+3", 4, kCtrl, 0x04, '3', false, 0},
    {"Ctrl+7", 8, kCtrl, 0x08, '7', false, 0},
    {"Ctrl+8", 9, kCtrl, 0x09, '8', false, 0},
    {"Ctrl+Shift+6", 7, kCtrl | kShift, 0x07, '6', false, 30},
    {"Ctrl+Shift+minus", 12, kCtrl | kShift, 0x0C, 0xBD, false, 31},
    {"Ctrl+[", 26, kCtrl, 0x1A, 0xDB, false, 27},
    {"Ctrl+backslash", 43, kCtrl, 0x2B, 0xDC, false, 28},
    {"Ctrl+/", 53, kCtrl, 0x35, 0xBF, false, 0},
    {"Space", 57, 0, 0x39, 0x20, false, ' '},
    {"Ctrl+Space", 57, kCtrl, 0x39, 0x20, false, ' '},
    {"Enter", 28, 0, 0x1C, 0x0D, false, 13},
    {"Ctrl+Enter", 28, kCtrl, 0x1C, 0x0D, false, 10},
    {"Backspace", 14, 0, 0x0E, 0x08, false, 8},
    {"Ctrl+Backspace", 14, kCtrl, 0x0E, 0x08, false, 127},
    {"Alt+Backspace", 14, kAlt, 0x0E, 0x08, false, 8},
    {"Escape", 1, 0, 0x01, 0x1B, false, 27},
    {"Alt+Escape", 1, kAlt, 0x01, 0x1B, false, 27},
    {"F1", 59, 0, 0x3B, 0x70, false, 0},
    {"Shift+F1", 59, kShift, 0x3B, 0x70, false, 0},
    {"Ctrl+F1", 59, kCtrl, 0x3B, 0x70, false, 0},
    {"Alt+F4", 62, kAlt, 0x3E, 0x73, false, 0},
    {"F11", 87, 0, 0x57, 0x7A, false, 0},
    {"Shift+F12", 88, kShift, 0x58, 0x7B, false, 0},
    {"Up", 103, 0, 0x48, 0x26, true, 0},
    {"Ctrl+Up", 103, kCtrl, 0x48, 0x26, true, 0},
    {"Alt+Up", 103, kAlt, 0x48, 0x26, true, 0},
    {"Shift+Left", 105, kShift, 0x4B, 0x25, true, 0},
    {"Home", 102, 0, 0x47, 0x24, true, 0},
    {"Delete", 111, 0, 0x53, 0x2E, true, 0},
    {"Ctrl+Delete", 111, kCtrl, 0x53, 0x2E, true, 0},
    {"Insert", 110, 0, 0x52, 0x2D, true, 0},
    {"Page Down", 109, 0, 0x51, 0x22, true, 0},
    // The keypad with Num Lock on: digits and operators.
    {"keypad 7", 71, kNumLock, 0x47, 0x67, false, '7'},
    {"keypad 5", 76, kNumLock, 0x4C, 0x65, false, '5'},
    {"keypad 0", 82, kNumLock, 0x52, 0x60, false, '0'},
    {"keypad point", 83, kNumLock, 0x53, 0x6E, false, '.'},
    {"keypad plus", 78, kNumLock, 0x4E, 0x6B, false, '+'},
    {"keypad minus", 74, kNumLock, 0x4A, 0x6D, false, '-'},
    {"keypad star", 55, kNumLock, 0x37, 0x6A, false, '*'},
    {"keypad slash", 98, kNumLock, 0x35, 0x6F, true, '/'},
    {"keypad Enter", 96, kNumLock, 0x1C, 0x0D, true, 13},
    // Num Lock off: the cursor and editing keys.
    {"keypad Home", 71, 0, 0x47, 0x24, false, 0},
    {"keypad Up", 72, 0, 0x48, 0x26, false, 0},
    {"keypad centre", 76, 0, 0x4C, 0x0C, false, 0},
    {"keypad Insert", 82, 0, 0x52, 0x2D, false, 0},
    {"keypad Delete", 83, 0, 0x53, 0x2E, false, 0},
    {"keypad Page Down", 81, 0, 0x51, 0x22, false, 0},
    {"Ctrl+keypad Left", 75, kCtrl, 0x4B, 0x25, false, 0},
    {"keypad slash, Num Lock off", 98, 0, 0x35, 0x6F, true, '/'},
    {"keypad Enter, Num Lock off", 96, 0, 0x1C, 0x0D, true, 13},
};

TEST(X11Keys, EachKeyGivesWhatWindowsGives) {
    ASSERT_TRUE(libx11_load());
    Display* display = libx11.XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr) << "run under tests/x11/with_xvfb.sh";
    for (const Row& r : rows) {
        const int32_t expected = windows_code(r);
        EXPECT_EQ(x11_code(display, r), expected) << r.name << " (Windows gives " << expected << ")";
    }
    libx11.XCloseDisplay(display);
}

// A held key's repeats come as presses alone; only a press after its
// release, or of a key not held when the vector was taken, is new.
TEST(X11Keys, APressOfAHeldKeyIsARepeat) {
    enum Step { press, release, vector_with_36, vector_empty };
    struct Case {
        const char* name;
        std::vector<Step> before;
        bool repeat;  // of the next press of key code 36 (Enter)
    } cases[] = {
        {"first press", {}, false},
        {"held", {press}, true},
        {"held, repeated", {press, press, press}, true},
        {"released", {press, press, release}, false},
        {"held before the window opened", {vector_with_36}, true},
        {"released while the window had no focus", {press, vector_empty}, false},
    };
    for (const Case& c : cases) {
        X11HeldKeys held{};
        x11_key_pressed(&held, 37);  // another key, held throughout
        for (Step s : c.before) {
            if (s == press) x11_key_pressed(&held, 36);
            if (s == release) x11_key_released(&held, 36);
            if (s == vector_with_36 || s == vector_empty) {
                held = X11HeldKeys{};
                if (s == vector_with_36) held.bits[36 / 8] = 1 << (36 % 8);
            }
        }
        EXPECT_EQ(x11_key_pressed(&held, 36), c.repeat) << c.name;
        EXPECT_EQ(x11_key_pressed(&held, 36), true) << c.name << ", then held";
    }
    X11HeldKeys held{};
    EXPECT_FALSE(x11_key_pressed(&held, 300)) << "a key code beyond the vector";
    x11_key_released(&held, 300);
}

}  // namespace
