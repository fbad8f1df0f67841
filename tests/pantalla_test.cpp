// The friendly interface against the statements it stands for.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <utility>

#include "gfx_fixture.h"
#include "gfx/keyboard.h"
#include "pantalla/pantalla.hpp"
#include "runtime/print.h"

namespace {

namespace pt = pantalla;

// A row of the shown page's text; cells never written read as blanks.
std::string text_row(int32_t row) {
    int32_t page = 0;
    while (screen->pages[page] != screen->visible_page) ++page;
    std::string line;
    for (int32_t col = 0; col < screen->text_cols; ++col) {
        const uint32_t code = screen->text_cells[page][row * screen->text_cols + col].code;
        line += code ? static_cast<char>(code) : ' ';
    }
    return line.substr(0, line.find_last_not_of(' ') + 1);
}

// What two runs of print calls leave on the first two text rows.
std::string printed(const std::function<void()>& calls) {
    EXPECT_EQ(pt::open(pt::Mode::w640x480, 0, 1, pt::null_display), pt::ok);
    calls();
    return text_row(0) + "|" + text_row(1);
}

TEST_F(GfxTest, FriendlyPrintIsThePrintStatement) {
    const std::pair<std::function<void()>, std::function<void()>> rows[] = {
        {[] { pt::print("abc"); }, [] { print_text(0, string_temp_literal("abc"), 0); }},
        {[] { pt::print(-5, pt::End::zone), pt::print("x"); },
         [] { print_integer(0, -5, kPrintNextZone), print_text(0, string_temp_literal("x"), 0); }},
        {[] { pt::println(7); }, [] { print_integer(0, 7, kPrintLineEnd); }},
        {[] { pt::println(2.5e20), pt::print(1.0 / 3); },
         [] { print_double(0, 2.5e20, kPrintLineEnd), print_double(0, 1.0 / 3, 0); }},
        {[] { pt::print(4000000000u, pt::End::zone), pt::println(0.1f); },
         [] { print_unsigned(0, 4000000000u, kPrintNextZone), print_single(0, 0.1f, kPrintLineEnd); }},
        {[] { pt::print(std::string_view("ab\0c", 4)), pt::println(); },
         [] { print_text(0, string_temp_literal("ab\0c", 4), 0), print_newline(0, kPrintLineEnd); }},
    };
    for (const auto& [friendly, statements] : rows) EXPECT_EQ(printed(friendly), printed(statements));
    EXPECT_EQ(pt::number_text(-2e-7), "-2E-07");
    EXPECT_EQ(pt::number_text(1.0 / 3, 3), "0.333");
}

// Types a line and Enter into the screen's key queue.
void type_line(std::string_view keys) {
    for (const char c : keys) gfx_push_key(static_cast<unsigned char>(c));
    gfx_push_key(13);
}

TEST_F(GfxTest, LineInputAsTextOrNumber) {
    ASSERT_EQ(pt::open(pt::Mode::w640x480, 0, 1, pt::null_display), pt::ok);
    struct Row {
        std::string_view typed;
        int integer;
        double number;
    };
    const Row rows[] = {
        {"  42abc", 42, 42},        // leading blanks, then what parses
        {"-3.5e2", -3, -350},       // an integer stops at the point
        {"99999999999", 2147483647, 99999999999},  // integers saturate
        {"", 0, 0},
        {"x", 0, 0},
    };
    for (const Row& row : rows) {
        type_line(row.typed);
        EXPECT_EQ(pt::input("? "), row.typed);
        type_line(row.typed);
        EXPECT_EQ(pt::input_int(), row.integer) << row.typed;
        type_line(row.typed);
        EXPECT_EQ(pt::input_number(), row.number) << row.typed;
        EXPECT_EQ(pt::error(), pt::ok);
    }
}

TEST_F(GfxTest, PagesChosenAndCopied) {
    ASSERT_EQ(pt::open(pt::Mode::w320x240, 0, 2, pt::null_display), pt::ok);
    // {work, visible}: every page the screen has, -1 to keep, nothing else.
    const std::pair<int, int> taken[] = {{1, 0}, {0, 1}, {-1, -1}, {1, -1}};
    for (const auto& [work, visible] : taken) EXPECT_EQ(pt::pages(work, visible), pt::ok);
    const std::pair<int, int> refused[] = {{2, 0}, {0, 2}, {1, 5}};
    for (const auto& [work, visible] : refused) EXPECT_EQ(pt::pages(work, visible), pt::bad_argument);
    EXPECT_EQ(pt::copy_page(0, 5), pt::bad_argument);

    // Drawn on the hidden page: not seen until shown or copied.
    ASSERT_EQ(pt::pages(1, 0), pt::ok);
    pt::pset(3, 4, 9);
    EXPECT_EQ(screen->visible_page[4 * screen->pitch + 3], 0);
    EXPECT_EQ(pt::copy_page(1, 0), pt::ok);
    EXPECT_EQ(screen->visible_page[4 * screen->pitch + 3], 9);
    pt::print("hidden");
    EXPECT_EQ(text_row(0), "");
    EXPECT_EQ(pt::pages(1, 1), pt::ok);
    EXPECT_EQ(text_row(0), "hidden");
}

TEST_F(GfxTest, FailuresAreErrorNumbers) {
    // With no screen every drawing call is error 1, and nothing throws.
    const std::function<pt::Error()> calls[] = {
        [] { return pt::line(0, 0, 5, 5); },   [] { return pt::pset(1, 1); },
        [] { return pt::cls(); },              [] { return pt::colour(pt::red); },
        [] { return pt::palette(1, 1, 2, 3); }, [] { return pt::pages(0, 0); },
        [] { return pt::text_size(40, 25); },  [] { return pt::set_mouse(1, 1); },
        [] { return pt::Image().put(0, 0); },  [] { return pt::view(0, 0, 9, 9); },
    };
    for (const auto& call : calls) EXPECT_EQ(call(), pt::bad_argument);
    EXPECT_EQ(pt::mouse().x, -1);
    EXPECT_EQ(pt::error(), pt::bad_argument);

    // Palette entries past the screen's colours.
    ASSERT_EQ(pt::open(pt::Mode::vga_640x480, 0, 1, pt::null_display), pt::ok);
    EXPECT_EQ(pt::palette(16, 0, 0, 0), pt::bad_argument);
    EXPECT_EQ(pt::palette(15, 2), pt::ok);
    ASSERT_EQ(pt::open(pt::Mode::vga_320x200, 0, 1, pt::null_display), pt::ok);
    EXPECT_EQ(pt::palette(256, 0, 0, 0), pt::bad_argument);
    EXPECT_EQ(pt::palette(255, 255, 0, 0), pt::ok);
    EXPECT_EQ(screen->palette[255], 0xFFu);
    EXPECT_EQ(pt::open(4, 4), pt::bad_argument);
}

TEST_F(GfxTest, ImagesOwnTheirPicture) {
    ASSERT_EQ(pt::open(pt::Mode::w320x240, 32, 1, pt::null_display), pt::ok);
    pt::Image a(4, 3, pt::rgb(1, 2, 3));
    pt::Image b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b.width(), 4);
    EXPECT_EQ(b.put(10, 10), pt::ok);
    EXPECT_EQ(pt::point(13, 12), pt::rgb(1, 2, 3));
    // An opaque colour is still a colour, not "keep the old one".
    EXPECT_EQ(pt::colour(pt::rgba(9, 8, 7, 255)), pt::ok);
    EXPECT_EQ(screen->fg_colour & 0xFFFFFF, 0x090807u);
    b = pt::Image::grab(10, 10, 11, 11);
    EXPECT_EQ(b.height(), 2);
    EXPECT_FALSE(pt::Image(-1, 5));
}

TEST(Pantalla, RandomIntegersCoverTheirRange) {
    pt::randomize(5);
    const double first = pt::rnd();
    std::set<int> seen;
    for (int i = 0; i < 1000; ++i) seen.insert(pt::random(3, 1));
    EXPECT_EQ(seen, (std::set<int>{1, 2, 3}));
    pt::randomize(5);
    EXPECT_EQ(pt::rnd(), first);
}

}  // namespace
