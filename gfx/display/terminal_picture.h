// The graphics screen's visible page as terminal cells: its text cells
// where the pixels are what the text draws, and half blocks coloured from
// the pixels where something else was drawn. Read under the screen lock.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/display/terminal_view.h"

namespace pantalla::detail {

struct ScreenContext;
struct TextCell;

class TerminalPicture {
public:
    // Brings the cells up to date with `s`: the text rows whose pixel rows
    // are marked changed, or every row after a page flip, a palette change,
    // a new size or `everything`. Clears the marks. False while the screen
    // has no text cells yet (nothing was read, the marks stay).
    bool update(ScreenContext& s, bool everything);

    TermPicture picture(const ScreenContext& s, bool cursor_shown) const;
    int32_t cols() const { return cols_; }
    int32_t rows() const { return rows_; }

private:
    TermCell cell_at(const ScreenContext& s, const TextCell* text, int32_t col, int32_t row) const;

    int32_t cols_ = 0, rows_ = 0;
    std::vector<TermCell> cells_;
    const uint8_t* page_ = nullptr;
    uint32_t palette_[256] = {};
};

// A stored pixel or cell colour of screen `s` as 0xRRGGBB.
uint32_t screen_colour_rgb(const ScreenContext& s, uint32_t value);

}  // namespace pantalla::detail
