#include "gfx/display/x11/x11_keys.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include "console/cp437.h"
#include "gfx/display/x11/x11_window.h"
#include "runtime/key_codes.h"

namespace pantalla::detail {

namespace {

bool is_letter(KeySym s) { return (s >= XK_a && s <= XK_z) || (s >= XK_A && s <= XK_Z); }

// What Ctrl types with a key, as the US layout of Windows has it: letters
// their control character (with or without Shift), a few punctuation keys
// the rest of the C0 range, Enter a line feed, Backspace DEL; every other
// key (digits included) nothing. X's own control mapping differs (Ctrl+3
// is ESC there), so it is not used.
uint8_t ctrl_character(KeySym sym, KeySym base, bool shift) {
    if (is_letter(sym)) return static_cast<uint8_t>(sym & 0x1F);
    if (is_letter(base)) return static_cast<uint8_t>(base & 0x1F);
    switch (base) {
        case XK_bracketleft: return shift ? 0 : 27;
        case XK_backslash: return shift ? 0 : 28;
        case XK_bracketright: return shift ? 0 : 29;
        case XK_6: return shift ? 30 : 0;
        case XK_minus: return shift ? 31 : 0;
        case XK_Return:
        case XK_KP_Enter: return 10;
        case XK_BackSpace: return 127;
        case XK_space: return ' ';
        case XK_Escape: return 27;
        default: return 0;
    }
}

// Keys whose character X does not report as text.
uint8_t untyped_character(KeySym sym) {
    switch (sym) {
        case XK_ISO_Left_Tab: return 9;  // Shift+Tab
        default: return 0;
    }
}

}  // namespace

uint8_t x11_typed_byte(char32_t u) {
    if (u < 32) return static_cast<uint8_t>(u);  // control characters as typed (Enter, Tab)
    if (u == 127) return 0;                      // Delete types nothing
    const int32_t b = unicode_to_cp437(u);
    return b > 0 ? static_cast<uint8_t>(b) : 0;
}

WindowsKey x11_windows_key(const X11KeyPress& press) {
    WindowsKey key{};
    bool enhanced = false;
    key.scan_code = x11_scan_code(press.keycode, &enhanced);
    // The virtual key follows the unshifted key, except on the keypad, where
    // Num Lock decides between digits and cursor keys.
    key.virtual_key = x11_keysym_vk(IsKeypadKey(press.sym) ? press.sym : press.base);

    const bool shift = press.state & ShiftMask;
    const bool alt_gr = press.state & Mod5Mask;
    const bool ctrl = (press.state & ControlMask) && !alt_gr;
    const bool alt = (press.state & Mod1Mask) && !alt_gr;
    if (shift) key.control_state |= kShiftPressed;
    if (ctrl) key.control_state |= press.right_ctrl ? kRightCtrlPressed : kLeftCtrlPressed;
    if (alt) key.control_state |= press.right_alt ? kRightAltPressed : kLeftAltPressed;
    // AltGr, as Windows reports it.
    if (alt_gr) key.control_state |= kRightAltPressed | kLeftCtrlPressed;
    if (enhanced) key.control_state |= kEnhancedKey;

    // Alt types what the key types without it; Ctrl has its own characters.
    if (ctrl)
        key.character = ctrl_character(press.sym, press.base, shift);
    else if (press.typed != 0)
        key.character = x11_typed_byte(press.typed);
    else
        key.character = untyped_character(press.sym);
    if (press.sym == XK_Delete || press.sym == XK_KP_Delete) key.character = 0;
    return key;
}

bool x11_key_pressed(X11HeldKeys* held, unsigned keycode) {
    if (keycode >= 256) return false;
    uint8_t& byte = held->bits[keycode / 8];
    const uint8_t bit = static_cast<uint8_t>(1u << (keycode % 8));
    const bool repeat = byte & bit;
    byte |= bit;
    return repeat;
}

void x11_key_released(X11HeldKeys* held, unsigned keycode) {
    if (keycode < 256) held->bits[keycode / 8] &= static_cast<uint8_t>(~(1u << (keycode % 8)));
}

}  // namespace pantalla::detail
