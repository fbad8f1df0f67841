// An X11 key press in the terms Windows reports it in, so that the shared
// translation gives every key the code it gives in a Windows window: the
// character that ToAscii would give for that key with its modifiers and
// the layout, the PC scan code, the virtual key and the control state.
#pragma once

#include <X11/X.h>

#include <cstdint>

namespace pantalla::detail {

// What the X server says about one key press.
struct X11KeyPress {
    unsigned keycode;
    unsigned state;  // the event's modifier mask
    KeySym sym;      // at the event's Shift, AltGr and Num Lock levels
    KeySym base;     // the key's first level
    char32_t typed;  // the one character the input gave (dead keys composed), 0 for none
    bool right_ctrl, right_alt;
};

struct WindowsKey {
    uint8_t character;  // code page 437, 0 for none
    uint16_t scan_code, virtual_key;
    uint32_t control_state;
};

WindowsKey x11_windows_key(const X11KeyPress& press);

// The keys held, one bit a key code laid out as the server's key vector
// (XQueryKeymap, KeymapNotify). With detectable auto-repeat a held key
// sends presses without releases, so a press of a key already held is a
// repeat; the vector taken at window creation and at every focus keeps
// releases sent to other windows from making a later press look like one.
struct X11HeldKeys {
    uint8_t bits[32];
};
// Notes a press; true when it is an auto-repeat of a held key.
bool x11_key_pressed(X11HeldKeys* held, unsigned keycode);
void x11_key_released(X11HeldKeys* held, unsigned keycode);

// The code page 437 byte typed for a character, or 0 for none.
uint8_t x11_typed_byte(char32_t u);

}  // namespace pantalla::detail
