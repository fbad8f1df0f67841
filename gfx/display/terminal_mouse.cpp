#include "gfx/display/terminal_mouse.h"

#include <algorithm>

#include "gfx/display/window.h"

namespace pantalla::detail {

namespace {

// A reported position (pixels or cells) as a page coordinate along one
// axis; page_size or more, or -1, when off the page. Cells land in their
// middle.
int32_t to_page(int32_t reported, bool pixels, int32_t cell, int32_t glyph, int32_t origin, int32_t placed_at,
                int32_t placed_size, int32_t page_size) {
    const int32_t at = reported - 1;  // both forms count from 1
    if (placed_size > 0 && cell > 0) {
        const int64_t p = pixels ? at : static_cast<int64_t>(at) * cell + cell / 2;
        const int64_t from = p - placed_at;
        if (from < 0) return -1;
        return static_cast<int32_t>(std::min<int64_t>(from * page_size / placed_size, page_size));
    }
    if (pixels && cell > 0)
        return static_cast<int32_t>(static_cast<int64_t>(origin) * glyph + static_cast<int64_t>(at) * glyph / cell);
    return (origin + at) * glyph + glyph / 2;
}

}  // namespace

const char* term_mouse_modes_on(bool pixels) {
    return pixels ? "\x1b[?1000h\x1b[?1002h\x1b[?1003h\x1b[?1006h\x1b[?1016h"
                  : "\x1b[?1000h\x1b[?1002h\x1b[?1003h\x1b[?1006h";
}

void term_mouse_take(TermMouse& m, const TermEvent& e, const TermMouseLayout& l) {
    if (e.kind != TermEvent::mouse) return;
    const TermPlacement& p = l.placement;
    const bool placed = p.shown_width > 0 && p.shown_height > 0;
    m.x = to_page(e.col, l.pixels, l.cell_width, l.glyph_width, l.origin_col, p.left, placed ? p.shown_width : 0,
                  l.page_width);
    m.y = to_page(e.row, l.pixels, l.cell_height, l.glyph_height, l.origin_row, p.top, placed ? p.shown_height : 0,
                  l.page_height);
    m.inside = m.x >= 0 && m.y >= 0 && m.x < l.page_width && m.y < l.page_height;
    // Button code: 0 left, 1 middle, 2 right, 3 none; +32 motion, +64
    // wheel, +128 the extra buttons; 4, 8 and 16 are the modifiers.
    const uint32_t code = e.control_state, low = code & 3;
    if (code & 128) return;
    if (code & 64) {
        if (e.character == 'M' && low < 2) m.wheel += low == 0 ? 1 : -1;
        return;
    }
    static constexpr int32_t bits[4] = {kMouseLeft, kMouseMiddle, kMouseRight, 0};
    if (e.character == 'm')
        m.buttons &= ~bits[low];
    else if ((code & 32) && low == 3)
        m.buttons = 0;  // motion with nothing held
    else
        m.buttons |= bits[low];
}

}  // namespace pantalla::detail
