#include "gfx/display/terminal_view.h"

#include <algorithm>
#include <cstring>

#include "console/cp437.h"

namespace pantalla::detail {

namespace {

// A row the terminal shows something unknown on: equal to no cell.
constexpr TermCell kUnknownCell{0xFFFFFFFFu, 0xFFFFFFFFu, 0xFFFFFFFFu};

constexpr uint8_t kCubeLevels[6] = {0, 95, 135, 175, 215, 255};

// The basic colours in SGR order, as the screen's 16-colour palette has
// them, so that its colours map one to one.
constexpr uint32_t kAnsi16[16] = {
    0x000000, 0xAA0000, 0x00AA00, 0xAA5500, 0x0000AA, 0xAA00AA, 0x00AAAA, 0xAAAAAA,
    0x555555, 0xFF5555, 0x55FF55, 0xFFFF55, 0x5555FF, 0xFF55FF, 0x55FFFF, 0xFFFFFF,
};

int32_t channel(uint32_t rgb, int shift) { return static_cast<int32_t>(rgb >> shift & 0xFF); }

int32_t distance(uint32_t a, uint32_t b) {
    const int32_t dr = channel(a, 16) - channel(b, 16), dg = channel(a, 8) - channel(b, 8),
                  db = channel(a, 0) - channel(b, 0);
    return dr * dr + dg * dg + db * db;
}

int32_t nearest_level(int32_t v) {
    int32_t best = 0;
    for (int32_t i = 1; i < 6; ++i)
        if (std::abs(kCubeLevels[i] - v) < std::abs(kCubeLevels[best] - v)) best = i;
    return best;
}

void append_number(std::string& out, int32_t n) { out += std::to_string(n); }

bool contains(const char* text, const char* part) { return text && std::strstr(text, part); }

bool blank(const TermCell& c) { return c.glyph == 0 || c.glyph == 32 || c.glyph == 255; }

}  // namespace

TermColours term_colours_from(const char* colorterm, const char* term) {
    if (colorterm && (std::strcmp(colorterm, "truecolor") == 0 || std::strcmp(colorterm, "24bit") == 0))
        return TermColours::truecolor;
    if (contains(term, "256")) return TermColours::xterm256;
    return TermColours::ansi16;
}

int32_t nearest_xterm256(uint32_t rgb) {
    const int32_t r = nearest_level(channel(rgb, 16)), g = nearest_level(channel(rgb, 8)),
                  b = nearest_level(channel(rgb, 0));
    const uint32_t cube = static_cast<uint32_t>(kCubeLevels[r] << 16 | kCubeLevels[g] << 8 | kCubeLevels[b]);
    const int32_t average = (channel(rgb, 16) + channel(rgb, 8) + channel(rgb, 0)) / 3;
    const int32_t step = std::clamp((average - 8 + 5) / 10, 0, 23);
    const uint32_t level = static_cast<uint32_t>(8 + 10 * step);
    const uint32_t grey = level << 16 | level << 8 | level;
    if (distance(rgb, grey) < distance(rgb, cube)) return 232 + step;
    return 16 + 36 * r + 6 * g + b;
}

int32_t nearest_ansi16(uint32_t rgb) {
    int32_t best = 0;
    for (int32_t i = 1; i < 16; ++i)
        if (distance(rgb, kAnsi16[i]) < distance(rgb, kAnsi16[best])) best = i;
    return best;
}

void term_follow_cursor(const TermPicture& p, int32_t shown_cols, int32_t shown_rows, int32_t* origin_col,
                        int32_t* origin_row) {
    const int32_t col = std::clamp(p.cursor_col, 0, p.cols - 1);
    const int32_t row = std::clamp(p.cursor_row, 0, p.rows - 1);
    int32_t& oc = *origin_col;
    int32_t& orow = *origin_row;
    if (col < oc) oc = col;
    if (col >= oc + shown_cols) oc = col - shown_cols + 1;
    if (row < orow) orow = row;
    if (row >= orow + shown_rows) orow = row - shown_rows + 1;
    oc = std::clamp(oc, 0, p.cols - shown_cols);
    orow = std::clamp(orow, 0, p.rows - shown_rows);
}

int32_t term_row_text_end(const TermPicture& p, int32_t row) {
    int32_t end = p.cols;
    while (end > 0 && blank(p.cells[static_cast<size_t>(row) * p.cols + end - 1])) --end;
    return end;
}

int32_t term_last_text_row(const TermPicture& p) {
    if (!p.cells) return -1;
    int32_t last = p.rows - 1;
    while (last >= 0 && term_row_text_end(p, last) == 0) --last;
    return last;
}

TerminalView::TerminalView(TermColours colours) : colours_(colours) {
    for (int c = 0; c < 256; ++c) {
        char bytes[4];
        glyphs_[c].assign(bytes, static_cast<size_t>(utf8_encode(cp437_to_unicode(static_cast<uint8_t>(c)), bytes)));
    }
    glyphs_[0] = " ";  // cells never written to
}

void TerminalView::set_glyph(uint8_t c, const char* bytes, size_t length) {
    if (c != 0) glyphs_[c].assign(bytes, length);
}

void TerminalView::resize(int32_t cols, int32_t rows) {
    term_cols_ = std::max(cols, 1);
    term_rows_ = std::max(rows, 1);
    known_ = false;
}

uint32_t TerminalView::terminal_colour(uint32_t rgb) const {
    switch (colours_) {
        case TermColours::truecolor: return rgb & 0xFFFFFF;
        case TermColours::xterm256: return static_cast<uint32_t>(nearest_xterm256(rgb));
        default: return static_cast<uint32_t>(nearest_ansi16(rgb));
    }
}

void TerminalView::move_to(int32_t col, int32_t row, std::string& out) {
    if (col == at_col_ && row == at_row_) return;
    out += "\x1b[";
    append_number(out, row + 1);
    out += ';';
    append_number(out, col + 1);
    out += 'H';
    at_col_ = col;
    at_row_ = row;
}

void TerminalView::pen(uint32_t fg, uint32_t bg, std::string& out) {
    if (pen_known_ && fg == pen_fg_ && bg == pen_bg_) return;
    out += "\x1b[";
    for (int layer = 0; layer < 2; ++layer) {
        const uint32_t c = layer == 0 ? fg : bg;
        if (layer) out += ';';
        if (colours_ == TermColours::ansi16) {
            const int32_t base = (layer == 0 ? 30 : 40) + (c >= 8 ? 60 : 0);
            append_number(out, base + static_cast<int32_t>(c & 7));
            continue;
        }
        out += layer == 0 ? "38;" : "48;";
        if (colours_ == TermColours::xterm256) {
            out += "5;";
            append_number(out, static_cast<int32_t>(c));
        } else {
            out += "2;";
            append_number(out, channel(c, 16));
            out += ';';
            append_number(out, channel(c, 8));
            out += ';';
            append_number(out, channel(c, 0));
        }
    }
    out += 'm';
    pen_known_ = true;
    pen_fg_ = fg;
    pen_bg_ = bg;
}

void TerminalView::put(const TermCell& cell, std::string& out) {
    pen(cell.fg, cell.bg, out);
    out += glyphs_[cell.glyph & 0xFF];
    // After the last column the terminal waits to wrap: its position is
    // no longer one we can count on.
    if (++at_col_ >= term_cols_) at_col_ = at_row_ = -1;
}

// A whole-text scroll: rows that reappear higher up are moved by the
// terminal instead of being drawn again. True when one was sent.
bool TerminalView::scroll_to(const std::vector<TermCell>& next, std::string& out) {
    const auto row_equal = [&](int32_t next_row, int32_t shown_row) {
        return std::equal(next.begin() + next_row * shown_cols_, next.begin() + (next_row + 1) * shown_cols_,
                          shown_.begin() + shown_row * shown_cols_);
    };
    int32_t unchanged = 0;
    for (int32_t r = 0; r < shown_rows_; ++r) unchanged += row_equal(r, r) ? 1 : 0;
    if (unchanged == shown_rows_) return false;
    for (int32_t k = 1; k < shown_rows_ - unchanged; ++k) {
        bool moved = true;
        for (int32_t r = 0; moved && r + k < shown_rows_; ++r) moved = row_equal(r, r + k);
        if (!moved) continue;
        // Line feeds on the bottom row of the scrolling region, which every
        // terminal honours: some (the Linux console) ignore CSI S.
        const bool region = shown_rows_ < term_rows_;
        if (region) {
            out += "\x1b[1;";
            append_number(out, shown_rows_);
            out += 'r';
        }
        at_col_ = at_row_ = -1;
        move_to(0, shown_rows_ - 1, out);
        out.append(static_cast<size_t>(k), '\n');
        if (region) out += "\x1b[r";
        at_col_ = at_row_ = -1;
        const auto width = static_cast<std::ptrdiff_t>(shown_cols_);
        std::move(shown_.begin() + k * width, shown_.end(), shown_.begin());
        std::fill(shown_.end() - k * width, shown_.end(), kUnknownCell);
        return true;
    }
    return false;
}

void TerminalView::render(const TermPicture& p, std::string& out) {
    if (p.cols <= 0 || p.rows <= 0 || !p.cells) return;
    const int32_t cols = std::min(term_cols_, p.cols), rows = std::min(term_rows_, p.rows);
    term_follow_cursor(p, cols, rows, &origin_col_, &origin_row_);

    // Neighbouring cells mostly share their colours: the last conversion
    // of each layer is kept.
    uint32_t fg_rgb = 0, fg = terminal_colour(0), bg_rgb = 0, bg = fg;
    std::vector<TermCell> next(static_cast<size_t>(cols) * rows);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
            const TermCell& from = p.cells[static_cast<size_t>(origin_row_ + r) * p.cols + origin_col_ + c];
            if (from.fg != fg_rgb) fg = terminal_colour(fg_rgb = from.fg);
            if (from.bg != bg_rgb) bg = terminal_colour(bg_rgb = from.bg);
            next[static_cast<size_t>(r) * cols + c] = TermCell{from.glyph & 0xFF, fg, bg};
        }

    const size_t start = out.size();
    const bool hide = cursor_visible_;
    if (hide) out += "\x1b[?25l";
    const size_t after_hide = out.size();
    if (!known_ || cols != shown_cols_ || rows != shown_rows_) {
        out += "\x1b[0m\x1b[H\x1b[2J";
        at_col_ = at_row_ = 0;
        pen_known_ = false;
        shown_cols_ = cols;
        shown_rows_ = rows;
        shown_.assign(next.size(), kUnknownCell);
        known_ = true;
    } else {
        scroll_to(next, out);
    }
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
            const size_t i = static_cast<size_t>(r) * cols + c;
            if (next[i] == shown_[i]) continue;
            move_to(c, r, out);
            put(next[i], out);
            shown_[i] = next[i];
        }

    const int32_t cursor_col = p.cursor_col - origin_col_, cursor_row = p.cursor_row - origin_row_;
    const bool show = p.cursor_shown && cursor_col >= 0 && cursor_col < cols && cursor_row >= 0 && cursor_row < rows;
    if (out.size() == after_hide) {
        // No cell changed: only the cursor may need to move or appear.
        out.resize(start);
        if (show && (!cursor_visible_ || cursor_col != at_col_ || cursor_row != at_row_)) {
            move_to(cursor_col, cursor_row, out);
            if (!cursor_visible_) out += "\x1b[?25h";
        } else if (!show && cursor_visible_) {
            out += "\x1b[?25l";
        }
        cursor_visible_ = show;
        return;
    }
    cursor_visible_ = false;
    if (show) {
        move_to(cursor_col, cursor_row, out);
        out += "\x1b[?25h";
        cursor_visible_ = true;
    }
}

// In the terminal's own colours: the program's would stand out as bars in
// the history of a terminal with other colours.
void TerminalView::append_text_rows(const TermPicture& p, std::string& out) const {
    if (!p.cells) return;
    const int32_t last = term_last_text_row(p);
    for (int32_t r = 0; r <= last; ++r) {
        const int32_t end = term_row_text_end(p, r);
        for (int32_t c = 0; c < end; ++c) out += glyphs_[p.cells[static_cast<size_t>(r) * p.cols + c].glyph & 0xFF];
        out += "\r\n";
    }
}

}  // namespace pantalla::detail
