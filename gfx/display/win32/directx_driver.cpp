// The "DirectX" driver: DirectDraw shows the screen, switching the display
// mode for full screen, and DirectInput reports the held keys; both are
// loaded by name, so that a system without them refuses quickly and the
// search goes on to the next driver.
#include <windows.h>

#include "gfx/display/display_driver.h"
#include "gfx/display/win32/display_modes.h"
#include "gfx/display/win32/dx_keyboard.h"
#include "gfx/display/win32/dx_surface.h"
#include "gfx/display/win32/win_window.h"
#include "gfx/display/window.h"
#include "gfx/screen.h"

namespace pantalla::detail {

namespace {

bool full_screen() { return (window.flags & kOpenFullScreen) != 0; }

// Nothing is drawn while another program has the exclusive display.
bool drawing_allowed() { return window.active || !full_screen(); }

bool open_surface() {
    const bool full = full_screen();
    const HWND hwnd = full ? win_create_window(WS_POPUP, WS_EX_TOPMOST, window.width, window.height, false)
                           : win_create_window(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, window.width,
                                               window.height, true);
    if (!hwnd) return false;
    if (!dx_surface_open(hwnd, full, window.width, window.height, window.depth, window.refresh_rate)) return false;
    // Without a DirectInput keyboard the held keys come from the system's
    // keyboard state instead (held_scan_codes).
    dx_keyboard_open(hwnd);
    if (window.refresh_rate <= 0) window.refresh_rate = win_display_refresh_rate();
    return true;
}

void close_surface() {
    dx_keyboard_close();
    dx_surface_close();  // the display mode goes back before the window goes
    win_destroy_window();
}

uint8_t* begin_rows(int32_t* pitch) { return drawing_allowed() ? dx_surface_begin(pitch) : nullptr; }

void paint() {
    if (drawing_allowed()) dx_surface_paint();
}

void held_scan_codes(uint8_t* key_down) {
    if (dx_keyboard_read(key_down)) return;
    uint8_t virtual_down[256] = {};
    win_read_virtual_keys(virtual_down);
    window_held_keys(virtual_down, key_down);
}

// Ahead of the palette and the conversion, which need the surfaces back.
void restore_surfaces() {
    if (drawing_allowed() && dx_surface_restore()) window_redraw_all();
}

const WindowOps directx_ops = {
    .open_surface = open_surface,
    .close_surface = close_surface,
    .paint = paint,
    .thread_main = nullptr,
    .send_palette = dx_surface_send_palette,
    .begin_rows = begin_rows,
    .present_rows = dx_surface_present,
    .read_virtual_keys = nullptr,
    .held_scan_codes = held_scan_codes,
    .pump_events = win_pump_messages,
    .apply_title = win_apply_title,
    .warp_pointer = win_warp_pointer,
    .show_pointer = win_show_pointer,
    .bind_context = nullptr,
    .restore_surfaces = restore_surfaces,
    .wait_idle = win_wait_idle,
    .wake_idle = win_wake_idle,
    .in_place = false,
};

int32_t init(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh, int32_t flags) {
    if (!dx_surface_load()) return -1;
    dx_keyboard_load();  // optional, see open_surface
    return win_window_init(&directx_ops, nullptr, "DirectX", title, width, height, depth, refresh, flags);
}

void wait_vsync() {
    if (!dx_surface_wait_vsync()) window_wait_vsync();
}

}  // namespace

extern const DisplayDriver directx_driver;
const DisplayDriver directx_driver = {
    .name = "DirectX",
    .init = init,
    .exit = win_window_exit,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = win_fetch_modes,
    .poll_events = nullptr,
    .wait_input = nullptr,
};

}  // namespace pantalla::detail
