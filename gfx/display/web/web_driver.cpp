// The "Web" driver: the screen on the page's <canvas>, drawn with
// putImageData of the changed rows. A page has one thread, so the passes
// run on the program's, from its polls and waits, as for the in-place
// drivers; the page script only queues the events (console/web).
#include <emscripten.h>

#include <cstdlib>
#include <cstring>

#include "console/web/web_events.h"
#include "gfx/display/display_driver.h"
#include "gfx/display/window.h"
#include "gfx/screen.h"
#include "runtime/key_codes.h"

namespace pantalla::detail {

namespace {

uint8_t* pixels = nullptr;  // RGBA rows of the displayed picture
uint8_t virtual_down[256];

EM_JS(int, page_open_screen, (int width, int height), {
    return Module.diceOpenScreen ? (Module.diceOpenScreen(width, height) ? 1 : 0) : 0;
});
EM_JS(void, page_close_screen, (), {
    if (Module.diceCloseScreen) Module.diceCloseScreen();
});
EM_JS(void, page_put_rows, (const uint8_t* rgba, int width, int first, int end), {
    Module.dicePutRows(HEAPU8.subarray(rgba + first * width * 4, rgba + end * width * 4), width, first, end);
});
EM_JS(void, page_set_title, (const char* title), {
    if (typeof document == "object") document.title = UTF8ToString(title);
});
EM_JS(void, page_show_pointer, (int shown), {
    if (Module.canvas) Module.canvas.style.cursor = shown ? "" : "none";
});

// The blitter leaves the fourth byte alone; the canvas needs it opaque.
void present_rows(int32_t first, int32_t end) {
    const int32_t width = window.width;
    for (size_t i = static_cast<size_t>(first) * width; i < static_cast<size_t>(end) * width; ++i)
        pixels[i * 4 + 3] = 0xFF;
    page_put_rows(pixels, width, first, end);
}

void close_surface() {
    page_close_screen();
    std::free(pixels);
    pixels = nullptr;
}

bool open_surface() {
    std::memset(virtual_down, 0, sizeof virtual_down);
    pixels = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(window.width) * window.height, 4));
    if (!pixels || !page_open_screen(window.width, window.height)) return false;
    window.view_x = window.view_y = 0;
    window.zoom = 1;  // the page's own scaling stays outside the canvas's pixels
    window.mouse.inside = false;
    // Untouched rows would stay transparent: every row is drawn at once.
    present_rows(0, window.height);
    return window_choose_blitter(32, true);
}

void paint() { present_rows(0, window.height); }

uint8_t* begin_rows(int32_t* pitch) {
    *pitch = window.width * 4;
    return pixels;
}

void read_virtual_keys(uint8_t* down) { std::memcpy(down, virtual_down, sizeof virtual_down); }

void take_key(const WebEvent& e) {
    const WebKey k = web_key_of(e);
    if (e.kind != WebEvent::text) virtual_down[k.virtual_key & 0xFF] = e.kind == WebEvent::key_down;
    if (e.kind != WebEvent::key_up) window_key_event(k.character, k.scan_code, k.virtual_key, k.control_state);
}

// The page's state first (focus clears the buttons that the pointer then
// sets). Keys are taken as they come, held state and all, as a window takes
// them: codes the key queue has no room for wait in the window's own list.
// A paste waits in the page's queue instead, with the keys behind it, and
// is taken only as far as the key queue has room: it may be far longer
// than any list.
void pump_events() {
    const WebPageState s = web_take_state();
    if (s.focus >= 0) {
        std::memset(virtual_down, 0, sizeof virtual_down);
        window_set_active(s.focus != 0);
    }
    if (s.pointer_moved) {
        window.mouse.inside = s.x >= 0;
        window.mouse.x = s.x;
        window.mouse.y = s.y;
        window.mouse.buttons = s.buttons;
    }
    window.mouse.wheel += s.wheel;
    if (s.closed) key_queue_push(screen_key_queue, kCloseKey);
    WebEvent e{};
    while (web_next_event(&e, key_queue_room(screen_key_queue) > 0 && !window_keys_waiting())) take_key(e);
}

void apply_title(const char* title) { page_set_title(title); }

void warp_pointer(int32_t x, int32_t y) {
    // A page cannot move the pointer: the program's reads see it moved,
    // into the canvas as a moved pointer would be, until it moves itself.
    window.mouse.inside = true;
    window.mouse.x = x;
    window.mouse.y = y;
}

void show_pointer(bool shown) { page_show_pointer(shown ? 1 : 0); }

const WindowOps web_ops = {
    .open_surface = open_surface,
    .close_surface = close_surface,
    .paint = paint,
    .thread_main = nullptr,
    .send_palette = nullptr,
    .begin_rows = begin_rows,
    .present_rows = present_rows,
    .read_virtual_keys = read_virtual_keys,
    .held_scan_codes = nullptr,
    .pump_events = pump_events,
    .apply_title = apply_title,
    .warp_pointer = warp_pointer,
    .show_pointer = show_pointer,
    .bind_context = nullptr,
    .restore_surfaces = nullptr,
    .wait_idle = nullptr,
    .wake_idle = nullptr,
    .in_place = true,
};

int32_t init(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh, int32_t flags) {
    if (flags < 0) return -1;
    return window_init(&web_ops, "Web", title, width, height, depth, refresh, flags);
}

// Under the screen lock. A paste comes far faster than the passes: keys
// are taken whenever the queue has room, not only once per pass.
void poll_events() {
    window_pass_if_due();
    if (window_initialised()) pump_events();
}

void wait_input(int32_t ms) {
    web_wait_events(ms);
    window_poll();
}

}  // namespace

extern const DisplayDriver web_driver;
const DisplayDriver web_driver = {
    .name = "Web",
    .init = init,
    .exit = window_exit,
    .lock = window_lock,
    .unlock = window_unlock_in_place,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = nullptr,
    .poll_events = poll_events,
    .wait_input = wait_input,
};

}  // namespace pantalla::detail
