// The text console of a page: an 80 x 25 grid of code page 437 cells that
// the page script draws on the canvas while no graphics screen is open,
// and keys from the page's events.
#include <emscripten.h>

#include <array>
#include <string>
#include <type_traits>

#include "console/console.h"
#include "console/console_input.h"
#include "console/cp437.h"
#include "console/web/web_events.h"
#include "runtime/key_codes.h"
#include "runtime/text_cursor.h"
#include "runtime/text_view.h"

namespace pantalla::detail {

namespace {

constexpr int32_t kCols = 80, kRows = 25;

struct Grid {
    std::array<std::array<uint8_t, kCols>, kRows> cells{};
    std::array<bool, kRows> changed{};
    int32_t cursor_col = 0, cursor_row = 0;
    bool cursor_visible = true;
    bool wrap_pending = false;
    bool closed = false;  // the page went away: the close code stays offered
};
Grid grid;

EM_JS(void, page_text_row, (int row, const char* text, int cursor_col), {
    if (Module.diceTextRow) Module.diceTextRow(row, UTF8ToString(text), cursor_col);
});

void show_changed_rows() {
    std::string text;
    for (int32_t row = 0; row < kRows; ++row) {
        const bool cursor_here = grid.cursor_visible && row == grid.cursor_row;
        if (!grid.changed[row] && !cursor_here) continue;
        grid.changed[row] = false;
        text.clear();
        for (uint8_t c : grid.cells[row]) {
            char utf8[4];
            text.append(utf8, static_cast<size_t>(utf8_encode(c ? cp437_to_unicode(c) : U' ', utf8)));
        }
        page_text_row(row, text.c_str(), cursor_here ? grid.cursor_col : -1);
    }
}

void mark_cursor_row() { grid.changed[grid.cursor_row] = true; }

template <class Char>
int32_t write_cells(TextViewOf<Char>* view, const Char* text, int32_t count) {
    auto& row = grid.cells[view->cursor_row];
    for (int32_t i = 0; i < count && view->cursor_col + i < kCols; ++i) {
        const uint32_t c = static_cast<std::make_unsigned_t<Char>>(text[i]);
        row[view->cursor_col + i] = c < 256 ? static_cast<uint8_t>(c) : static_cast<uint8_t>('?');
    }
    grid.changed[view->cursor_row] = true;
    return 1;
}

template <class Char>
void scroll_rows(TextViewOf<Char>* view, int32_t left, int32_t top, int32_t right, int32_t bottom,
                 int32_t lines) {
    for (int32_t row = top; row <= bottom; ++row) {
        for (int32_t col = left; col <= right; ++col)
            grid.cells[row][col] = row + lines <= bottom ? grid.cells[row + lines][col] : 0;
        grid.changed[row] = true;
    }
    view->cursor_row = bottom;
}

template <class Char>
void print_grid(const Char* text, uint32_t length) {
    int32_t first = 1, last = kRows;
    view_rows_get(&first, &last);
    if (last > kRows) last = kRows;
    if (first > last) first = last;
    mark_cursor_row();
    TextViewOf<Char> view{nullptr,   scroll_rows<Char>, write_cells<Char>, 0,
                          first - 1, kCols - 1,         last - 1,          grid.cursor_col,
                          grid.cursor_row};
    text_view_print(&view, &grid.wrap_pending, text, length);
    grid.cursor_col = view.cursor_col < kCols ? view.cursor_col : kCols - 1;
    grid.cursor_row = view.cursor_row < kRows ? view.cursor_row : kRows - 1;
    show_changed_rows();
}

}  // namespace

int32_t console_print_text(const char* bytes, uint32_t length, uint32_t flags) {
    if (length == 0 && !(flags & kPrintSettleWrap)) return 0;
    print_grid(bytes, length);
    return 0;
}

int32_t console_print_text_wide(const uint16_t* text, uint32_t count, uint32_t flags) {
    if (count == 0 && !(flags & kPrintSettleWrap)) return 0;
    print_grid(text, count);
    return 0;
}

void console_text_size(int32_t* cols, int32_t* rows) {
    if (cols) *cols = kCols;
    if (rows) *rows = kRows;
}

void console_cursor_pos(int32_t* col, int32_t* row) {
    if (col) *col = grid.cursor_col + 1;
    if (row) *row = grid.cursor_row + 1;
}

int32_t console_move_cursor(int32_t row, int32_t col, int32_t visibility) {
    const bool was_visible = grid.cursor_visible;
    mark_cursor_row();
    if (row > 0) grid.cursor_row = row <= kRows ? row - 1 : kRows - 1;
    if (col > 0) grid.cursor_col = col <= kCols ? col - 1 : kCols - 1;
    grid.wrap_pending = false;
    grid.cursor_visible = visibility == -1 ? was_visible : visibility != 0;
    mark_cursor_row();
    show_changed_rows();
    return ((grid.cursor_col + 1) & 0xFF) | ((grid.cursor_row + 1) & 0xFF) << 8 | (was_visible ? 0x10000 : 0);
}

void console_refresh() {
    grid.changed.fill(true);
    show_changed_rows();
}

// Takes no more events than the queue has room for: the rest of a long
// paste waits in the page's queue instead of pushing typed keys out.
void pump_console_input() {
    if (web_take_state().closed) grid.closed = true;
    WebEvent e{};
    while (console_queue_room() > 1 && web_next_event(&e, true)) {
        if (e.kind == WebEvent::key_up) continue;
        const WebKey k = web_key_of(e);
        const int32_t code = translate_key_event(k.character, k.scan_code, k.virtual_key, k.control_state, 0);
        if (code > 0) console_queue_push(code);
    }
    if (grid.closed && console_queue_empty()) console_queue_push(kCloseKey);
}

void console_wait_input(int32_t ms) {
    if (!console_queue_empty()) ms = 0;
    web_wait_events(ms);
}

}  // namespace pantalla::detail
