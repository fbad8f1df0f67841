// What a text terminal shows of the graphics screen, and the bytes that
// bring it there: cell differences, colours as the terminal takes them,
// whole-text scrolls sent as terminal scrolls, and the part of a larger
// grid that holds the text cursor. No system calls: the platform part
// writes the bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace pantalla::detail {

// A cell to show: a code page 437 byte and 0xRRGGBB colours.
struct TermCell {
    uint32_t glyph;
    uint32_t fg;
    uint32_t bg;
    bool operator==(const TermCell&) const = default;
};

// The upper half block: pixel pictures show as two colours per cell.
constexpr uint32_t kHalfBlockGlyph = 0xDF;

enum class TermColours : uint8_t { ansi16, xterm256, truecolor };

// The colour depth a terminal takes, from COLORTERM and TERM (either may
// be null): truecolor or 24bit, else a TERM naming 256 colours, else 16.
TermColours term_colours_from(const char* colorterm, const char* term);

// The nearest of xterm's colours 16 to 255 (the cube and the greys), and
// the nearest of the 16 basic ones in SGR order (0 black, 1 red ... 15
// bright white).
int32_t nearest_xterm256(uint32_t rgb);
int32_t nearest_ansi16(uint32_t rgb);

// The grid to show: cells row by row, and the text cursor (0-based).
struct TermPicture {
    int32_t cols;
    int32_t rows;
    const TermCell* cells;
    int32_t cursor_col;
    int32_t cursor_row;
    bool cursor_shown;  // the program waits for keys: the terminal's cursor stands there
};

// Moves the origin (the grid cell at the terminal's top left) by whole
// rows and columns, as little as keeps the text cursor in the shown_cols x
// shown_rows part, and within the grid.
void term_follow_cursor(const TermPicture& picture, int32_t shown_cols, int32_t shown_rows, int32_t* origin_col,
                        int32_t* origin_row);

// The columns of a picture row up to its last non-blank cell, and the
// last row holding text (-1 for none): what stays on the normal screen.
int32_t term_row_text_end(const TermPicture& picture, int32_t row);
int32_t term_last_text_row(const TermPicture& picture);

class TerminalView {
public:
    explicit TerminalView(TermColours colours);

    // The bytes that show code page 437 byte `c` (UTF-8 by default).
    void set_glyph(uint8_t c, const char* bytes, size_t length);

    // The terminal's size; the next render clears it and draws everything.
    void resize(int32_t cols, int32_t rows);
    // Forget what the terminal shows (it was changed behind our back).
    void invalidate() { known_ = false; }

    // Appends what brings the terminal from what it shows to `picture`:
    // nothing at all when they already agree.
    void render(const TermPicture& picture, std::string& out);

    // The picture's rows up to the last one holding text, for the normal
    // screen: each up to its last non-blank cell, in the terminal's own
    // colours.
    void append_text_rows(const TermPicture& picture, std::string& out) const;

    // The grid cell at the terminal's top left.
    int32_t origin_col() const { return origin_col_; }
    int32_t origin_row() const { return origin_row_; }

private:
    uint32_t terminal_colour(uint32_t rgb) const;
    bool scroll_to(const std::vector<TermCell>& next, std::string& out);
    void move_to(int32_t col, int32_t row, std::string& out);
    void put(const TermCell& cell, std::string& out);
    void pen(uint32_t fg, uint32_t bg, std::string& out);

    TermColours colours_;
    std::string glyphs_[256];
    int32_t term_cols_ = 80, term_rows_ = 24;
    int32_t origin_col_ = 0, origin_row_ = 0;
    // What the terminal shows: shown_cols_ x shown_rows_ cells at its top
    // left, in terminal colours.
    bool known_ = false;
    int32_t shown_cols_ = 0, shown_rows_ = 0;
    std::vector<TermCell> shown_;
    // The terminal's cursor and pen; -1 or false when unknown.
    int32_t at_col_ = -1, at_row_ = -1;
    bool pen_known_ = false;
    uint32_t pen_fg_ = 0, pen_bg_ = 0;
    bool cursor_visible_ = true;
};

}  // namespace pantalla::detail
