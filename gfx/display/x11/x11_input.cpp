#include <X11/XKBlib.h>
#include <X11/keysym.h>
#include <poll.h>

#include <cstring>

#include "gfx/display/window.h"
#include "gfx/display/x11/x11_keys.h"
#include "gfx/display/x11/x11_window.h"
#include "gfx/screen.h"

namespace pantalla::detail {

namespace {

struct SymVk {
    KeySym sym;
    uint16_t vk;
};

// Key symbols whose virtual key is not their own character.
const SymVk sym_vk[] = {
    {XK_BackSpace, 0x08}, {XK_Tab, 0x09}, {XK_ISO_Left_Tab, 0x09}, {XK_Return, 0x0D}, {XK_Escape, 0x1B},
    {XK_space, 0x20}, {XK_Pause, 0x13}, {XK_Caps_Lock, 0x14}, {XK_Prior, 0x21}, {XK_Next, 0x22},
    {XK_End, 0x23}, {XK_Home, 0x24}, {XK_Left, 0x25}, {XK_Up, 0x26}, {XK_Right, 0x27}, {XK_Down, 0x28},
    {XK_Print, 0x2C}, {XK_Insert, 0x2D}, {XK_Delete, 0x2E}, {XK_Shift_L, 0x10}, {XK_Shift_R, 0x10},
    {XK_Control_L, 0x11}, {XK_Control_R, 0x11}, {XK_Alt_L, 0x12}, {XK_Alt_R, 0x12},
    {XK_ISO_Level3_Shift, 0x12}, {XK_Meta_L, 0x12}, {XK_Super_L, 0x5B}, {XK_Super_R, 0x5C}, {XK_Menu, 0x5D},
    {XK_Num_Lock, 0x90}, {XK_Scroll_Lock, 0x91},
    // the keypad with Num Lock off
    {XK_KP_Insert, 0x2D}, {XK_KP_End, 0x23}, {XK_KP_Down, 0x28}, {XK_KP_Next, 0x22}, {XK_KP_Left, 0x25},
    {XK_KP_Begin, 0x0C}, {XK_KP_Right, 0x27}, {XK_KP_Home, 0x24}, {XK_KP_Up, 0x26}, {XK_KP_Prior, 0x21},
    {XK_KP_Delete, 0x2E}, {XK_KP_Enter, 0x0D}, {XK_KP_Multiply, 0x6A}, {XK_KP_Add, 0x6B},
    {XK_KP_Subtract, 0x6D}, {XK_KP_Decimal, 0x6E}, {XK_KP_Divide, 0x6F},
    // punctuation as on a US keyboard
    {XK_semicolon, 0xBA}, {XK_colon, 0xBA}, {XK_equal, 0xBB}, {XK_plus, 0xBB}, {XK_comma, 0xBC},
    {XK_less, 0xBC}, {XK_minus, 0xBD}, {XK_underscore, 0xBD}, {XK_period, 0xBE}, {XK_greater, 0xBE},
    {XK_slash, 0xBF}, {XK_question, 0xBF}, {XK_grave, 0xC0}, {XK_asciitilde, 0xC0}, {XK_bracketleft, 0xDB},
    {XK_braceleft, 0xDB}, {XK_backslash, 0xDC}, {XK_bar, 0xDC}, {XK_bracketright, 0xDD},
    {XK_braceright, 0xDD}, {XK_apostrophe, 0xDE}, {XK_quotedbl, 0xDE},
};

struct EvdevScan {
    uint16_t evdev, scan;
};

// Keys whose evdev number is not their PC scan code: all enhanced.
const EvdevScan enhanced_keys[] = {
    {96, 0x1C}, {97, 0x1D}, {98, 0x35}, {99, 0x37}, {100, 0x38}, {102, 0x47}, {103, 0x48},
    {104, 0x49}, {105, 0x4B}, {106, 0x4D}, {107, 0x4F}, {108, 0x50}, {109, 0x51}, {110, 0x52},
    {111, 0x53}, {125, 0x5B}, {126, 0x5C}, {127, 0x5D},
};

// Decodes UTF-8 into at most `room` characters; returns the count.
int decode_utf8(const char* s, int n, char32_t* out, int room) {
    int count = 0;
    for (int i = 0; i < n && count < room;) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (len == 0 || i + len > n) return count;
        char32_t u = len == 1 ? c : c & (0x3F >> (len - 1));
        for (int k = 1; k < len; ++k) u = u << 6 | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        out[count++] = u;
        i += len;
    }
    return count;
}

void track_sides(KeySym sym, bool down) {
    if (sym == XK_Control_R) x11.right_ctrl = down;
    if (sym == XK_Alt_R) x11.right_alt = down;
}

// Returns false when the window was re-created and the events must stop.
bool key_press(XKeyEvent& ev) {
    char32_t chars[16];
    X11KeyPress press{};
    const int count = x11_key_facts(ev, x11.ic, &press, chars, 16);
    track_sides(press.sym, true);
    const bool repeat = x11_key_pressed(&x11.held, ev.keycode);

    // Alt+Enter switches once however long it is held, and is no key even
    // where switching is off.
    const bool alt = (ev.state & Mod1Mask) && !(ev.state & Mod5Mask);
    if (alt && (press.sym == XK_Return || press.sym == XK_KP_Enter)) {
        if (repeat || (window.flags & kOpenNoSwitch)) return true;
        window_toggle_full_screen();
        return false;
    }
    if (count > 1) {
        // A composed sequence of several characters: each as typed.
        for (int i = 0; i < count; ++i)
            if (const uint8_t b = x11_typed_byte(chars[i])) window_push_key(b);
        return true;
    }
    const WindowsKey key = x11_windows_key(press);
    window_key_event(key.character, key.scan_code, key.virtual_key, key.control_state);
    return true;
}

void pointer_at(int x, int y, bool inside) {
    window.mouse.x = x;
    window.mouse.y = y;
    window.mouse.inside = inside;
}

void button(unsigned b, bool down) {
    int32_t bit = 0;
    if (b == Button1) bit = kMouseLeft;
    if (b == Button2) bit = kMouseMiddle;
    if (b == Button3) bit = kMouseRight;
    if (down && b == Button4) ++window.mouse.wheel;
    if (down && b == Button5) --window.mouse.wheel;
    if (down)
        window.mouse.buttons |= bit;
    else
        window.mouse.buttons &= ~bit;
}

}  // namespace

int x11_key_facts(XKeyEvent& ev, XIC ic, X11KeyPress* press, char32_t* chars, int room) {
    char text[64];
    KeySym sym = NoSymbol;
    int count = 0;
    if (ic) {
        Status status = 0;
        int n = libx11.Xutf8LookupString(ic, &ev, text, sizeof text, &sym, &status);
        if (status == XBufferOverflow || status == XLookupNone) n = 0;
        if (status == XLookupChars) sym = NoSymbol;
        count = decode_utf8(text, n, chars, room);
    } else {
        const int n = libx11.XLookupString(&ev, text, sizeof text, &sym, nullptr);  // Latin-1
        for (int i = 0; i < n && count < room; ++i) chars[count++] = static_cast<unsigned char>(text[i]);
    }
    const KeyCode keycode = static_cast<KeyCode>(ev.keycode);
    press->keycode = ev.keycode;
    press->state = ev.state;
    press->base = libx11.XkbKeycodeToKeysym(ev.display, keycode, 0, 0);
    // The level that Shift, AltGr and Num Lock choose; Ctrl and Alt choose none.
    unsigned unused = 0;
    if (sym == NoSymbol && !libx11.XkbLookupKeySym(ev.display, keycode, ev.state & ~(ControlMask | Mod1Mask), &unused, &sym))
        sym = press->base;
    press->sym = sym;
    press->typed = count == 1 ? chars[0] : 0;
    press->right_ctrl = x11.right_ctrl;
    press->right_alt = x11.right_alt;
    return count;
}

uint16_t x11_keysym_vk(KeySym sym) {
    if (sym >= XK_a && sym <= XK_z) return static_cast<uint16_t>(sym - XK_a + 'A');
    if (sym >= XK_A && sym <= XK_Z) return static_cast<uint16_t>(sym);
    if (sym >= XK_0 && sym <= XK_9) return static_cast<uint16_t>(sym);
    if (sym >= XK_KP_0 && sym <= XK_KP_9) return static_cast<uint16_t>(0x60 + (sym - XK_KP_0));
    if (sym >= XK_F1 && sym <= XK_F24) return static_cast<uint16_t>(0x70 + (sym - XK_F1));
    for (const SymVk& e : sym_vk)
        if (e.sym == sym) return e.vk;
    return 0;
}

uint16_t x11_scan_code(unsigned keycode, bool* enhanced) {
    *enhanced = false;
    if (keycode < 8) return 0;
    const unsigned evdev = keycode - 8;
    for (const EvdevScan& e : enhanced_keys)
        if (e.evdev == evdev) {
            *enhanced = true;
            return e.scan;
        }
    return evdev < 0x80 ? static_cast<uint16_t>(evdev) : 0;
}

void x11_keymap_build() {
    std::memset(x11.keycode_vk, 0, sizeof x11.keycode_vk);
    for (int kc = 8; kc < 256; ++kc)
        x11.keycode_vk[kc] =
            static_cast<uint8_t>(x11_keysym_vk(libx11.XkbKeycodeToKeysym(x11.display, static_cast<KeyCode>(kc), 0, 0)));
}

void x11_read_virtual_keys(uint8_t* down) {
    if (!x11.display) return;
    char keys[32];
    libx11.XQueryKeymap(x11.display, keys);
    for (int kc = 8; kc < 256; ++kc)
        if ((keys[kc / 8] >> (kc % 8)) & 1) down[x11.keycode_vk[kc]] = 1;
    down[0] = 0;
}

bool x11_wait_events(int32_t ms) {
    if (!x11.display) return false;
    // XPending also sends what Xlib holds back, so the server can answer.
    if (libx11.XPending(x11.display)) return true;
    pollfd p{ConnectionNumber(x11.display), POLLIN, 0};
    return poll(&p, 1, ms) > 0;
}

void x11_pump_events() {
    while (x11.display && libx11.XPending(x11.display)) {
        XEvent ev;
        libx11.XNextEvent(x11.display, &ev);
        if (libx11.XFilterEvent(&ev, None)) continue;
        switch (ev.type) {
            case ClientMessage:
                if (ev.xclient.message_type == x11.wm_protocols &&
                    static_cast<Atom>(ev.xclient.data.l[0]) == x11.wm_delete_window)
                    key_queue_push(screen_key_queue, kCloseKey);  // the program decides whether to end
                break;
            case KeyPress:
                if (!key_press(ev.xkey)) return;
                break;
            case KeyRelease:
                x11_key_released(&x11.held, ev.xkey.keycode);
                track_sides(libx11.XkbKeycodeToKeysym(x11.display, static_cast<KeyCode>(ev.xkey.keycode), 0, 0), false);
                break;
            case FocusIn:
            case FocusOut:
                if (ev.xfocus.mode == NotifyGrab || ev.xfocus.mode == NotifyUngrab ||
                    ev.xfocus.detail == NotifyInferior)
                    break;
                window_set_active(ev.type == FocusIn);
                if (x11.ic) (ev.type == FocusIn ? libx11.XSetICFocus : libx11.XUnsetICFocus)(x11.ic);
                break;
            case MapNotify:
                if (ev.xmap.window == x11.window) x11_take_focus();
                break;
            case Expose:
                if (ev.xexpose.count == 0) window_paint();
                break;
            case ButtonPress:
            case ButtonRelease:
                pointer_at(ev.xbutton.x, ev.xbutton.y, true);
                button(ev.xbutton.button, ev.type == ButtonPress);
                break;
            case MotionNotify:
                pointer_at(ev.xmotion.x, ev.xmotion.y, true);
                break;
            case EnterNotify:
            case LeaveNotify:
                pointer_at(ev.xcrossing.x, ev.xcrossing.y, ev.type == EnterNotify);
                break;
            case KeymapNotify:
                // After every focus: releases meanwhile went to other windows.
                std::memcpy(x11.held.bits, ev.xkeymap.key_vector, sizeof x11.held.bits);
                break;
            case MappingNotify:
                libx11.XRefreshKeyboardMapping(&ev.xmapping);
                x11_keymap_build();
                break;
            default:
                break;
        }
    }
}

}  // namespace pantalla::detail
