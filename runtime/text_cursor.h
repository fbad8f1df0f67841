// The view rows that printing may use, the console's size, the cursor
// queries and the positioning statement. Statement coordinates are 1-based.
#pragma once

#include <cstdint>

namespace pantalla::detail {

// 0-based first and last view row; -1 until set or first read.
extern int32_t view_top;
extern int32_t view_bottom;

}  // namespace pantalla::detail

// The view rows, 1-based, resolving an unset row once.
void view_rows_get(int32_t* top, int32_t* bottom);
// Stores both rows (0-based) without checks.
void view_rows_set(int32_t top, int32_t bottom);
// The validated band setter: top | bottom << 16 (1-based), or 0 when refused.
int32_t view_rows_change(int32_t top, int32_t bottom, bool relocate);

// Text columns and rows of the current output; either pointer may be null.
void console_size_get(int32_t* cols, int32_t* rows);

// The cursor, 1-based.
int32_t cursor_col_get();
int32_t cursor_row_get();
void cursor_pos_get(int32_t* col, int32_t* row);

// Positions the cursor: row or column 0 keeps that coordinate; visibility
// -1 keeps, 0 hides, 1 shows. Returns the error code; `result` (may be
// null) receives what the back end returned, or 0 on refusal.
int32_t cursor_move(int32_t row, int32_t col, int32_t visibility, int32_t* result);
// As cursor_move, falling back to applying only the visibility.
int32_t place_cursor(int32_t row, int32_t col, int32_t visibility);

