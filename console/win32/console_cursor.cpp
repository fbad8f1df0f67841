#include "console/console.h"
#include "console/win32/console_state.h"

namespace pantalla::detail {

// Rows count from the top of the console area (the window's top row as
// last read), columns from the buffer's left edge.

void console_cursor_pos(int32_t* col, int32_t* row) {
    int32_t c = 1, r = 1;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (console_area_present() && GetConsoleScreenBufferInfo(console_output_handle(), &info)) {
        c = info.dwCursorPosition.X - console_area.left + 1;
        r = info.dwCursorPosition.Y - console_area.top + 1;
    }
    if (col) *col = c;
    if (row) *row = r;
}

int32_t console_move_cursor(int32_t row, int32_t col, int32_t visibility) {
    const HANDLE out = console_output_handle();
    console_area_ensure();
    int32_t target_col = col, target_row = row;
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (out && GetConsoleScreenBufferInfo(out, &info)) {
        int32_t x = col ? console_area.left + col - 1 : info.dwCursorPosition.X;
        int32_t y = row ? console_area.top + row - 1 : info.dwCursorPosition.Y;
        x = x < 0 ? 0 : x >= info.dwSize.X ? info.dwSize.X - 1 : x;
        y = y < 0 ? 0 : y >= info.dwSize.Y ? info.dwSize.Y - 1 : y;
        if (row || col)
            SetConsoleCursorPosition(out, COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)});
        target_col = x - console_area.left + 1;
        target_row = y - console_area.top + 1;
    }
    // Only a change of place settles a pending wrap; a visibility change
    // alone leaves the cursor parked on the last cell.
    if (row || col) console_wrap_pending = false;

    int32_t visible_before = 0;
    CONSOLE_CURSOR_INFO cursor;
    if (out && GetConsoleCursorInfo(out, &cursor)) {
        visible_before = cursor.bVisible ? 0x10000 : 0;
        if (visibility != -1) {
            cursor.bVisible = visibility != 0;
            SetConsoleCursorInfo(out, &cursor);
        }
    }
    return (target_col & 0xFF) | (target_row & 0xFF) << 8 | visible_before;
}

}  // namespace pantalla::detail
