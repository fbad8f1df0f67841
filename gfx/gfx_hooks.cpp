#include "gfx/gfx_hooks.h"

#include "gfx/colours.h"
#include "gfx/display/display_driver.h"
#include "gfx/keyboard.h"
#include "gfx/screen.h"
#include "gfx/text_draw.h"
#include "runtime/console_hooks.h"
#include "runtime/context.h"
#include "runtime/line_input.h"

namespace pantalla::detail {

namespace {

int32_t read_text_line(RtString* destination, int32_t max_chars) {
    RtString* text = string_temp_copy(nullptr, 0);
    if (!text) return set_last_error(4);
    edit_line(text);
    if (max_chars >= 0 && string_length(text) > static_cast<uint32_t>(max_chars))
        text->length = (text->length & kTemporaryBit) | static_cast<uint32_t>(max_chars);
    string_assign(destination, text);
    return set_last_error(0);
}

int32_t read_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons) {
    int32_t result = -1;
    if (screen && screen->driver->get_mouse) {
        screen_auto_lock();
        int32_t w = 0, b = 0;
        result = screen->driver->get_mouse(x, y, &w, &b);
        screen_auto_unlock();
        if (result == 0) {
            if (wheel) *wheel = w;
            if (buttons) *buttons = b;
            return 0;
        }
    }
    *x = *y = -1;
    if (wheel) *wheel = -1;
    if (buttons) *buttons = -1;
    return set_last_error(1);
}

int32_t move_mouse(int32_t x, int32_t y, int32_t visible) {
    if (!screen || !screen->driver->set_mouse) return set_last_error(1);
    screen_auto_lock();
    screen->driver->set_mouse(x, y, visible);
    screen_auto_unlock();
    return 0;
}

void view_changed() {}

}  // namespace

void gfx_hooks_install() {
    console_hooks = ConsoleHooks{
        .get_key = gfx_poll_key_string,
        .wait_key = gfx_wait_key_code,
        .key_ready = gfx_key_available,
        .clear_screen = clear_screen,
        .set_colours = set_colours,
        .move_cursor = gfx_cursor_move,
        .set_text_size = set_text_size,
        .get_cursor_col = gfx_get_cursor_col,
        .get_cursor_row = gfx_get_cursor_row,
        .get_cursor_pos = gfx_get_cursor_pos,
        .get_text_size = gfx_get_text_size,
        .draw_text = gfx_print,
        .print_wide_text = gfx_print_wide,
        .read_text_line = read_text_line,
        .is_key_down = gfx_is_key_down,
        .read_mouse = read_mouse,
        .move_mouse = move_mouse,
        .port_in = port_in,
        .port_out = port_out,
        .view_changed = view_changed,
        .read_line = gfx_read_line,
        .read_line_wide = gfx_read_line,
        .read_cell = read_cell,
        .sleep_ms = gfx_sleep_or_key,
    };
}

}  // namespace pantalla::detail
