// Text on the graphics screen: the print operation, the walk's write and
// scroll operations, the shadow cells of every page, and the text slots.
#pragma once

#include <cstdint>

#include "runtime/text_view.h"

// The framebuffer rows touched by one print call, end exclusive.
struct DirtyRange {
    int32_t first;
    int32_t end;
};

int32_t gfx_print(const char* text, uint32_t length, uint32_t flags);
int32_t gfx_print_wide(const uint16_t* text, uint32_t length, uint32_t flags);

int32_t text_write(TextView* view, const char* text, int32_t count);
void text_scroll(TextView* view, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t lines);

// The same write, one pixel at a time through pixel_put: the reference
// that the row-at-a-time writer must match.
int32_t text_write_per_pixel(TextView* view, const char* text, int32_t count);

// Sets columns col_from..col_end-1 of rows row_from..row_end-1 of a page's
// cells.
void text_blank(int32_t col_from, int32_t row_from, int32_t col_end, int32_t row_end, int32_t page,
                uint32_t code, uint32_t fg, uint32_t bg);
// Frees the cell buffers; with keep, allocates new zero ones for every page
// and blanks the work page's. False when memory could not be had (the
// screen then has no cells).
bool text_cells_reset(bool keep);

// 0-based; a negative coordinate is kept. Returns col & 255 | (row & 255) << 8.
int32_t gfx_cursor_set(int32_t row, int32_t col);
// The cursor-positioning slot, 1-based (0 keeps); clears a pending wrap.
int32_t gfx_cursor_move(int32_t row, int32_t col, int32_t visibility);

int32_t gfx_get_cursor_col();
int32_t gfx_get_cursor_row();
void gfx_get_cursor_pos(int32_t* col, int32_t* row);
void gfx_get_text_size(int32_t* cols, int32_t* rows);

constexpr int32_t kClearDefault = static_cast<int32_t>(0xFFFF0000u);
void clear_screen(int32_t mode);
int32_t set_text_size(int32_t cols, int32_t rows);
int32_t read_cell(int32_t col, int32_t row, int32_t what);
