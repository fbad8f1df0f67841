#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gfx/pixels.h"
#include "gfx/text_draw.h"
#include "runtime/console_print.h"
#include "runtime/key_codes.h"
#include "runtime/line_input.h"
#include "runtime/rt_string.h"
#include "runtime/print.h"
#include "runtime/text_cursor.h"
#include "tests/gfx_fixture.h"

using namespace pantalla::detail;

namespace {

void print(const std::string& s) { console_print(s.data(), static_cast<uint32_t>(s.size()), 0); }

int dirty_rows() {
    int n = 0;
    for (int y = 0; y < screen->height; ++y) n += screen->dirty[y] ? 1 : 0;
    return n;
}

TEST_F(GfxTest, LetterAOnTheDiceScreen) {
    open(19, 16, 4);
    print("A");
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(pixel(x, y), glyph_bit('A', x, y) ? 0xFFFFu : 0u) << x << "," << y;
    // The design, bit 7 leftmost: 00 00 10 38 6C C6 C6 FE C6 C6 C6 C6 00 00 00 00.
    EXPECT_EQ(pixel(3, 2), 0xFFFFu);
    EXPECT_EQ(pixel(2, 2), 0u);
    for (int x = 0; x < 7; ++x) EXPECT_EQ(pixel(x, 7), 0xFFFFu);
    for (int y = 0; y < 600; ++y) EXPECT_EQ(screen->dirty[y], y < 16 ? 1 : 0) << y;
    EXPECT_EQ(read_cell(1, 1, 0), 'A');
    EXPECT_EQ(screen->cursor_col, 1);
}

TEST_F(GfxTest, FullBottomRowDefersItsScroll) {
    open(19, 16, 4);
    cursor_move(37, 1, -1, nullptr);
    print(std::string(100, 'x'));
    EXPECT_EQ(cursor_row_get(), 37);
    EXPECT_EQ(cursor_col_get(), 100);
    EXPECT_TRUE(screen->flags & kScreenWrapPending);
    EXPECT_EQ(read_cell(100, 37, 0), 'x');
    EXPECT_EQ(read_cell(1, 36, 0), ' ');
    print("y");  // scrolls first, then draws at the left of the bottom row
    EXPECT_EQ(read_cell(1, 36, 0), 'x');
    EXPECT_EQ(read_cell(1, 37, 0), 'y');
    EXPECT_EQ(read_cell(2, 37, 0), ' ');
    EXPECT_EQ(cursor_col_get(), 2);
}

TEST_F(GfxTest, LineFeedOnTheLastRowMovesWholeTextRows) {
    open(19, 16, 4);
    // A pattern: each pixel row holds its own number; rows below the text
    // area hold 0xABCD.
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const uint16_t v = y < 592 ? static_cast<uint16_t>(y) : 0xABCD;
            std::memcpy(screen->pages[0] + y * 1600 + 2 * x, &v, 2);
        }
    std::memset(screen->dirty, 0, 600);
    cursor_move(37, 1, -1, nullptr);
    print("\n");
    for (int y = 0; y < 576; ++y) ASSERT_EQ(pixel(417, y), static_cast<uint32_t>(y + 16)) << y;
    for (int y = 576; y < 592; ++y) ASSERT_EQ(pixel(5, y), 0u) << y;
    for (int y = 592; y < 600; ++y) ASSERT_EQ(pixel(799, y), 0xABCDu) << y;
    EXPECT_EQ(dirty_rows(), 592);
    EXPECT_EQ(cursor_row_get(), 37);
}

TEST_F(GfxTest, HiddenPageMarksNothing) {
    open(19, 16, 2);
    screen->work_page = 1;
    for (int y = 0; y < 600; ++y) screen->rows[y] = screen->pages[1] + y * 1600;
    print("hidden");
    EXPECT_EQ(dirty_rows(), 0);
    int lit = 0;
    for (int i = 0; i < 16 * 1600; ++i) lit += screen->pages[1][i] != 0;
    EXPECT_GT(lit, 0);
    EXPECT_EQ(read_cell(1, 1, 0), 'h');  // cells of the work page
    EXPECT_EQ(screen->text_cells[0][0].code, 32u);
}

// The row writer must leave exactly what the per-pixel route leaves.
TEST_F(GfxTest, RowWriterMatchesThePixelRoute) {
    std::mt19937 random(7);
    struct Row { int32_t mode, depth; };
    for (const Row r : {Row{19, 16}, Row{13, 8}, Row{19, 32}, Row{9, 4}, Row{11, 1}}) {
        open(r.mode, r.depth);
        std::string text(37, ' ');
        for (char& c : text) c = static_cast<char>(random());
        screen->fg_colour = random() & screen->colour_mask;
        screen->bg_colour = random() & screen->colour_mask;
        const size_t bytes = static_cast<size_t>(screen->pitch) * screen->height;
        auto draw = [&](auto writer) {
            std::memset(screen->pages[0], 0x5A, bytes);
            DirtyRange range{0, 0};
            TextView v{&range, text_scroll, writer, 0, 0, screen->text_cols - 1, screen->text_rows - 1, 2, 1};
            writer(&v, text.data(), static_cast<int32_t>(text.size()));
            EXPECT_EQ(range.first, screen->font->glyph_height);
            EXPECT_EQ(range.end, 2 * screen->font->glyph_height);
            return std::vector<uint8_t>(screen->pages[0], screen->pages[0] + bytes);
        };
        const auto fast = draw(text_write);
        const auto slow = draw(text_write_per_pixel);
        EXPECT_TRUE(fast == slow) << "mode " << r.mode << " depth " << r.depth;
    }
}

TEST_F(GfxTest, HighCharactersDrawAndReadBack) {
    open(13);
    std::string text;
    for (int c = 128; c < 256; ++c) text += static_cast<char>(c);
    print(text);
    for (int c = 128; c < 256; ++c) {
        const int i = c - 128;
        EXPECT_EQ(read_cell(i % 40 + 1, i / 40 + 1, 0), c);
    }
    EXPECT_EQ(read_cell(1, 1, 1), 15);  // foreground + background * 256
    EXPECT_EQ(read_cell(0, 1, 0), 0);
    EXPECT_EQ(read_cell(41, 1, 0), 0);
}

TEST_F(GfxTest, ReadCellColoursByDepth) {
    open(19, 16);
    screen->bg_colour = 0x1234;
    print("q");
    EXPECT_EQ(read_cell(1, 1, 1), 0xFFFF);
    EXPECT_EQ(read_cell(1, 1, 2), 0x1234);
    open(9);
    print("q");
    EXPECT_EQ(read_cell(1, 1, 1), 15);
}

TEST_F(GfxTest, ClearScreenFillsBlanksAndHomes) {
    open(19, 16);
    print("some text\r\nmore");
    screen->bg_colour = 0x001F;
    std::memset(screen->dirty, 0, 600);
    clear_screen(0);
    EXPECT_EQ(pixel(0, 0), 0x1Fu);
    EXPECT_EQ(pixel(799, 599), 0x1Fu);
    EXPECT_EQ(read_cell(1, 1, 0), ' ');
    EXPECT_EQ(read_cell(1, 1, 2), 0x1F);
    EXPECT_EQ(cursor_row_get(), 1);
    EXPECT_EQ(cursor_col_get(), 1);
    EXPECT_EQ(dirty_rows(), 600);
    EXPECT_EQ(screen->pen_x, 400.0);

    // A band clears only its rows.
    view_rows_change(3, 4, true);
    print("band");
    screen->bg_colour = 0;
    clear_screen(kClearDefault);
    EXPECT_EQ(pixel(0, 2 * 16), 0u);
    EXPECT_EQ(pixel(0, 4 * 16), 0x1Fu);
    EXPECT_EQ(cursor_row_get(), 3);
}

TEST_F(GfxTest, SetTextSizeChoosesTheFont) {
    open(19, 16);
    struct Row { int32_t cols, rows; const FontDescriptor* font; };
    const Row rows[] = {{100, 75, &font_8x8}, {100, 42, &font_8x14}, {100, 37, &font_8x16}};
    for (const Row& r : rows) {
        set_text_size(r.cols, r.rows);
        EXPECT_EQ(screen->font, r.font);
        EXPECT_EQ(screen->text_rows, r.rows);
    }
    EXPECT_EQ(set_text_size(80, 25), 100 | 37 << 16);  // 10-pixel cells: refused
    EXPECT_EQ(screen->text_cols, 100);
    EXPECT_EQ(set_text_size(0, 0), 100 | 37 << 16);
}

TEST_F(GfxTest, WideTextBecomesBytes) {
    open(13);
    const uint16_t units[] = {0x41, 0x263A, 0xD83D, 0xDE00, 0xE9};
    console_print_wide(units, 5, 0);
    EXPECT_EQ(read_cell(1, 1, 0), 'A');
    EXPECT_EQ(read_cell(2, 1, 0), '?');
    EXPECT_EQ(read_cell(3, 1, 0), '?');
    EXPECT_EQ(read_cell(4, 1, 0), 0xE9);
    EXPECT_EQ(cursor_col_get(), 5);
}

TEST_F(GfxTest, PrintStatementsReachTheScreen) {
    open(19, 16);
    print_text(0, string_temp_literal("abc"), 0);
    print_integer(0, 42, 1);
    EXPECT_EQ(read_cell(4, 1, 0), ' ');
    EXPECT_EQ(read_cell(5, 1, 0), '4');
    EXPECT_EQ(cursor_row_get(), 2);
    EXPECT_EQ(screen_device()->column, 0);
    EXPECT_EQ(screen_device()->width, 100u);
}

TEST_F(GfxTest, PixelRoutinesPerDepth) {
    for (int32_t depth : {8, 16, 32}) {
        open(19, depth);
        pixel_routines.pixel_put(3, 4, 0x12345678);
        EXPECT_EQ(pixel_routines.pixel_get(3, 4), 0x12345678u & screen->colour_mask) << depth;
        EXPECT_EQ(pixel(3, 4), 0x12345678u & screen->colour_mask);
    }
    std::vector<uint8_t> a(100, 1), b(100, 2);
    row_copy_plain(a.data(), b.data(), 50);
    row_fill_fast(b.data(), 9, 10);
    EXPECT_EQ(a[49], 2);
    EXPECT_EQ(a[50], 1);
    EXPECT_EQ(b[9], 9);
    EXPECT_EQ(b[10], 2);
}

// A display thread reads the text cursor under the screen lock (the
// "Terminal" driver places the terminal's cursor there), so every
// statement that moves it must do so under the lock. This lock sees a
// cursor that changed while it was free.
struct CursorWatch {
    int32_t row = 0, col = 0;
    std::string moved_unlocked;  // the statements that did
    const char* statement = "";
} watch;
DisplayDriver watching_driver = null_driver;

TEST_F(GfxTest, TheCursorMovesOnlyUnderTheScreenLock) {
    watching_driver.lock = [] {
        null_driver.lock();
        if (screen->cursor_row != watch.row || screen->cursor_col != watch.col) watch.moved_unlocked += watch.statement;
    };
    watching_driver.unlock = [] {
        watch = CursorWatch{screen->cursor_row, screen->cursor_col, watch.moved_unlocked, watch.statement};
        null_driver.unlock();
    };
    open(19, 16);
    watch = CursorWatch{screen->cursor_row, screen->cursor_col, "", ""};
    screen->driver = &watching_driver;
    const struct {
        const char* statement;
        void (*run)();
    } rows[] = {
        {"locate ", [] { cursor_move(5, 7, -1, nullptr); }},
        {"view ", [] { view_rows_change(3, 20, true); }},
        {"print ", [] { print("abc\n"); }},
        {"cls ", [] { clear_screen(0); }},
        {"edit ", [] {
             for (int32_t key : {int32_t{'x'}, int32_t{'y'}, extended_key(0x47), extended_key(0x4F), int32_t{13}})
                 key_queue_push(screen_key_queue, key);
             RtString* text = string_temp_copy(nullptr, 0);
             edit_line(text);
             string_release_temp(text);
         }},
        {"text size ", [] { set_text_size(80, 25); }},
    };
    for (const auto& r : rows) {
        watch.statement = r.statement;
        r.run();
        display_lock(screen->driver);  // looks once more after the statement
        display_unlock(screen->driver);
    }
    screen->driver = &null_driver;
    EXPECT_EQ(watch.moved_unlocked, "");
}

}  // namespace
