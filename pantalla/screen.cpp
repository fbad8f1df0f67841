// The screen, its pages, colours and the text cursor and view.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>

#include "gfx/colours.h"
#include "gfx/screen.h"
#include "gfx/text_draw.h"
#include "pantalla/start.h"
#include "runtime/console_hooks.h"
#include "runtime/context.h"
#include "runtime/keys.h"
#include "runtime/random.h"
#include "runtime/text_cursor.h"
#include "runtime/text_view.h"

namespace pantalla {

using detail::ensure_started;
using detail::status;

Error open(Mode mode, int depth, int pages, int flags) {
    ensure_started();
    screen_open(static_cast<int32_t>(mode), depth, pages, flags, 0);
    return status(last_error());
}

Error open(int width, int height, int depth, int pages, int flags) {
    ensure_started();
    screen_open_size(width, height, depth, pages, flags, 0);
    return status(last_error());
}

void close() {
    ensure_started();
    screen_open(0, 0, 0, 0, 0);
}

bool is_open() { return ::screen != nullptr; }
int width() { return ::screen ? ::screen->width : 0; }
int height() { return ::screen ? ::screen->height : 0; }
int depth() { return ::screen ? ::screen->depth : 0; }

void title(std::string_view text) { screen_set_title(std::string(text).c_str()); }

Error pages(int work, int visible) { return status(screen_pages_set(work, visible)); }

Error copy_page(int from, int to) { return status(screen_page_copy(from, to)); }

void frame(double per_second) {
    ensure_started();
    // The next tick after the previous one; after a long pause (or at the
    // first frame) the clock starts again from now instead of racing.
    static double next = 0;
    const double step = per_second > 0 ? 1 / per_second : 0;
    const double now = timer_seconds();
    next = (next == 0 || now - next > 0.25) ? now + step : next + step;
    const double wait = next - now;
    if (wait > 0) sleep_or_key(static_cast<int32_t>(std::lround(wait * 1000)));
}

Error locate(int row, int column) {
    ensure_started();
    return status(cursor_move(row, column, -1, nullptr));
}

Error show_cursor(bool shown) {
    ensure_started();
    return status(cursor_move(0, 0, shown ? 1 : 0, nullptr));
}

int cursor_row() {
    ensure_started();
    return cursor_row_get();
}

int cursor_column() {
    ensure_started();
    return cursor_col_get();
}

int text_columns() {
    int32_t cols = 0;
    console_size_get(&cols, nullptr);
    return cols;
}

int text_rows() {
    int32_t rows = 0;
    console_size_get(nullptr, &rows);
    return rows;
}

Error text_size(int columns, int rows) {
    if (!console_hooks.set_text_size) return status(set_last_error(1));
    return status(console_hooks.set_text_size(columns, rows));
}

Error text_view(int top, int bottom) {
    ensure_started();
    if (top < 1 || bottom < 1) return status(set_last_error(1));
    return status(set_last_error(view_rows_change(top, bottom, true) ? 0 : 1));
}

Error reset_text_view() {
    ensure_started();
    return status(set_last_error(view_rows_change(0, 0, true) ? 0 : 1));
}

Error cls() {
    if (!console_hooks.clear_screen) return status(set_last_error(1));
    console_hooks.clear_screen(kClearDefault);
    return status(set_last_error(0));
}

void beep() { text_beep(); }

Error colour(Colour foreground, Colour background) {
    if (!console_hooks.set_colours) return status(set_last_error(1));
    // set_colours keeps a colour given as a negative number, so an opacity
    // from 128 up would read as "keep": the opacity goes instead.
    auto arg = [](Colour c) { return c < 0 ? -1 : static_cast<int32_t>(c > INT32_MAX ? c & 0xFFFFFF : c); };
    console_hooks.set_colours(arg(foreground), arg(background));
    return status(set_last_error(0));
}

namespace {

bool palette_entry(int index) { return ::screen && ::screen->depth <= 8 && index >= 0 && index < (1 << ::screen->depth); }

}  // namespace

Error palette(int index, int red, int green, int blue) {
    if (!palette_entry(index)) return status(set_last_error(1));
    palette_set(index, std::clamp(red, 0, 255), std::clamp(green, 0, 255), std::clamp(blue, 0, 255));
    return status(set_last_error(0));
}

Error palette(int index, int mode_colour) {
    if (!palette_entry(index) || mode_colour < 0) return status(set_last_error(1));
    palette_set(index, mode_colour, -1, -1);
    return status(set_last_error(0));
}

Error reset_palette() {
    if (!::screen || ::screen->depth > 8) return status(set_last_error(1));
    palette_set(-1, 0, -1, -1);
    return status(set_last_error(0));
}

double timer() { return timer_seconds(); }

void randomize(double seed) { random_seed(seed); }

double rnd() { return random_value(1); }

int random(int low, int high) {
    if (high < low) std::swap(low, high);
    const double span = static_cast<double>(high) - low + 1;
    return static_cast<int>(low + std::floor(random_value(1) * span));
}

}  // namespace pantalla
