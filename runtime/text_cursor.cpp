#include "runtime/text_cursor.h"

#include "console/console.h"
#include "runtime/console_hooks.h"
#include "runtime/context.h"
#include "runtime/device.h"

using namespace pantalla::detail;

namespace pantalla::detail {

int32_t view_top = -1;
int32_t view_bottom = -1;

namespace {

int32_t console_rows_or(int32_t fallback) {
    int32_t rows = 0;
    console_size_get(nullptr, &rows);
    return rows != 0 ? rows : fallback;
}

}  // namespace

}  // namespace pantalla::detail

void console_size_get(int32_t* cols, int32_t* rows) {
    if (console_hooks.get_text_size) {
        console_hooks.get_text_size(cols, rows);
        return;
    }
    int32_t c = 80, r = 25;
    console_text_size(&c, &r);
    if (cols) *cols = c;
    if (rows) *rows = r;
}

void view_rows_get(int32_t* top, int32_t* bottom) {
    if (view_top == -1) view_top = 0;
    if (view_bottom == -1) view_bottom = console_rows_or(25) - 1;
    if (top) *top = view_top + 1;
    if (bottom) *bottom = view_bottom + 1;
}

void view_rows_set(int32_t top, int32_t bottom) {
    view_top = top;
    view_bottom = bottom;
}

int32_t view_rows_change(int32_t top, int32_t bottom, bool relocate) {
    const int32_t rows = console_rows_or(25);
    int32_t current_top = 0, current_bottom = 0;
    view_rows_get(&current_top, &current_bottom);
    bool changed = false;
    if (top >= 1) {
        changed = true;
    } else if (top == 0) {
        top = 1;
        changed = true;
    } else {
        top = current_top;
    }
    if (bottom >= 1) {
        changed = true;
    } else if (bottom == 0) {
        bottom = rows;
        changed = true;
    } else {
        bottom = current_bottom;
    }
    if (top > bottom || top <= 0 || bottom <= 0 || top > rows || bottom > rows) return 0;
    if (changed) {
        view_top = top - 1;
        view_bottom = bottom - 1;
        if (console_hooks.view_changed)
            console_hooks.view_changed();
        else
            console_refresh();
        if (relocate) place_cursor(top, 1, -1);
    }
    return top | bottom << 16;
}

int32_t cursor_col_get() {
    if (console_hooks.get_cursor_col) return console_hooks.get_cursor_col();
    int32_t col = 1;
    console_cursor_pos(&col, nullptr);
    return col;
}

int32_t cursor_row_get() {
    if (console_hooks.get_cursor_row) return console_hooks.get_cursor_row();
    int32_t row = 1;
    console_cursor_pos(nullptr, &row);
    return row;
}

void cursor_pos_get(int32_t* col, int32_t* row) {
    if (console_hooks.get_cursor_pos) {
        console_hooks.get_cursor_pos(col, row);
        return;
    }
    int32_t c = 1, r = 1;
    console_cursor_pos(&c, &r);
    if (col) *col = c;
    if (row) *row = r;
}

int32_t cursor_move(int32_t row, int32_t col, int32_t visibility, int32_t* result) {
    set_last_error(0);
    int32_t first = 0, last = 0, cols = 0;
    view_rows_get(&first, &last);
    console_size_get(&cols, nullptr);
    const bool row_ok = row == 0 || (row >= first && row <= last);
    const bool col_ok = col == 0 || (col >= 1 && col <= cols);
    if (!row_ok || !col_ok) {
        if (result) *result = 0;
        return set_last_error(1);
    }
    DeviceRecord* screen = screen_device();
    const int32_t answer = console_hooks.move_cursor
                               ? console_hooks.move_cursor(row, col, visibility)
                               : console_move_cursor(row, col, visibility);
    if (result) *result = answer;
    if (col != 0) screen->column = col - 1;
    return 0;
}

int32_t place_cursor(int32_t row, int32_t col, int32_t visibility) {
    int32_t result = 0;
    if (cursor_move(row, col, visibility, &result) != 0) cursor_move(0, 0, visibility, &result);
    return result;
}

