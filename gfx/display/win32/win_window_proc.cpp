// The window procedure shared by the Windows drivers: keys into the
// screen's key queue, the mouse, focus, close, paint and the switch
// between window and full screen.
#include <windowsx.h>

#include <cstring>

#include "console/win32/code_page.h"
#include "gfx/display/win32/win_window.h"
#include "gfx/screen.h"
#include "runtime/key_codes.h"

namespace pantalla::detail {

namespace {

constexpr int32_t kCloseCode = 0x6BFF;

int32_t repeat_count(LPARAM lparam) {
    const int32_t n = static_cast<int32_t>(lparam & 0xFFFF);
    return n > 0 ? n : 1;
}

void push_repeated(int32_t code, int32_t times) {
    for (int32_t i = 0; i < times; ++i) window_push_key(code);
}

// The character a key types, as ToAscii gives it; 0 when none.
uint8_t typed_character(UINT vk, UINT scan) {
    if ((MapVirtualKeyA(vk, MAPVK_VK_TO_CHAR) & 0xFFFF) == 0) return 0;
    BYTE state[256];
    if (!GetKeyboardState(state)) return 0;
    WORD out[2] = {};
    return ToAscii(vk, scan, state, out, 0) == 1 ? static_cast<uint8_t>(out[0] & 0xFF) : 0;
}

void toggle_full_screen() {
    const bool switched = window_toggle_full_screen();
    const WinHooks* hooks = win_system.hooks;
    if (hooks && hooks->toggled) hooks->toggled(switched);
}

// True when the key is kept from the system.
bool key_down(UINT msg, WPARAM wparam, LPARAM lparam) {
    const UINT vk = static_cast<UINT>(wparam & 0xFF);
    const UINT scan = static_cast<UINT>((lparam >> 16) & 0xFF);
    if (msg == WM_SYSKEYDOWN && vk == VK_RETURN && (lparam & (1 << 29))) {
        // Alt+Enter: a held key repeats; switch once.
        if (window.active && !(lparam & (1 << 30))) toggle_full_screen();
        return true;
    }
    const uint8_t ch = typed_character(vk, scan);
    const int32_t code = translate_key_event(ch, static_cast<uint16_t>(scan), static_cast<uint16_t>(vk),
                                             win_control_state(lparam), 0);
    if (code > 255) push_repeated(code, repeat_count(lparam));
    return vk == VK_F10 || vk == VK_MENU || code == kCloseCode;
}

void set_button(int32_t bit, bool down) {
    if (down)
        window.mouse.buttons |= bit;
    else
        window.mouse.buttons &= ~bit;
}

void mouse_moved(HWND hwnd, LPARAM lparam) {
    window.mouse.x = GET_X_LPARAM(lparam);
    window.mouse.y = GET_Y_LPARAM(lparam);
    window.mouse.inside = true;
    if (!win_system.tracking_leave) {
        TRACKMOUSEEVENT t{};
        t.cbSize = sizeof t;
        t.dwFlags = TME_LEAVE;
        t.hwndTrack = hwnd;
        win_system.tracking_leave = TrackMouseEvent(&t) != 0;
    }
}

void show_cursor(bool shown) {
    // ShowCursor counts: only a change of state may call it.
    if (shown == !win_system.cursor_hidden) return;
    ShowCursor(shown ? TRUE : FALSE);
    win_system.cursor_hidden = !shown;
}

void activated(bool active) {
    window_set_active(active);
    const WinHooks* hooks = win_system.hooks;
    if (hooks && hooks->activated) hooks->activated(active);
}

}  // namespace

LRESULT CALLBACK win_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam) {
    // Sent messages (activation, focus) arrive here without the pump
    // taking them, and may come with a new key state.
    win_key_state_changed();
    const WinHooks* hooks = win_system.hooks;
    LRESULT result = 0;
    if (hooks && hooks->message && hooks->message(hwnd, msg, wparam, lparam, &result)) return result;
    if (msg == win_system.cursor_message && msg != 0) {
        show_cursor(wparam != 0);
        return 0;
    }
    switch (msg) {
    case WM_SYSCOMMAND:
        if ((wparam & 0xFFF0) == SC_MAXIMIZE) {
            if (window.active) toggle_full_screen();
            return 0;
        }
        break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        if (key_down(msg, wparam, lparam)) return 0;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        if (wparam == VK_F10 || wparam == VK_MENU) return 0;
        break;
    case WM_CHAR: {
        // Characters come in the system's ANSI code page.
        const int32_t c = code_page_to_437(static_cast<uint8_t>(wparam & 0xFF), CP_ACP);
        if (c > 0) push_repeated(c, repeat_count(lparam));
        return 0;
    }
    case WM_CLOSE:
        key_queue_push(screen_key_queue, kCloseCode);
        return 0;
    case WM_ACTIVATE:
        activated(LOWORD(wparam) != WA_INACTIVE);
        break;
    case WM_ACTIVATEAPP:
        activated(wparam != 0);
        break;
    case WM_PAINT:
        if (window.ops) window_paint();
        break;
    case WM_MOUSEMOVE:
        mouse_moved(hwnd, lparam);
        return 0;
    case WM_MOUSELEAVE:
        window.mouse.inside = false;
        win_system.tracking_leave = false;
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        set_button(kMouseLeft, msg == WM_LBUTTONDOWN);
        mouse_moved(hwnd, lparam);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        set_button(kMouseRight, msg == WM_RBUTTONDOWN);
        mouse_moved(hwnd, lparam);
        return 0;
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
        set_button(kMouseMiddle, msg == WM_MBUTTONDOWN);
        mouse_moved(hwnd, lparam);
        return 0;
    case WM_MOUSEWHEEL:
        if (win_system.version > 0x409) {
            const int delta = GET_WHEEL_DELTA_WPARAM(wparam);
            window.mouse.wheel += delta / WHEEL_DELTA;
        }
        return 0;
    default:
        break;
    }
    return DefWindowProcA(hwnd, msg, wparam, lparam);
}

}  // namespace pantalla::detail
