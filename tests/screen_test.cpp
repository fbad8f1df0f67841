#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "gfx/colours.h"
#include "runtime/console_hooks.h"
#include "runtime/device.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"
#include "runtime/text_cursor.h"
#include "tests/gfx_fixture.h"

using namespace pantalla::detail;

namespace {

TEST_F(GfxTest, DiceScreenGeometry) {
    open(19, 16, 4);
    EXPECT_EQ(screen->mode, 19);
    EXPECT_EQ(screen->width, 800);
    EXPECT_EQ(screen->height, 600);
    EXPECT_EQ(screen->depth, 16);
    EXPECT_EQ(screen->colour_mask, 0xFFFFu);
    EXPECT_EQ(screen->bytes_per_pixel, 2);
    EXPECT_EQ(screen->pitch, 1600);
    EXPECT_EQ(screen->page_count, 4);
    for (int p = 0; p < 4; ++p)
        for (size_t i = 0; i < 960000; i += 4999) ASSERT_EQ(screen->pages[p][i], 0);
    EXPECT_EQ(screen->visible_page, screen->pages[0]);
    EXPECT_EQ(screen->rows[599], screen->pages[0] + 599 * 1600);
    EXPECT_EQ(screen->scale, 1);
    EXPECT_EQ(screen->text_cols, 100);
    EXPECT_EQ(screen->text_rows, 37);
    EXPECT_EQ(screen->fg_colour, 0xFFFFu);
    EXPECT_EQ(screen->bg_colour, 0u);
    EXPECT_EQ(screen->font, &font_8x16);
    EXPECT_EQ(screen->driver, &null_driver);
    EXPECT_EQ(screen->clip_w, 800);
    EXPECT_EQ(screen->clip_h, 600);
    EXPECT_EQ(screen_pointer(), screen->pages[0]);
    EXPECT_EQ(last_error(), 0);
    // Every slot filled; text size and cursor through them.
    const void* const* slots = reinterpret_cast<const void* const*>(&console_hooks);
    for (int i = 0; i < 24; ++i) EXPECT_NE(slots[i], nullptr) << "slot " << i;
    int32_t cols = 0, rows = 0;
    console_size_get(&cols, &rows);
    EXPECT_EQ(cols, 100);
    EXPECT_EQ(rows, 37);
    EXPECT_EQ(cursor_col_get(), 1);
    EXPECT_EQ(cursor_row_get(), 1);
    EXPECT_EQ(screen->text_cells[0][0].code, 32u);
    EXPECT_EQ(screen->text_cells[0][0].fg, 0xFFFFu);
    EXPECT_EQ(screen->text_cells[1][0].code, 0u);  // other pages start as zero cells
}

TEST_F(GfxTest, DepthRules) {
    struct Row { int32_t mode, requested, depth; uint32_t mask; };
    const Row rows[] = {
        {13, 32, 8, 255}, {1, 16, 2, 3}, {12, 8, 4, 15}, {19, 24, 32, 0xFFFFFFFF},
        {19, 15, 16, 0xFFFF}, {19, 12, 8, 255}, {21, 32, 32, 0xFFFFFFFF}, {10, 0, 1, 1},
    };
    for (const Row& r : rows) {
        open(r.mode, r.requested);
        EXPECT_EQ(screen->depth, r.depth) << r.mode << "/" << r.requested;
        EXPECT_EQ(screen->colour_mask, r.mask) << r.mode;
        EXPECT_EQ(screen->fg_colour, r.depth == 8 ? 15u : r.mask);
    }
}

TEST_F(GfxTest, ScaleTwoModes) {
    for (int32_t mode : {2, 8}) {
        open(mode);
        EXPECT_EQ(screen->scale, 2);
        EXPECT_EQ(screen->height, 200);
    }
}

TEST_F(GfxTest, RefusedModesLeaveTheOpenScreen) {
    open(13);
    ScreenContext* before = screen;
    for (int32_t mode : {3, 4, 5, 6, 22, -1, 1000}) {
        set_last_error(0);
        screen_open(mode, 8, 1, kOpenNullDriver, 0);
        EXPECT_EQ(last_error(), 1) << mode;
        EXPECT_EQ(screen, before) << mode;
    }
    screen_open_size(0, 10, 8, 1, kOpenNullDriver, 0);
    EXPECT_EQ(last_error(), 1);
    screen_open_size(100, 100, 12, 1, kOpenNullDriver, 0);
    EXPECT_EQ(last_error(), 1);
    EXPECT_EQ(screen, before);
}

TEST_F(GfxTest, OpenBySize) {
    screen_open_size(300, 100, 24, 0, kOpenNullDriver, 0);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->mode, -1);
    EXPECT_EQ(screen->depth, 32);
    EXPECT_EQ(screen->page_count, 1);
    EXPECT_EQ(screen->text_cols, 37);
    EXPECT_EQ(screen->text_rows, 12);
    EXPECT_EQ(screen->font, &font_8x8);
    EXPECT_EQ(screen->default_palette, &palette_256);
}

// Every small size in both directions: a grid with no row or column must
// be refused, and a print of every control character on the smallest grids
// must stay inside them (the sanitizer build sees any stray write).
TEST_F(GfxTest, OpenBySizeBelowOneCellIsRefusedAndSmallGridsHoldTheirText) {
    std::string text;
    for (int c = 0; c < 32; ++c)
        if (c != 7) text += static_cast<char>(c);  // the bell only sounds, for a quarter second
    text += "0123456789ABCDEFGHIJ";
    std::vector<std::pair<int32_t, int32_t>> sizes;
    for (int32_t a = 1; a <= 64; ++a) {
        sizes.push_back({a, 100});
        sizes.push_back({100, a});
        for (int32_t b = 1; b <= 16; ++b) sizes.push_back({a, b});
    }
    for (const auto& [w, h] : sizes) {
        screen_open(0, 0, 0, 0, 0);
        set_last_error(0);
        screen_open_size(w, h, 8, 1, kOpenNullDriver, 0);
        if (w < 8 || h < 8) {
            ASSERT_EQ(screen, nullptr) << w << " x " << h;
            ASSERT_EQ(last_error(), 1) << w << " x " << h;
            continue;
        }
        ASSERT_NE(screen, nullptr) << w << " x " << h;
        ASSERT_EQ(screen->text_cols, w / 8);
        ASSERT_EQ(screen->text_rows, h / 8);
        print_text(0, string_temp_literal(text.data(), static_cast<uint32_t>(text.size())), 1);
        print_text(0, string_temp_literal(text.data(), static_cast<uint32_t>(text.size())), 0);
        ASSERT_LT(screen->cursor_col, screen->text_cols) << w << " x " << h;
        ASSERT_LT(screen->cursor_row, screen->text_rows) << w << " x " << h;
        ASSERT_GE(cursor_row_get(), 1) << w << " x " << h;
    }
}

TEST_F(GfxTest, ModeZeroClosesAndOutputReturnsToTheConsole) {
    open(13);
    screen_open(0, 0, 0, 0, 0);
    EXPECT_EQ(screen, nullptr);
    EXPECT_EQ(screen_pointer(), nullptr);
    const void* const* slots = reinterpret_cast<const void* const*>(&console_hooks);
    for (int i = 0; i < 24; ++i) EXPECT_EQ(slots[i], nullptr) << "slot " << i;
    screen_close_at_exit();  // nothing open: nothing happens
    EXPECT_EQ(screen, nullptr);
}

TEST_F(GfxTest, NullNamedInAnyCase) {
    static char variable[] = "DNGFX=nUlL";
    putenv(variable);
    screen_open(13, 8, 1, 2, 0);  // flag 2 raises the depth
    static char cleared[] = "DNGFX=";
    putenv(cleared);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->driver, &null_driver);
    EXPECT_EQ(screen->depth, 16);
}

TEST_F(GfxTest, ReopeningResetsTheViewAndTheColumn) {
    open(19, 16);
    view_rows_change(5, 10, true);
    screen_device()->column = 33;
    open(13);
    int32_t top = 0, bottom = 0;
    view_rows_get(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 25);
    EXPECT_EQ(screen_device()->column, 0);
    EXPECT_EQ(screen->cursor_row, 0);
}

TEST_F(GfxTest, TitleIsTheExecutableName) {
    open(13);
    ASSERT_NE(screen_title(), nullptr);
#ifdef __EMSCRIPTEN__
    EXPECT_STREQ(screen_title(), "dice");  // a page's title; node has no page
#else
    EXPECT_STREQ(screen_title(), "runtime_tests");
#endif
    screen_set_title("dice window");
    EXPECT_STREQ(screen_title(), "dice window");
}

TEST_F(GfxTest, LockAndUnlockMarkRows) {
    open(13);
    std::memset(screen->dirty, 0, 200);  // set-up's palette marked every row
    screen_lock();
    EXPECT_TRUE(screen->flags & kScreenLocked);
    screen_unlock(10, 12);
    EXPECT_FALSE(screen->flags & kScreenLocked);
    for (int y = 0; y < 200; ++y) EXPECT_EQ(screen->dirty[y], (y >= 10 && y <= 12) ? 1 : 0) << y;
    screen_unlock(-1, 500);  // last row beyond the clip: nothing marked
    EXPECT_EQ(screen->dirty[0], 0);
}

}  // namespace
