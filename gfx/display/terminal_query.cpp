#include "gfx/display/terminal_query.h"

#include <strings.h>

#include <cstring>

namespace pantalla::detail {

bool term_query_wanted(const char* term, const char* tmux) {
    if (tmux && *tmux) return false;
    if (!term) return true;
    return std::strncmp(term, "screen", 6) != 0 && std::strncmp(term, "tmux", 4) != 0 &&
           std::strcmp(term, "linux") != 0;
}

std::string term_query_bytes() {
    return
        // A one-pixel image that is only checked, never stored; terminals
        // without the protocol ignore the whole string.
        "\x1b_Gi=31,s=1,v=1,a=q,t=d,f=24;AAAA\x1b\\"
        "\x1b[16t"            // a cell in pixels
        "\x1b[14t"            // the text area in pixels
        "\x1b[?1;1;0S"        // the number of sixel colour registers
        "\x1b[?1016$p"        // whether mouse reports come in pixels
        "\x1b[c";
}

bool term_query_take(TermQuery& q, const TermEvent& e) {
    TerminalCaps& c = q.caps;
    switch (e.kind) {
        case TermEvent::attributes:
            c.sixel = e.col != 0;
            q.finished = true;
            return true;
        case TermEvent::colour_registers: c.colour_registers = e.col; return true;
        case TermEvent::cell_pixels:
            c.cell_width = e.col;
            c.cell_height = e.row;
            return true;
        case TermEvent::text_pixels:
            c.text_width = e.col;
            c.text_height = e.row;
            return true;
        case TermEvent::kitty_graphics: c.kitty = e.col != 0; return true;
        case TermEvent::mode_report:
            // 1 set, 2 reset, 3 and 4 permanently so: known either way.
            if (e.row == 1016) q.mouse_pixels = e.col == 1 || e.col == 2;
            return true;
        default: return false;
    }
}

void term_query_fill_sizes(TerminalCaps& c, int32_t cols, int32_t rows, int32_t xpixel, int32_t ypixel) {
    if (c.text_width <= 0 || c.text_height <= 0) {
        c.text_width = xpixel > 0 && ypixel > 0 ? xpixel : 0;
        c.text_height = xpixel > 0 && ypixel > 0 ? ypixel : 0;
    }
    if ((c.cell_width <= 0 || c.cell_height <= 0) && c.text_width > 0 && cols > 0 && rows > 0) {
        c.cell_width = c.text_width / cols;
        c.cell_height = c.text_height / rows;
    }
}

bool term_graphics_from_name(const char* name, TermGraphics* graphics) {
    if (!name) return false;
    static constexpr struct {
        const char* name;
        TermGraphics graphics;
    } names[] = {{"blocks", TermGraphics::blocks}, {"sixel", TermGraphics::sixel}, {"kitty", TermGraphics::kitty}};
    for (const auto& n : names)
        if (strcasecmp(name, n.name) == 0) {
            *graphics = n.graphics;
            return true;
        }
    return false;
}

TermGraphics term_graphics_choose(const TerminalCaps& caps, const char* override_name) {
    TermGraphics chosen = TermGraphics::blocks;
    if (term_graphics_from_name(override_name, &chosen)) return chosen;
    if (caps.kitty) return TermGraphics::kitty;
    if (caps.sixel) return TermGraphics::sixel;
    return TermGraphics::blocks;
}

}  // namespace pantalla::detail
