// The terminal renderer: colour choice, the bytes of a pass (differences
// only, scrolls, the cursor, the part of a larger grid shown), the text
// left on the normal screen, and the cells read from a screen.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <random>
#include <string>
#include <vector>

#include "gfx/display/terminal_picture.h"
#include "gfx/display/terminal_view.h"
#include "gfx/pixels.h"
#include "gfx_fixture.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"

using namespace pantalla::detail;

namespace {

constexpr uint32_t kWhite = 0xFFFFFF, kBlack = 0x000000;

// A picture from rows of text, white on black.
struct Grid {
    int32_t cols = 0, rows = 0;
    std::vector<TermCell> cells;
    explicit Grid(std::vector<std::string> text) {
        rows = static_cast<int32_t>(text.size());
        cols = static_cast<int32_t>(text[0].size());
        for (const std::string& row : text)
            for (char c : row) cells.push_back(TermCell{static_cast<uint8_t>(c), kWhite, kBlack});
    }
    TermPicture picture(int32_t cursor_col = 0, int32_t cursor_row = 0, bool shown = false) const {
        return TermPicture{cols, rows, cells.data(), cursor_col, cursor_row, shown};
    }
};

std::string render(TerminalView& view, const TermPicture& p) {
    std::string out;
    view.render(p, out);
    return out;
}

TEST(TerminalColours, NearestOfTheTerminalsColours) {
    struct Row {
        uint32_t rgb;
        int32_t xterm256, ansi16;
    } rows[] = {
        {0x000000, 16, 0},   {0xFFFFFF, 231, 15}, {0xAA0000, 124, 1},  {0x0000AA, 19, 4},
        {0xAA5500, 130, 3},  {0x555555, 240, 8},  {0x808080, 244, 7},  {0xFF5555, 203, 9},
        {0x00AAAA, 37, 6},   {0xAAAAAA, 248, 7},  {0x5FAF87, 72, 7},  {0x121212, 233, 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(nearest_xterm256(r.rgb), r.xterm256) << std::hex << r.rgb;
        EXPECT_EQ(nearest_ansi16(r.rgb), r.ansi16) << std::hex << r.rgb;
    }
}

TEST(TerminalColours, DepthFromTheEnvironment) {
    struct Row {
        const char* colorterm;
        const char* term;
        TermColours want;
    } rows[] = {
        {"truecolor", "xterm", TermColours::truecolor}, {"24bit", nullptr, TermColours::truecolor},
        {nullptr, "xterm-256color", TermColours::xterm256}, {"yes", "screen-256color", TermColours::xterm256},
        {nullptr, "xterm", TermColours::ansi16},          {nullptr, nullptr, TermColours::ansi16},
        {"", "linux", TermColours::ansi16},
    };
    for (const Row& r : rows)
        EXPECT_EQ(term_colours_from(r.colorterm, r.term), r.want) << (r.term ? r.term : "(no TERM)");
}

TEST(TerminalView, FirstPassClearsAndDrawsEverything) {
    TerminalView view(TermColours::ansi16);
    view.resize(10, 5);
    const Grid g({"ab", "cd"});
    EXPECT_EQ(render(view, g.picture()), "\x1b[?25l\x1b[0m\x1b[H\x1b[2J\x1b[97;40mab\x1b[2;1Hcd");
    EXPECT_EQ(render(view, g.picture()), "") << "no change, no bytes";
}

TEST(TerminalView, PassSendsOnlyChangedCells) {
    struct Row {
        const char* what;
        std::vector<std::string> next;
        uint32_t fg_of_b;  // colour of the cell at column 1, row 0
        TermColours colours;
        std::string want;
    } rows[] = {
        {"one cell", {"aXc", "def"}, kWhite, TermColours::ansi16, "\x1b[1;2HX"},
        {"a run on one row", {"abc", "dYZ"}, kWhite, TermColours::ansi16, "\x1b[2;2HYZ"},
        {"two rows", {"Xbc", "deY"}, kWhite, TermColours::ansi16, "\x1b[1;1HX\x1b[2;3HY"},
        {"16 colours", {"abc", "def"}, 0xAA0000, TermColours::ansi16, "\x1b[1;2H\x1b[31;40mb"},
        {"256 colours", {"abc", "def"}, 0xAA0000, TermColours::xterm256, "\x1b[1;2H\x1b[38;5;124;48;5;16mb"},
        {"truecolor", {"abc", "def"}, 0x123456, TermColours::truecolor,
         "\x1b[1;2H\x1b[38;2;18;52;86;48;2;0;0;0mb"},
        {"a colour no terminal colour tells apart", {"abc", "def"}, 0xFEFEFE, TermColours::ansi16, ""},
    };
    for (const Row& r : rows) {
        TerminalView view(r.colours);
        view.resize(10, 5);
        const Grid before({"abc", "def"});
        render(view, before.picture());
        Grid after(r.next);
        after.cells[1].fg = r.fg_of_b;
        EXPECT_EQ(render(view, after.picture()), r.want) << r.what;
    }
}

TEST(TerminalView, WholeTextScrollIsATerminalScroll) {
    struct Row {
        const char* what;
        int32_t term_rows;
        std::vector<std::string> next;
        std::string want;
    } rows[] = {
        {"one line, taller terminal", 9, {"BBB", "CCC", "DDD", "EEE"},
         "\x1b[1;4r\x1b[4;1H\n\x1b[r\x1b[4;1HEEE"},
        {"two lines", 9, {"CCC", "DDD", "EEE", "FFF"}, "\x1b[1;4r\x1b[4;1H\n\n\x1b[r\x1b[3;1HEEE\x1b[4;1HFFF"},
        {"same height", 4, {"BBB", "CCC", "DDD", "   "}, "\x1b[4;1H\n\x1b[4;1H   "},
        {"no scroll: one row changed", 9, {"AAA", "BBB", "CxC", "DDD"}, "\x1b[3;2Hx"},
    };
    for (const Row& r : rows) {
        TerminalView view(TermColours::ansi16);
        view.resize(10, r.term_rows);
        render(view, Grid({"AAA", "BBB", "CCC", "DDD"}).picture());
        EXPECT_EQ(render(view, Grid(r.next).picture()), r.want) << r.what;
    }
}

// A terminal that takes only cursor moves, the clear, the scrolling region
// and line feeds; the rest (colours, CSI S as on the Linux console) changes
// nothing.
struct PlainTerminal {
    int32_t rows, row = 0, col = 0, top = 0, bottom;
    std::vector<std::string> grid;
    PlainTerminal(int32_t cols, int32_t r) : rows(r), bottom(r - 1), grid(r, std::string(cols, ' ')) {}
    void feed(const std::string& bytes) {
        const std::string blank(grid[0].size(), ' ');
        for (size_t i = 0; i < bytes.size(); ++i) {
            int32_t n[2] = {0, 0}, k = 0;
            if (bytes[i] == '\n' && row == bottom) {
                grid.erase(grid.begin() + top);
                grid.insert(grid.begin() + bottom, blank);
            } else if (bytes[i] == '\n') {
                row = std::min(row + 1, rows - 1);
            } else if (bytes[i] != '\x1b') {
                if (col < static_cast<int32_t>(blank.size())) grid[row][col++] = bytes[i];
            } else {
                for (i += 2; !std::isalpha(static_cast<unsigned char>(bytes[i])); ++i)
                    if (bytes[i] == ';') k = 1;
                    else if (std::isdigit(static_cast<unsigned char>(bytes[i]))) n[k] = n[k] * 10 + bytes[i] - '0';
                if (bytes[i] == 'H') row = std::max(n[0], 1) - 1, col = std::max(n[1], 1) - 1;
                if (bytes[i] == 'J') grid.assign(rows, blank);
                if (bytes[i] == 'r') top = std::max(n[0], 1) - 1, bottom = n[1] ? n[1] - 1 : rows - 1, row = col = 0;
            }
        }
    }
};

TEST(TerminalView, ScrollsShowOnATerminalThatIgnoresCsiS) {
    std::mt19937 random(19);
    for (int round = 0; round < 300; ++round) {
        const size_t cols = 1 + random() % 4, rows = 1 + random() % 6;
        const auto term_rows = static_cast<int32_t>(rows + random() % 3);
        TerminalView view(TermColours::ansi16);
        view.resize(static_cast<int32_t>(cols), term_rows);
        PlainTerminal terminal(static_cast<int32_t>(cols), term_rows);
        std::vector<std::string> text;
        for (int step = 0; step < 6; ++step) {
            text.erase(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(std::min(random() % rows, text.size())));
            for (std::string row; text.size() < rows; row.clear()) {
                while (row.size() < cols) row += "ab"[random() % 2];
                text.push_back(row);
            }
            if (random() % 3 == 0) text[random() % rows][random() % cols] = 'z';
            terminal.feed(render(view, Grid(text).picture()));
            ASSERT_EQ(std::vector<std::string>(terminal.grid.begin(), terminal.grid.begin() + rows), text) << round;
        }
    }
}

TEST(TerminalView, CursorStandsAtTheTextCursorWhileShown) {
    TerminalView view(TermColours::ansi16);
    view.resize(10, 5);
    const Grid g({"abc", "def"});
    render(view, g.picture());
    EXPECT_EQ(render(view, g.picture(2, 1, true)), "\x1b[2;3H\x1b[?25h");
    EXPECT_EQ(render(view, g.picture(2, 1, true)), "");
    EXPECT_EQ(render(view, g.picture(0, 0, true)), "\x1b[1;1H");
    // A change hides the cursor during the write and shows it again; a
    // hidden cursor stays so without a word.
    Grid changed({"abc", "dxf"});
    EXPECT_EQ(render(view, changed.picture(0, 0, true)), "\x1b[?25l\x1b[2;2Hx\x1b[1;1H\x1b[?25h");
    EXPECT_EQ(render(view, changed.picture(0, 0, false)), "\x1b[?25l");
}

TEST(TerminalView, SmallerTerminalShowsThePartHoldingTheCursor) {
    struct Row {
        int32_t cursor_col, cursor_row;
        int32_t origin_col, origin_row;
    } rows[] = {
        {0, 0, 0, 0}, {3, 2, 0, 0}, {4, 2, 1, 0}, {3, 3, 1, 1}, {9, 9, 6, 7}, {2, 1, 2, 1},
    };
    // Row r of the grid holds 'a' + r.
    std::vector<std::string> text;
    for (int r = 0; r < 10; ++r) text.push_back(std::string(10, static_cast<char>('a' + r)));
    const Grid g(text);
    TerminalView view(TermColours::ansi16);
    view.resize(4, 3);
    for (const Row& r : rows) {
        render(view, g.picture(r.cursor_col, r.cursor_row));
        EXPECT_EQ(view.origin_col(), r.origin_col) << r.cursor_col << "," << r.cursor_row;
        EXPECT_EQ(view.origin_row(), r.origin_row) << r.cursor_col << "," << r.cursor_row;
    }
}

TEST(TerminalView, TextRowsForTheNormalScreen) {
    TerminalView view(TermColours::ansi16);
    const Grid g({"AB  ", "    ", "C   ", "    "});
    std::string out;
    view.append_text_rows(g.picture(), out);
    EXPECT_EQ(out, "AB\r\n\r\nC\r\n");
    std::string none;
    view.append_text_rows(Grid({"   "}).picture(), none);
    EXPECT_EQ(none, "");
}

class TerminalPictureTest : public GfxTest {};

TEST_F(TerminalPictureTest, TextCellsAndPixelPictures) {
    open(13);
    print_text(0, string_temp_literal("HI"), 0);
    // A dot in the lower half of cell (5, 0), and one over a letter.
    pixel_routines.pixel_put(5 * 8 + 3, 6, 4);
    pixel_routines.pixel_put(1 * 8 + 0, 0, 4);
    TerminalPicture pic;
    ASSERT_TRUE(pic.update(*screen, false));
    const TermPicture p = pic.picture(*screen, false);
    ASSERT_EQ(p.cols, 40);
    ASSERT_EQ(p.rows, 25);
    const uint32_t white = screen_colour_rgb(*screen, 15), red = screen_colour_rgb(*screen, 4);
    EXPECT_EQ(p.cells[0], (TermCell{'H', white, 0}));
    EXPECT_EQ(p.cells[1].glyph, kHalfBlockGlyph) << "a letter drawn over";
    EXPECT_EQ(p.cells[2], (TermCell{' ', white, 0}));
    const TermCell dot = p.cells[5];
    EXPECT_EQ(dot.glyph, kHalfBlockGlyph);
    EXPECT_EQ(dot.fg, 0u) << "the upper half is black";
    EXPECT_NE(dot.bg, 0u) << "the lower half holds the dot's colour";
    EXPECT_EQ(dot.bg, ((red >> 16 & 0xFF) / 32) << 16 | ((red >> 8 & 0xFF) / 32) << 8 | (red & 0xFF) / 32);
    // Nothing marked changed: nothing is read again.
    pixel_routines.pixel_put(0, 0, 4);
    ASSERT_TRUE(pic.update(*screen, false));
    EXPECT_EQ(pic.picture(*screen, false).cells[0].glyph, 'H');
    ASSERT_TRUE(pic.update(*screen, true));
    EXPECT_EQ(pic.picture(*screen, false).cells[0].glyph, kHalfBlockGlyph);
}

TEST_F(TerminalPictureTest, ColoursOfEachDepth) {
    struct Row {
        int32_t depth;
        uint32_t value, rgb;
    } rows[] = {
        {16, 0xFFFF, 0xFFFFFF}, {16, 0xF800, 0xFF0000}, {16, 0x07E0, 0x00FF00},
        {32, 0x123456, 0x123456}, {32, 0xFF123456, 0x123456},
    };
    for (const Row& r : rows) {
        open(19, r.depth);
        EXPECT_EQ(screen_colour_rgb(*screen, r.value), r.rgb) << r.depth << " " << std::hex << r.value;
    }
    open(13);
    screen->palette[7] = 0x30 | 0x20 << 8 | 0x10 << 16;  // red in the low byte
    EXPECT_EQ(screen_colour_rgb(*screen, 7), 0x302010u);
}

}  // namespace
