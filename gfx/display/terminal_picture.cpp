#include "gfx/display/terminal_picture.h"

#include <algorithm>
#include <cstring>

#include "gfx/resources.h"
#include "gfx/screen.h"
#include "gfx/text_draw.h"

namespace pantalla::detail {

namespace {

uint32_t pixel_at(const ScreenContext& s, int32_t x, int32_t y) {
    const uint8_t* row = s.visible_page + static_cast<size_t>(y) * s.pitch;
    switch (s.bytes_per_pixel) {
        case 1: return row[x];
        case 2: {
            uint16_t v;
            std::memcpy(&v, row + 2 * x, 2);
            return v;
        }
        default: {
            uint32_t v;
            std::memcpy(&v, row + 4 * static_cast<size_t>(x), 4);
            return v;
        }
    }
}

// A colour value as the page stores it: the text writer casts it to the
// pixel's width.
uint32_t as_pixel(const ScreenContext& s, uint32_t value) {
    return s.bytes_per_pixel >= 4 ? value : value & ((1u << (8 * s.bytes_per_pixel)) - 1);
}

int32_t visible_page_index(const ScreenContext& s) {
    for (int32_t p = 0; p < s.page_count; ++p)
        if (s.pages[p] == s.visible_page) return p;
    return 0;
}

// The average colour of pixel rows y0..y1-1 of a cell.
uint32_t average(const ScreenContext& s, int32_t x0, int32_t y0, int32_t w, int32_t y1) {
    uint32_t r = 0, g = 0, b = 0, n = 0;
    for (int32_t y = y0; y < y1; ++y)
        for (int32_t x = x0; x < x0 + w; ++x, ++n) {
            const uint32_t c = screen_colour_rgb(s, pixel_at(s, x, y));
            r += c >> 16 & 0xFF;
            g += c >> 8 & 0xFF;
            b += c & 0xFF;
        }
    if (n == 0) return 0;
    return (r / n) << 16 | (g / n) << 8 | b / n;
}

}  // namespace

uint32_t screen_colour_rgb(const ScreenContext& s, uint32_t value) {
    if (s.depth <= 8) {
        const uint32_t e = s.palette[value & 0xFF];  // red in the low byte
        return (e & 0xFF) << 16 | (e & 0xFF00) | (e >> 16 & 0xFF);
    }
    if (s.depth == 16) {
        const uint32_t r = value >> 11 & 0x1F, g = value >> 5 & 0x3F, b = value & 0x1F;
        return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
    }
    return value & 0xFFFFFF;
}

TermCell TerminalPicture::cell_at(const ScreenContext& s, const TextCell* text, int32_t col, int32_t row) const {
    const TextCell& t = text[static_cast<size_t>(row) * s.text_cols + col];
    const uint32_t code = t.code & 0xFF;
    const TermCell as_text{code, screen_colour_rgb(s, t.fg), screen_colour_rgb(s, t.bg)};
    const FontDescriptor* font = s.font;
    if (!font || !font->data || font->glyph_width <= 0 || font->glyph_height <= 0) return as_text;
    const int32_t w = font->glyph_width, h = font->glyph_height;
    const int32_t x0 = col * w, y0 = row * h;
    if (x0 + w > s.width || y0 + h > s.height) return as_text;
    const int32_t row_bytes = font_row_bytes(*font);
    const uint8_t* glyph = font->data + static_cast<size_t>(code) * h * row_bytes;
    const uint32_t fg = as_pixel(s, t.fg), bg = as_pixel(s, t.bg);
    bool drawn_as_text = true;
    for (int32_t y = 0; drawn_as_text && y < h; ++y)
        for (int32_t x = 0; x < w; ++x) {
            const bool set = (glyph[y * row_bytes + x / 8] >> (x % 8)) & 1;
            if (pixel_at(s, x0 + x, y0 + y) != (set ? fg : bg)) {
                drawn_as_text = false;
                break;
            }
        }
    if (drawn_as_text) return as_text;
    return TermCell{kHalfBlockGlyph, average(s, x0, y0, w, y0 + h / 2), average(s, x0, y0 + h / 2, w, y0 + h)};
}

bool TerminalPicture::update(ScreenContext& s, bool everything) {
    if (&s == screen) text_settle();  // a scroll may have left the pixels behind
    if (!s.text_cells || s.text_cols <= 0 || s.text_rows <= 0 || !s.font) return false;
    const TextCell* text = s.text_cells[visible_page_index(s)];
    if (!text) return false;
    if (s.text_cols != cols_ || s.text_rows != rows_) {
        cols_ = s.text_cols;
        rows_ = s.text_rows;
        cells_.assign(static_cast<size_t>(cols_) * rows_, TermCell{});
        everything = true;
    }
    if (s.visible_page != page_ || std::memcmp(palette_, s.palette, sizeof palette_) != 0) everything = true;
    page_ = s.visible_page;
    std::memcpy(palette_, s.palette, sizeof palette_);
    const int32_t h = std::max(s.font->glyph_height, 1);
    for (int32_t row = 0; row < rows_; ++row) {
        const int32_t y0 = row * h, y1 = std::min((row + 1) * h, s.height);
        const bool dirty = y0 < y1 && std::any_of(s.dirty + y0, s.dirty + y1, [](uint8_t d) { return d != 0; });
        if (!everything && !dirty) continue;
        for (int32_t col = 0; col < cols_; ++col)
            cells_[static_cast<size_t>(row) * cols_ + col] = cell_at(s, text, col, row);
    }
    std::memset(s.dirty, 0, static_cast<size_t>(s.height) * std::max(s.scale, 1));
    return true;
}

TermPicture TerminalPicture::picture(const ScreenContext& s, bool cursor_shown) const {
    return TermPicture{cols_, rows_, cells_.data(), s.cursor_col, s.cursor_row, cursor_shown};
}

}  // namespace pantalla::detail
