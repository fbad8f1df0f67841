// The mouse under the "Terminal" driver: the terminal's SGR reports, in
// cells or in pixels, turned into the page's pixels and buttons as a
// window reports them. No system calls.
#pragma once

#include <cstdint>

#include "console/term_decoder.h"
#include "gfx/display/terminal_caps.h"

namespace pantalla::detail {

// How the page lies over the terminal.
struct TermMouseLayout {
    int32_t page_width = 0, page_height = 0;    // the screen's pixels
    int32_t glyph_width = 0, glyph_height = 0;  // page pixels of one text cell
    int32_t origin_col = 0, origin_row = 0;     // the text cell shown at the terminal's top left
    int32_t cell_width = 0, cell_height = 0;    // terminal pixels of one cell; 0: unknown
    bool pixels = false;                        // the reports count pixels, not cells
    TermPlacement placement;                    // where the page stands when shown as pixels
};

struct TermMouse {
    int32_t x = 0, y = 0;  // page pixels
    int32_t buttons = 0;   // left 1, right 2, middle 4
    int32_t wheel = 0;     // +1 a notch away from the user
    bool inside = false;   // the last report was over the page
};

// The modes that turn the reports on: buttons, all motion, SGR form, and
// pixels where the terminal has them.
const char* term_mouse_modes_on(bool pixels);

// Takes a mouse report into `m`; other events leave it alone.
void term_mouse_take(TermMouse& m, const TermEvent& e, const TermMouseLayout& layout);

}  // namespace pantalla::detail
