#include "gfx/text_draw.h"

#include <cstdlib>
#include <cstring>

#include "gfx/pixels.h"
#include "gfx/resources.h"
#include "gfx/screen.h"
#include "runtime/device.h"
#include "runtime/text_cursor.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

void store_cells(const TextView* view, const char* text, int32_t count) {
    TextCell* cells = screen->text_cells ? screen->text_cells[screen->work_page] : nullptr;
    if (!cells) return;
    TextCell* cell = cells + static_cast<size_t>(view->cursor_row) * screen->text_cols + view->cursor_col;
    for (int32_t i = 0; i < count; ++i)
        cell[i] = TextCell{static_cast<uint8_t>(text[i]), screen->fg_colour, screen->bg_colour};
}

// Draws whole glyph rows of an 8-pixel-wide font straight into the rows,
// one text row at a time: the pixels pixel_put would leave, much faster.
template <class Pixel>
void draw_glyph_rows(const FontDescriptor& font, const char* text, int32_t count, int32_t x, int32_t y) {
    const Pixel fg = static_cast<Pixel>(screen->fg_colour), bg = static_cast<Pixel>(screen->bg_colour);
    const int32_t h = font.glyph_height;
    for (int32_t r = 0; r < h; ++r) {
        Pixel* out = reinterpret_cast<Pixel*>(screen->rows[y + r]) + x;
        for (int32_t i = 0; i < count; ++i) {
            glyph_row_put(out, font.data[static_cast<uint8_t>(text[i]) * h + r], fg, bg);
            out += 8;
        }
    }
}

void draw_per_pixel(const FontDescriptor& font, const char* text, int32_t count, int32_t x, int32_t y) {
    const int32_t row_bytes = font_row_bytes(font);
    for (int32_t i = 0; i < count; ++i, x += font.glyph_width) {
        const uint8_t* glyph = font.data + static_cast<size_t>(static_cast<uint8_t>(text[i])) * font.glyph_height * row_bytes;
        for (int32_t r = 0; r < font.glyph_height; ++r)
            for (int32_t b = 0; b < font.glyph_width; ++b) {
                const bool set = (glyph[r * row_bytes + b / 8] >> (b % 8)) & 1;
                pixel_routines.pixel_put(x + b, y + r, set ? screen->fg_colour : screen->bg_colour);
            }
    }
}

int32_t write_with(TextView* view, const char* text, int32_t count, bool per_pixel) {
    const FontDescriptor& font = *screen->font;
    const int32_t x = view->cursor_col * font.glyph_width;
    const int32_t y = view->cursor_row * font.glyph_height;
    const bool deferred = !per_pixel && text_defer_write(view, count);
    if (font.glyph_height != 0 && !deferred) {
        if (per_pixel || font.glyph_width != 8)
            draw_per_pixel(font, text, count, x, y);
        else if (screen->bytes_per_pixel == 1)
            draw_glyph_rows<uint8_t>(font, text, count, x, y);
        else if (screen->bytes_per_pixel == 2)
            draw_glyph_rows<uint16_t>(font, text, count, x, y);
        else
            draw_glyph_rows<uint32_t>(font, text, count, x, y);
    }
    text_add_dirty_rows(view, y, y + font.glyph_height);
    store_cells(view, text, count);
    return 1;
}

TextCell* work_cells() { return screen->text_cells ? screen->text_cells[screen->work_page] : nullptr; }

}  // namespace

int32_t text_write(TextView* view, const char* text, int32_t count) { return write_with(view, text, count, false); }
int32_t text_write_per_pixel(TextView* view, const char* text, int32_t count) {
    return write_with(view, text, count, true);
}

void text_add_dirty_rows(TextView* view, int32_t first, int32_t end) {
    auto* range = static_cast<DirtyRange*>(view->device);
    if (range->first == range->end) {
        range->first = first;
        range->end = end;
        return;
    }
    if (first < range->first) range->first = first;
    if (end > range->end) range->end = end;
}

void text_scroll_cells(TextView* view, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t lines) {
    const int32_t band_rows = bottom - top + 1;
    int32_t freed_from = top;
    if (TextCell* cells = work_cells(); cells && lines < band_rows) {
        const size_t row_cells = static_cast<size_t>(screen->text_cols);
        for (int32_t row = top; row <= bottom - lines; ++row)
            std::memmove(cells + row * row_cells + left, cells + (row + lines) * row_cells + left,
                         static_cast<size_t>(right - left + 1) * sizeof(TextCell));
    }
    if (lines < band_rows) freed_from = bottom - lines + 1;
    text_blank(left, freed_from, right + 1, bottom + 1, screen->work_page, 32, screen->fg_colour, screen->bg_colour);
    view->cursor_row = bottom;
}

void text_blank(int32_t col_from, int32_t row_from, int32_t col_end, int32_t row_end, int32_t page, uint32_t code,
                uint32_t fg, uint32_t bg) {
    if (!screen || !screen->text_cells || !screen->text_cells[page]) return;
    TextCell* cells = screen->text_cells[page];
    for (int32_t row = row_from; row < row_end; ++row)
        for (int32_t col = col_from; col < col_end; ++col)
            cells[static_cast<size_t>(row) * screen->text_cols + col] = TextCell{code, fg, bg};
}

bool text_cells_reset(bool keep) {
    if (screen->text_cells) {
        for (int32_t p = 0; p < screen->page_count; ++p) std::free(screen->text_cells[p]);
        std::free(screen->text_cells);
        screen->text_cells = nullptr;
    }
    text_settle_forget();
    if (!keep) return true;
    const size_t count = static_cast<size_t>(screen->text_cols) * static_cast<size_t>(screen->text_rows);
    auto** buffers = static_cast<TextCell**>(std::calloc(static_cast<size_t>(screen->page_count), sizeof(TextCell*)));
    if (!buffers) return false;
    for (int32_t p = 0; p < screen->page_count; ++p) {
        buffers[p] = static_cast<TextCell*>(std::calloc(count ? count : 1, sizeof(TextCell)));
        if (!buffers[p]) {
            for (int32_t q = 0; q < p; ++q) std::free(buffers[q]);
            std::free(buffers);
            return false;
        }
    }
    screen->text_cells = buffers;
    text_blank(0, 0, screen->text_cols, screen->text_rows, screen->work_page, 32, screen->fg_colour,
               screen->bg_colour);
    return true;
}

int32_t gfx_print(const char* text, uint32_t length, uint32_t flags) {
    if (!screen) return 0;
    if (length == 0 && !(flags & kPrintSettleWrap)) return 0;
    screen_target_screen();
    screen_auto_lock();

    DirtyRange range{0, 0};
    int32_t cols = 0, first = 0, last = 0;
    console_size_get(&cols, nullptr);
    view_rows_get(&first, &last);
    TextView view{&range, text_scroll, text_write, 0, first - 1, cols - 1, last - 1, screen->cursor_col,
                  screen->cursor_row};
    bool pending = (screen->flags & kScreenWrapPending) != 0;
    text_view_print(&view, &pending, text, length);
    if (pending)
        screen->flags |= kScreenWrapPending;
    else
        screen->flags &= ~kScreenWrapPending;
    gfx_cursor_set(view.cursor_row, view.cursor_col);
    screen_mark_dirty(range.first, range.end);
    screen_auto_unlock();
    return 0;
}

int32_t gfx_print_wide(const uint16_t* text, uint32_t length, uint32_t flags) {
    // 16-bit units become bytes: up to 255 their own value, others "?"; a
    // surrogate pair is one character.
    char buffer[256];
    uint32_t n = 0, i = 0;
    int32_t result = 0;
    while (i < length) {
        const uint16_t u = text[i++];
        if (u >= 0xD800 && u <= 0xDBFF && i < length) ++i;
        buffer[n++] = u <= 255 ? static_cast<char>(u) : '?';
        if (n == sizeof buffer) {
            result = gfx_print(buffer, n, flags);
            n = 0;
        }
    }
    if (n || length == 0) result = gfx_print(buffer, n, flags);
    return result;
}

int32_t gfx_cursor_set(int32_t row, int32_t col) {
    if (row >= 0) screen->cursor_row = row;
    if (col >= 0) screen->cursor_col = col;
    return (screen->cursor_col & 255) | (screen->cursor_row & 255) << 8;
}

namespace {
// Under the screen lock: a display thread reads the cursor to place the
// terminal's own.
int32_t cursor_move_locked(int32_t row, int32_t col) {
    screen->flags &= ~kScreenWrapPending;
    const int32_t result = gfx_cursor_set(row - 1, col - 1);
    screen_device()->column = screen->cursor_col;
    return result + 0x101;
}
}  // namespace

int32_t gfx_cursor_move(int32_t row, int32_t col, int32_t) {
    if (!screen) return 0;
    screen_auto_lock();
    const int32_t result = cursor_move_locked(row, col);
    screen_auto_unlock();
    return result;
}

int32_t gfx_get_cursor_col() { return screen ? screen->cursor_col + 1 : 1; }
int32_t gfx_get_cursor_row() { return screen ? screen->cursor_row + 1 : 1; }
void gfx_get_cursor_pos(int32_t* col, int32_t* row) {
    if (col) *col = gfx_get_cursor_col();
    if (row) *row = gfx_get_cursor_row();
}
void gfx_get_text_size(int32_t* cols, int32_t* rows) {
    if (cols) *cols = screen ? screen->text_cols : 0;
    if (rows) *rows = screen ? screen->text_rows : 0;
}

}  // namespace pantalla::detail

void clear_screen(int32_t mode) {
    if (!screen) return;
    screen_target_screen();
    screen_auto_lock();
    text_settle();
    const bool whole_grid = view_top == 0 && view_bottom == screen->text_rows - 1;
    if (mode == kClearDefault) mode = (screen->flags & kScreenViewActive) ? 1 : whole_grid ? 0 : 2;
    const int32_t h = screen->font->glyph_height;
    auto centre_pen = [] {
        screen->pen_x = screen->clip_x + screen->clip_w / 2;
        screen->pen_y = screen->clip_y + screen->clip_h / 2;
    };
    auto fill_rows = [](int32_t first, int32_t end, int32_t x, int32_t width) {
        for (int32_t y = first; y < end; ++y)
            pixel_routines.pixels_fill(screen->rows[y] + static_cast<size_t>(x) * screen->bytes_per_pixel,
                                       screen->bg_colour, width);
        screen_mark_dirty(first, end);
    };
    int32_t top = 0, bottom = 0;
    view_rows_get(&top, &bottom);
    if (mode == 0) {
        fill_rows(0, screen->height, 0, screen->width);
        text_blank(0, 0, screen->text_cols, screen->text_rows, screen->work_page, 32, screen->fg_colour,
                   screen->bg_colour);
        cursor_move_locked(top, 1);
        centre_pen();
    } else if (mode == 2) {
        int32_t end = bottom * h;
        if (end > screen->height) end = screen->height;
        fill_rows((top - 1) * h, end, 0, screen->width);
        text_blank(0, top - 1, screen->text_cols, bottom, screen->work_page, 32, screen->fg_colour,
                   screen->bg_colour);
        cursor_move_locked(top, 1);
    } else {
        fill_rows(screen->clip_y, screen->clip_y + screen->clip_h, screen->clip_x, screen->clip_w);
        centre_pen();
    }
    screen_auto_unlock();
}

int32_t set_text_size(int32_t cols, int32_t rows) {
    if (!screen) return 0;
    const int32_t previous = screen->text_cols | screen->text_rows << 16;
    if (cols <= 0 && rows <= 0) return previous;
    const int32_t cell_w = cols > 0 ? screen->width / cols : screen->font->glyph_width;
    const int32_t cell_h = rows > 0 ? screen->height / rows : screen->font->glyph_height;
    const FontDescriptor* font = cell_w == 8 ? font_for_height(cell_h) : nullptr;
    if (!font) return previous;
    screen->font = font;
    // A number left out keeps the grid's size in that direction.
    if (cols > 0) screen->text_cols = cols;
    if (rows > 0) screen->text_rows = rows;
    text_cells_reset(true);
    screen->clip_x = screen->clip_y = 0;
    screen->clip_w = screen->width;
    screen->clip_h = screen->height;
    screen->flags &= ~kScreenViewActive;
    view_rows_change(0, 0, true);
    clear_screen(0);
    return previous;
}

int32_t read_cell(int32_t col, int32_t row, int32_t what) {
    if (!screen || col < 1 || row < 1 || col > screen->text_cols || row > screen->text_rows) return 0;
    const TextCell* cells = work_cells();
    if (!cells) return 0;
    const TextCell& cell = cells[static_cast<size_t>(row - 1) * screen->text_cols + (col - 1)];
    if (what == 0) return static_cast<int32_t>(cell.code);
    if (screen->depth <= 4) return static_cast<int32_t>(cell.fg + cell.bg * 16);
    if (screen->depth == 8) return static_cast<int32_t>(cell.fg + cell.bg * 256);
    return static_cast<int32_t>(what == 2 ? cell.bg : cell.fg);
}

