// The "X11" driver: the screen in an X window, or covering the monitor,
// through the shared window module and its update thread.
#include <cstdlib>

#include "gfx/display/display_driver.h"
#include "gfx/display/window.h"
#include "gfx/display/x11/x11_window.h"

namespace pantalla::detail {

namespace {

const WindowOps x11_ops = {
    .open_surface = x11_open_surface,
    .close_surface = x11_close_surface,
    .paint = x11_paint,
    .thread_main = nullptr,
    .send_palette = nullptr,
    .begin_rows = x11_begin_rows,
    .present_rows = x11_present_rows,
    .read_virtual_keys = x11_read_virtual_keys,
    .held_scan_codes = nullptr,
    .pump_events = x11_pump_events,
    .apply_title = x11_apply_title,
    .warp_pointer = x11_warp_pointer,
    .show_pointer = x11_show_pointer,
    .bind_context = nullptr,
    .restore_surfaces = nullptr,
    .wait_idle = nullptr,
    .wake_idle = nullptr,
    .in_place = false,
};

int32_t init(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh, int32_t flags) {
    // Without a display name there is nothing to connect to: refuse at once.
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) return -1;
    // Without libX11 the driver refuses and the search goes on; libXext
    // only brings shared memory.
    if (!libx11_load()) return -1;
    libxext_load();
    // The update thread owns the connection, but Xlib must know of threads
    // before its first call in the process.
    static const bool threads = libx11.XInitThreads() != 0;
    if (!threads) return -1;
    return window_init(&x11_ops, "X11", title, width, height, depth, refresh, flags);
}

}  // namespace

extern const DisplayDriver x11_driver;
const DisplayDriver x11_driver = {
    .name = "X11",
    .init = init,
    .exit = window_exit,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = nullptr,
    .poll_events = nullptr,
    .wait_input = nullptr,
};

}  // namespace pantalla::detail
