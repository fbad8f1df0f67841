// Scrolling the text on the graphics screen.
//
// A scroll moves every pixel row of the text band: on an 800 x 600 screen
// at 16 bits that is nearly a megabyte for one line, so printing that
// scrolls line after line spent almost all its time moving pixels nobody
// had seen yet. So a scroll moves only the text cells and remembers how far
// the band's pixels are behind; text written into the band after it goes
// to the cells alone, with the columns it covered marked. text_settle()
// brings the pixels up to date in one go (one move of the band, then the
// marked cells drawn from their cells) before anything reads or draws
// pixels: the display passes, clear_screen, screen_lock and screen_pointer.
//
// This is exact because a glyph drawn by the fast writer covers its whole
// cell with foreground and background, so a cell's pixels are a function of
// its last write, and a freed row (cells of code 32 in the colours of its
// scroll) draws as the fill the scroll would have made, the blank glyph
// having no bits set.
#include <cstring>
#include <vector>

#include "gfx/pixels.h"
#include "gfx/resources.h"
#include "gfx/screen.h"
#include "gfx/text_draw.h"

namespace pantalla::detail {

namespace {

struct ColumnSpan {
    int32_t from = 0;
    int32_t end = 0;  // from == end: nothing to draw
};

struct PendingScroll {
    const ScreenContext* owner = nullptr;  // null: the pixels are up to date
    const uint8_t* page = nullptr;
    int32_t page_index = 0;
    int32_t left = 0, top = 0, right = 0, bottom = 0;  // the band, in cells
    int32_t lines = 0;  // how far the band's pixels are behind, at most its height
    std::vector<ColumnSpan> marks;  // per band row: cells to draw from their cells
};

PendingScroll pending;

void mark_dirty_band(int32_t top, int32_t bottom) {
    const int32_t h = screen->font->glyph_height;
    if (screen->pages[pending.page_index] == screen->visible_page)
        pixel_routines.row_fill(screen->dirty + top * h, 1, static_cast<size_t>((bottom - top + 1) * h));
}

bool blank_glyph(const FontDescriptor& font) {
    for (int32_t r = 0; r < font.glyph_height; ++r)
        if (font.data[32 * font.glyph_height + r]) return false;
    return true;
}

// Whether a scroll of this band on the work page can leave its pixels
// behind: the fast writer's font, cells to draw from, and nothing pending
// for another band or page.
// Whether what is pending belongs to this screen's work page as it is now.
bool pending_on_work_page() {
    return pending.owner == screen && pending.page_index == screen->work_page &&
           pending.page == screen->pages[screen->work_page];
}

bool can_defer(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const FontDescriptor& font = *screen->font;
    if (font.glyph_width != 8 || font.glyph_height <= 0 || !blank_glyph(font)) return false;
    if (!screen->text_cells || !screen->text_cells[screen->work_page]) return false;
    if (!pending.owner) return true;
    return pending_on_work_page() && pending.left == left && pending.top == top && pending.right == right &&
           pending.bottom == bottom;
}

uint8_t* page_row(int32_t y) {
    return screen->pages[pending.page_index] + static_cast<size_t>(y) * screen->pitch;
}

template <class Pixel>
void draw_cells(const TextCell* cells, int32_t from, int32_t end, int32_t y) {
    const FontDescriptor& font = *screen->font;
    const int32_t h = font.glyph_height;
    for (int32_t r = 0; r < h; ++r) {
        Pixel* out = reinterpret_cast<Pixel*>(page_row(y + r)) + from * 8;
        for (int32_t col = from; col < end; ++col) {
            const TextCell& cell = cells[col];
            glyph_row_put(out, font.data[static_cast<uint8_t>(cell.code) * h + r], static_cast<Pixel>(cell.fg),
                          static_cast<Pixel>(cell.bg));
            out += 8;
        }
    }
}

void draw_marked() {
    const TextCell* cells = screen->text_cells[pending.page_index];
    const int32_t h = screen->font->glyph_height;
    for (size_t i = 0; i < pending.marks.size(); ++i) {
        const ColumnSpan span = pending.marks[i];
        if (span.from >= span.end) continue;
        const int32_t row = pending.top + static_cast<int32_t>(i);
        const TextCell* line = cells + static_cast<size_t>(row) * screen->text_cols;
        if (screen->bytes_per_pixel == 1)
            draw_cells<uint8_t>(line, span.from, span.end, row * h);
        else if (screen->bytes_per_pixel == 2)
            draw_cells<uint16_t>(line, span.from, span.end, row * h);
        else
            draw_cells<uint32_t>(line, span.from, span.end, row * h);
    }
}

}  // namespace

void text_scroll_eager(TextView* view, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t lines) {
    const int32_t h = screen->font->glyph_height, w = screen->font->glyph_width;
    const int32_t band_top = top * h, band_height = (bottom - top + 1) * h;
    const int32_t pixels = (right - left + 1) * w;
    const int32_t shift = lines * h;
    uint8_t* const* rows = screen->rows;
    const size_t x = static_cast<size_t>(left) * w * screen->bytes_per_pixel;
    if (shift < band_height) {
        for (int32_t k = 0; k < band_height - shift; ++k)
            pixel_routines.pixels_copy(rows[band_top + k] + x, rows[band_top + shift + k] + x, pixels);
        for (int32_t k = band_height - shift; k < band_height; ++k)
            pixel_routines.pixels_fill(rows[band_top + k] + x, screen->bg_colour, pixels);
    } else {
        for (int32_t k = 0; k < band_height; ++k) pixel_routines.pixels_fill(rows[band_top + k] + x, screen->bg_colour, pixels);
    }
    text_add_dirty_rows(view, band_top, band_top + band_height);
    text_scroll_cells(view, left, top, right, bottom, lines);
}

void text_scroll(TextView* view, int32_t left, int32_t top, int32_t right, int32_t bottom, int32_t lines) {
    if (!can_defer(left, top, right, bottom)) {
        text_settle();
        text_scroll_eager(view, left, top, right, bottom, lines);
        return;
    }
    const int32_t band_rows = bottom - top + 1;
    if (!pending.owner) {
        pending.owner = screen;
        pending.page_index = screen->work_page;
        pending.page = screen->pages[screen->work_page];
        pending.left = left;
        pending.top = top;
        pending.right = right;
        pending.bottom = bottom;
        pending.lines = 0;
        pending.marks.assign(static_cast<size_t>(band_rows), ColumnSpan{});
    }
    if (lines > band_rows) lines = band_rows;
    pending.lines = pending.lines + lines > band_rows ? band_rows : pending.lines + lines;
    // The marks move with their cells; the freed rows are drawn whole.
    for (int32_t i = 0; i < band_rows; ++i)
        pending.marks[static_cast<size_t>(i)] =
            i + lines < band_rows ? pending.marks[static_cast<size_t>(i + lines)] : ColumnSpan{left, right + 1};
    const int32_t h = screen->font->glyph_height;
    text_add_dirty_rows(view, top * h, (bottom + 1) * h);
    text_scroll_cells(view, left, top, right, bottom, lines);
}

bool text_defer_write(const TextView* view, int32_t count) {
    if (!pending.owner) return false;
    const int32_t col = view->cursor_col, row = view->cursor_row;
    if (pending_on_work_page() && !(screen->flags & kScreenToImage) && screen->font->glyph_width == 8 &&
        row >= pending.top && row <= pending.bottom && col >= pending.left && col + count <= pending.right + 1) {
        ColumnSpan& span = pending.marks[static_cast<size_t>(row - pending.top)];
        if (span.from >= span.end) {
            span = ColumnSpan{col, col + count};
        } else {
            if (col < span.from) span.from = col;
            if (col + count > span.end) span.end = col + count;
        }
        return true;
    }
    text_settle();
    return false;
}

void text_settle() {
    if (!pending.owner) return;
    if (pending.owner != screen || !screen || pending.page != screen->pages[pending.page_index] ||
        !screen->text_cells || !screen->text_cells[pending.page_index]) {
        text_settle_forget();
        return;
    }
    const int32_t h = screen->font->glyph_height;
    const int32_t band_top = pending.top * h, band_height = (pending.bottom - pending.top + 1) * h;
    const int32_t shift = pending.lines * h;
    const int32_t pixels = (pending.right - pending.left + 1) * 8;
    const size_t x = static_cast<size_t>(pending.left) * 8 * screen->bytes_per_pixel;
    // Rows the pixels still hold move up; the rows below them are all marked.
    for (int32_t k = 0; k < band_height - shift; ++k)
        pixel_routines.pixels_copy(page_row(band_top + k) + x, page_row(band_top + shift + k) + x, pixels);
    draw_marked();
    mark_dirty_band(pending.top, pending.bottom);
    text_settle_forget();
}

bool text_settle_pending() { return pending.owner != nullptr; }

void text_settle_forget() {
    if (!pending.owner) return;  // a screen being set up: its driver's thread may be looking
    pending.owner = nullptr;
    pending.page = nullptr;
    pending.marks.clear();
}

}  // namespace pantalla::detail
