// What the terminal the "Terminal" driver runs in can show, found once
// when the driver opens (or chosen by DNGFX_TERMINAL_GRAPHICS), and where
// the page's picture stands in it. No system calls.
#pragma once

#include <cstdint>

namespace pantalla::detail {

enum class TermGraphics : uint8_t { blocks, sixel, kitty };

struct TerminalCaps {
    TermGraphics graphics = TermGraphics::blocks;  // what the driver shows the page with
    bool sixel = false;                            // the device attributes list 4
    bool kitty = false;                            // the kitty graphics query was answered
    int32_t colour_registers = 0;                  // sixel colour registers; 0: not answered
    int32_t cell_width = 0, cell_height = 0;       // pixels of one cell; 0: unknown
    int32_t text_width = 0, text_height = 0;       // the text area in pixels; 0: unknown
};

// Where the page stands in the terminal's text area, in terminal pixels:
// the mouse's reports are turned back into page pixels with it.
struct TermPlacement {
    int32_t left = 0, top = 0;                   // the page's top-left corner
    int32_t shown_width = 0, shown_height = 0;  // what the whole page covers; 0: not shown as pixels
};

}  // namespace pantalla::detail
