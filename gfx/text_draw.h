// Text on the graphics screen: the print operation, the walk's write and
// scroll operations, the shadow cells of every page, and the text slots.
#pragma once

#include <cstdint>

#include "runtime/text_view.h"

namespace pantalla::detail {

// The framebuffer rows touched by one print call, end exclusive.
struct DirtyRange {
    int32_t first;
    int32_t end;
};

int32_t gfx_print(const char* text, uint32_t length, uint32_t flags);
int32_t gfx_print_wide(const uint16_t* text, uint32_t length, uint32_t flags);

int32_t text_write(TextView* view, const char* text, int32_t count);
// Scrolls the band's cells at once and its pixels when text_settle() runs
// (gfx/text_scroll.cpp says why); text_scroll_eager moves the pixels at
// once, the reference the deferred scroll must match.
void text_scroll(TextView* view, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t lines);
void text_scroll_eager(TextView* view, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t lines);
// Brings the pixels of a deferred scroll, and the text written after it, up
// to date and marks the band dirty. Call under the screen lock before
// reading or drawing pixels; cheap when nothing is pending.
void text_settle();
// Whether text_settle has pixels to bring up to date.
bool text_settle_pending();
// Drops a deferred scroll whose pixels no longer matter (cells reset,
// screen closed).
void text_settle_forget();

// For the writers and the scrolls: widens the print's dirty range; moves a
// band's cells up `lines` rows and blanks the freed ones; whether a write
// of `count` cells at the view's cursor goes to the cells alone, marked to
// be drawn when the pending scroll settles (settles first when it cannot).
void text_add_dirty_rows(TextView* view, int32_t first, int32_t end);
// One row of an 8-pixel-wide glyph: bit b set is pixel b in `fg`.
template <class Pixel>
inline void glyph_row_put(Pixel* out, uint8_t bits, Pixel fg, Pixel bg) {
    for (int32_t b = 0; b < 8; ++b) out[b] = (bits >> b) & 1 ? fg : bg;
}
void text_scroll_cells(TextView* view, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t lines);
bool text_defer_write(const TextView* view, int32_t count);

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

}  // namespace pantalla::detail

void clear_screen(int32_t mode);
int32_t set_text_size(int32_t cols, int32_t rows);
int32_t read_cell(int32_t col, int32_t row, int32_t what);

