#include "gfx/display/terminal_query.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gfx/display/terminal_mouse.h"
#include "runtime/key_codes.h"

namespace {

// The caps found and the keys left over (a mouse report as '@'), from a
// stream fed to a decoder awaiting answers, with a pause at each '|'.
std::string decode(const std::string& stream) {
    TermDecoder d;
    d.expect_answers = true;
    TermQuery q;
    std::string keys;
    TermEvent events[kTermEventsPerStep];
    const auto take = [&](int n) {
        for (int i = 0; i < n; ++i) {
            if (term_query_take(q, events[i])) continue;
            const TermEvent& e = events[i];
            const int32_t code = translate_key_event(e.character, e.scan_code, e.virtual_key, e.control_state, 0);
            keys += e.kind == TermEvent::mouse ? std::string("@") : code < 256 ? std::string(1, char(code)) : "^";
        }
    };
    for (const char c : stream) take(c == '|' ? term_decoder_timeout(d, events)
                                              : term_decoder_feed(d, static_cast<uint8_t>(c), events));
    take(term_decoder_timeout(d, events));
    const TerminalCaps& c = q.caps;
    return "sixel " + std::to_string(c.sixel) + " kitty " + std::to_string(c.kitty) + " registers " +
           std::to_string(c.colour_registers) + " cell " + std::to_string(c.cell_width) + "x" +
           std::to_string(c.cell_height) + " text " + std::to_string(c.text_width) + "x" +
           std::to_string(c.text_height) + " pixels " + std::to_string(q.mouse_pixels) + " done " +
           std::to_string(q.finished) + " keys " + keys;
}

const std::string kNothing = "sixel 0 kitty 0 registers 0 cell 0x0 text 0x0 pixels 0 done ";

TEST(TermQuery, AnswersAmongKeys) {
    const struct {
        std::string stream, expected;
    } rows[] = {
        // xterm: every answer, keys typed before, between and after them.
        {"a\x1b[6;20;10t\x1b[4;480;800tb\x1b[?1;0;1024S\x1b[?1016;2$y\x1b[?63;1;2;4;6;9;15;16;22;28cc",
         "sixel 1 kitty 0 registers 1024 cell 10x20 text 800x480 pixels 1 done 1 keys abc"},
        {"\x1b_Gi=31;OK\x1b\\\x1b[?62;c", "sixel 0 kitty 1 registers 0 cell 0x0 text 0x0 pixels 0 done 1 keys "},
        {"\x1b_Gi=31;ENOTSUPPORTED:no\x07\x1b[?1016;0$y\x1b[?62;22c", kNothing + "1 keys "},
        // Split reads: the decoder waits out the pauses within a sequence.
        {"\x1b[?6|3;4|c", "sixel 1 kitty 0 registers 0 cell 0x0 text 0x0 pixels 0 done 1 keys "},
        // Garbage is dropped whole; keys behind it stay.
        {"\x1b[?1;2;3x\x1b[5;1;2t\x1b[?1;3;0S\x1b_Xjunk\x1b\\\x1b[?99999999cq", kNothing + "0 keys q"},
        // An answer cut short by Enter or another sequence.
        {"\x1b_Gi=31\rz", kNothing + "0 keys \rz"},
        {"\x1b_Gi\x1b[Ax", kNothing + "0 keys ^x"},
        // Escape and Alt+_ typed while answers are awaited.
        {"\x1b|\x1b_|", kNothing + "0 keys \x1b_"},
        // After the attributes, ESC _ is Alt+_ again.
        {"\x1b[?1c\x1b_x", "sixel 0 kitty 0 registers 0 cell 0x0 text 0x0 pixels 0 done 1 keys _x"},
        {"\x1b[<0;5;7M\x1b[<35;6;7mk", kNothing + "0 keys @@k"},
    };
    for (const auto& r : rows) EXPECT_EQ(decode(r.stream), r.expected) << r.stream;
}

TEST(TermQuery, Choice) {
    TerminalCaps both;
    both.sixel = both.kitty = true;
    TerminalCaps sixel;
    sixel.sixel = true;
    EXPECT_EQ(term_graphics_choose(both, nullptr), TermGraphics::kitty);
    EXPECT_EQ(term_graphics_choose(sixel, nullptr), TermGraphics::sixel);
    EXPECT_EQ(term_graphics_choose(TerminalCaps{}, "Kitty"), TermGraphics::kitty);
    EXPECT_EQ(term_graphics_choose(both, "blocks"), TermGraphics::blocks);
    EXPECT_EQ(term_graphics_choose(sixel, "pictures"), TermGraphics::sixel);
    EXPECT_TRUE(term_query_wanted("xterm-256color", nullptr));
    EXPECT_FALSE(term_query_wanted("xterm-256color", "/tmp/tmux-0/default,1,0"));
    EXPECT_FALSE(term_query_wanted("tmux-256color", nullptr));
    EXPECT_FALSE(term_query_wanted("screen", ""));
    EXPECT_FALSE(term_query_wanted("linux", nullptr));
    // Sizes unanswered, from the window's: xterm keeps its reports to itself.
    TerminalCaps quiet, answered = sixel;
    answered.cell_width = 9, answered.cell_height = 18;
    term_query_fill_sizes(quiet, 80, 24, 480, 312);
    term_query_fill_sizes(answered, 80, 24, 0, 0);
    EXPECT_EQ((std::vector<int32_t>{quiet.cell_width, quiet.cell_height, quiet.text_width, answered.cell_width}),
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
