#include "gfx/display/terminal_query.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gfx/display/terminal_mouse.h"
#include "runtime/key_codes.h"

using namespace pantalla::detail;

namespace {

// What the answers said (sixel, kitty, registers, cell and text width and
// height, pixel mouse, finished) and the keys left over (a mouse report as
// '@', a key beyond ASCII as '^'), from `stream` fed to a decoder awaiting
// answers, with a pause at each '|' and at the end.
using Decoded = std::pair<std::vector<int32_t>, std::string>;
Decoded decode(const std::string& stream) {
    TermDecoder d;
    d.expect_answers = true;
    TermQuery q;
    std::string keys;
    TermEvent e[kTermEventsPerStep];
    for (size_t i = 0; i <= stream.size(); ++i) {
        const bool pause = i == stream.size() || stream[i] == '|';
        const int n = pause ? term_decoder_timeout(d, e) : term_decoder_feed(d, static_cast<uint8_t>(stream[i]), e);
        for (int k = 0; k < n; ++k) {
            if (term_query_take(q, e[k])) continue;
            const int32_t code = translate_key_event(e[k].character, e[k].scan_code, e[k].virtual_key,
                                                     e[k].control_state, 0);
            keys += e[k].kind == TermEvent::mouse ? '@' : code < 256 ? static_cast<char>(code) : '^';
        }
    }
    const TerminalCaps& c = q.caps;
    return {{c.sixel, c.kitty, c.colour_registers, c.cell_width, c.cell_height, c.text_width, c.text_height,
             q.mouse_pixels, q.finished},
            keys};
}

const std::vector<int32_t> kNothing{0, 0, 0, 0, 0, 0, 0, 0, 0}, kOnlyFinished{0, 0, 0, 0, 0, 0, 0, 0, 1};

TEST(TermQuery, AnswersAmongKeys) {
    const struct {
        std::string stream;
        Decoded expected;
    } rows[] = {
        // xterm: every answer, keys typed before, between and after them.
        {"a\x1b[6;20;10t\x1b[4;480;800tb\x1b[?1;0;1024S\x1b[?1016;2$y\x1b[?63;1;2;4;6;9;15;16;22;28cc",
         {{1, 0, 1024, 10, 20, 800, 480, 1, 1}, "abc"}},
        {"\x1b_Gi=31;OK\x1b\\\x1b[?62;c", {{0, 1, 0, 0, 0, 0, 0, 0, 1}, ""}},
        {"\x1b_Gi=31;ENOTSUPPORTED:no\x07\x1b[?1016;0$y\x1b[?62;22c", {kOnlyFinished, ""}},
        // Split reads: an answer is waited for across the pauses.
        {"\x1b[?6|3;4|c", {{1, 0, 0, 0, 0, 0, 0, 0, 1}, ""}},
        // Garbage is dropped whole; keys behind it stay.
        {"\x1b[?1;2;3x\x1b[5;1;2t\x1b[?1;3;0S\x1b_Xjunk\x1b\\\x1b[?99999999cq", {kNothing, "q"}},
        {"\x1b[" + std::string(95, ';') + "t\x1b[?" + std::string(95, ';') + "cq", {kOnlyFinished, "q"}},
        // An answer cut short by Enter or another sequence.
        {"\x1b_Gi=31\rz", {kNothing, "\rz"}},
        {"\x1b_Gi\x1b[Ax", {kNothing, "^x"}},
        // Escape and Alt+_ typed while answers are awaited; after the
        // attributes, ESC _ is Alt+_ whatever follows.
        {"\x1b|\x1b_|", {kNothing, "\x1b_"}},
        {"\x1b[?1c\x1b_x", {kOnlyFinished, "_x"}},
        {"\x1b[<0;5;7M\x1b[<35;6;7mk", {kNothing, "@@k"}},
    };
    for (const auto& r : rows) EXPECT_EQ(decode(r.stream), r.expected) << r.stream.substr(1);
}

TEST(TermQuery, Choice) {
    TerminalCaps both, sixel, quiet;
    both.sixel = both.kitty = sixel.sixel = true;
    EXPECT_EQ((std::vector<TermGraphics>{term_graphics_choose(both, nullptr), term_graphics_choose(sixel, nullptr),
                                         term_graphics_choose(quiet, "Kitty"), term_graphics_choose(both, "blocks"),
                                         term_graphics_choose(sixel, "pictures")}),
              (std::vector<TermGraphics>{TermGraphics::kitty, TermGraphics::sixel, TermGraphics::kitty,
                                         TermGraphics::blocks, TermGraphics::sixel}));
    EXPECT_TRUE(term_query_wanted("xterm-256color", nullptr));
    for (const char* term : {"tmux-256color", "screen", "linux"}) EXPECT_FALSE(term_query_wanted(term, "")) << term;
    EXPECT_FALSE(term_query_wanted("xterm", "/tmp/tmux-0/default,1,0"));
    // Sizes unanswered, from the window's: xterm keeps its reports to itself.
    sixel.cell_width = 9, sixel.cell_height = 18;
    term_query_fill_sizes(quiet, 80, 24, 480, 312);
    term_query_fill_sizes(sixel, 80, 24, 0, 0);
    EXPECT_EQ((std::vector<int32_t>{quiet.cell_width, quiet.cell_height, quiet.text_width, sixel.cell_width}),
              (std::vector<int32_t>{6, 13, 480, 9}));
}

TEST(TermMouse, ReportsAsPagePixels) {
    TermMouseLayout blocks;  // 640 x 480 in 8 x 16 cells
    blocks.page_width = 640, blocks.page_height = 480, blocks.glyph_width = 8, blocks.glyph_height = 16;
    TermMouseLayout scrolled = blocks, pixels = blocks, placed = blocks, placed_cells = blocks;
    scrolled.origin_col = 10, scrolled.origin_row = 5;
    pixels.cell_width = placed.cell_width = placed_cells.cell_width = 10;
    pixels.cell_height = placed.cell_height = placed_cells.cell_height = 20;
    pixels.pixels = placed.pixels = true;
    placed.placement = placed_cells.placement = TermPlacement{100, 50, 1280, 960};
    const struct {
        const TermMouseLayout& layout;
        std::string reports;
        int32_t x, y, buttons, wheel;
        bool inside;
    } rows[] = {
        // Cells land in their middle.
        {blocks, "\x1b[<0;1;1M", 4, 8, 1, 0, true},
        {blocks, "\x1b[<0;3;2M\x1b[<2;3;2M\x1b[<0;3;2m", 20, 24, 2, 0, true},
        {blocks, "\x1b[<1;3;2M\x1b[<35;81;2M", 644, 24, 0, 0, false},
        {scrolled, "\x1b[<32;1;1M", 84, 88, 1, 0, true},
        {pixels, "\x1b[<2;16;41M", 12, 32, 2, 0, true},
        {placed, "\x1b[<1;101;51M", 0, 0, 4, 0, true},
        {placed, "\x1b[<1;99;51M", -1, 0, 4, 0, false},
        {placed_cells, "\x1b[<0;12;4M", 7, 10, 1, 0, true},
        {blocks, "\x1b[<64;1;1M\x1b[<64;1;1M\x1b[<65;1;1M\x1b[<128;1;1M", 4, 8, 0, 1, true},
    };
    for (const auto& r : rows) {
        TermDecoder d;
        TermMouse m;
        TermEvent events[kTermEventsPerStep];
        for (const char c : r.reports)
            for (int n = term_decoder_feed(d, static_cast<uint8_t>(c), events), i = 0; i < n; ++i)
                term_mouse_take(m, events[i], r.layout);
        EXPECT_EQ((std::vector<int32_t>{m.x, m.y, m.buttons, m.wheel, m.inside}),
                  (std::vector<int32_t>{r.x, r.y, r.buttons, r.wheel, r.inside}))
            << r.reports.substr(1);
    }
}

}  // namespace
