#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "runtime/context.h"
#include "runtime/text_cursor.h"
#include "runtime/text_view.h"
#include "tests/capture.h"

using namespace pantalla::detail;

namespace {

// A grid of cells with the walk's two operations, recording each call.
struct Grid {
    int cols, rows;
    std::vector<std::string> cells;
    std::vector<std::string> calls;
    int fail_writes_from = -1;  // write number from which writes fail

    Grid(int c, int r) : cols(c), rows(r), cells(r, std::string(c, '.')) {}

    static Grid& of(TextView* v) { return *static_cast<Grid*>(v->device); }
    static int32_t write(TextView* v, const char* text, int32_t count) {
        Grid& g = of(v);
        EXPECT_GE(count, 1);
        EXPECT_LE(count, v->right - v->cursor_col + 1);
        EXPECT_LE(v->cursor_row, v->bottom == -1 ? g.rows - 1 : v->bottom);
        char call[48];
        std::snprintf(call, sizeof call, "w%d@%d,%d", count, v->cursor_col, v->cursor_row);
        g.calls.emplace_back(call);
        if (g.fail_writes_from >= 0 && static_cast<int>(g.calls.size()) > g.fail_writes_from) return 0;
        g.cells[v->cursor_row].replace(v->cursor_col, count, text, count);
        return 1;
    }
    static void scroll(TextView* v, int32_t l, int32_t t, int32_t r, int32_t b, int32_t lines) {
        Grid& g = of(v);
        g.calls.emplace_back(std::string(1, 's').append(std::to_string(lines)));
        for (int row = t; row <= b; ++row) {
            const int from = row + lines;
            const std::string src = from <= b ? g.cells[from].substr(l, r - l + 1) : std::string(r - l + 1, ' ');
            g.cells[row].replace(l, r - l + 1, src);
        }
        v->cursor_row = b;
    }
    TextView view(int col = 0, int row = 0) {
        return TextView{this, scroll, write, 0, 0, cols - 1, rows - 1, col, row};
    }
};

void put(TextView& v, const std::string& s) { text_view_put(&v, s.data(), static_cast<uint32_t>(s.size())); }

TEST(TextWalk, TabsCountFromTheViewsLeftEdge) {
    Grid g(100, 5);
    TextView v = g.view();
    put(v, "AB\tC");
    EXPECT_EQ(g.cells[0].substr(0, 10), "AB      C.");
    EXPECT_EQ(v.cursor_col, 9);

    v.cursor_col = 8;
    put(v, "\t");
    EXPECT_EQ(v.cursor_col, 16);

    // At column 98 of 100: two blanks here, four on the next row.
    v.cursor_col = 98;
    v.cursor_row = 1;
    put(v, "\t");
    EXPECT_EQ(g.cells[1].substr(98), "  ");
    EXPECT_EQ(g.cells[2].substr(0, 5), "    .");
    EXPECT_EQ(v.cursor_col, 4);
    EXPECT_EQ(v.cursor_row, 2);

    TextView band = g.view();
    band.left = 10;
    band.cursor_col = 12;
    band.cursor_row = 3;
    put(band, "\tX");
    EXPECT_EQ(g.cells[3].substr(10, 10), "..      X.");  // 6 blanks to column 18
}

TEST(TextWalk, MovementsNeverEraseAndBackspaceStopsAtTheLeft) {
    Grid g(20, 5);
    TextView v = g.view();
    put(v, "abc\b\bX");
    EXPECT_EQ(g.cells[0].substr(0, 4), "aXc.");
    v.cursor_col = 0;
    put(v, "\b\bY");
    EXPECT_EQ(g.cells[0][0], 'Y');
    put(v, "\rZ\nQ");
    EXPECT_EQ(g.cells[0].substr(0, 3), "ZXc");
    EXPECT_EQ(g.cells[1].substr(0, 2), "Q.");
    put(v, std::string("\x0B\x0C\x00", 3));  // printed as glyphs
    EXPECT_EQ(g.cells[1].substr(0, 4), std::string("Q\x0B\x0C\x00", 4));
    EXPECT_EQ(v.cursor_col, 4);
}

TEST(TextWalk, WrapsAtTheRightEdgeAndScrollsOnlyWhenNeeded) {
    Grid g(10, 3);
    TextView v = g.view(0, 2);
    put(v, "0123456789");  // fills the bottom row: no scroll yet
    EXPECT_EQ(g.calls, (std::vector<std::string>{"w10@0,2"}));
    EXPECT_EQ(v.cursor_row, 3);
    EXPECT_EQ(v.cursor_col, 0);
    put(v, "ab");
    EXPECT_EQ(g.calls.back(), "w2@0,2");
    EXPECT_EQ(g.calls[1], "s1");
    EXPECT_EQ(g.cells[1], "0123456789");
    EXPECT_EQ(g.cells[2], "ab        ");
}

TEST(TextWalk, LineFeedOnTheBottomRowScrollsAtOnce) {
    Grid g(10, 3);
    TextView v = g.view(0, 2);
    put(v, "end\r\n");
    EXPECT_EQ(g.calls, (std::vector<std::string>{"w3@0,2", "s1"}));
    EXPECT_EQ(v.cursor_row, 2);
    EXPECT_EQ(v.cursor_col, 0);
    put(v, "\n\n\n");
    EXPECT_EQ(g.calls.back(), "s3");
}

TEST(TextWalk, LongRunsArriveInPiecesOfAtMost256) {
    Grid g(100, 10);
    TextView v = g.view(0, 0);
    put(v, std::string(300, 'x'));
    // 256 buffered: 100, 100, 56; then 44 more.
    EXPECT_EQ(g.calls, (std::vector<std::string>{"w100@0,0", "w100@0,1", "w56@0,2", "w44@56,2"}));
    EXPECT_EQ(v.cursor_row, 3);
    EXPECT_EQ(v.cursor_col, 0);
}

TEST(TextWalk, FailedWriteEndsOnlyThatRun) {
    Grid g(10, 3);
    g.fail_writes_from = 0;
    TextView v = g.view();
    put(v, "abc\r\nde");
    EXPECT_EQ(g.calls.size(), 2u);
    EXPECT_EQ(v.cursor_row, 1);  // the line feed still moved
    EXPECT_EQ(v.cursor_col, 0);
}

TEST(TextWalk, NoBottomMeansNoScroll) {
    Grid g(10, 20);
    TextView v = g.view();
    v.bottom = -1;
    put(v, "\n\n\n\n\nx");
    EXPECT_EQ(g.calls, (std::vector<std::string>{"w1@0,5"}));
}

TEST(TextWalk, WideTextTakesTheSameRules) {
    struct Wide {
        std::u16string row = u"..........";
        static int32_t write(TextViewWide* v, const uint16_t* t, int32_t n) {
            auto* w = static_cast<Wide*>(v->device);
            for (int i = 0; i < n; ++i) w->row[v->cursor_col + i] = static_cast<char16_t>(t[i]);
            return 1;
        }
        static void scroll(TextViewWide*, int32_t, int32_t, int32_t, int32_t, int32_t) {}
    } w;
    TextViewWide v{&w, Wide::scroll, Wide::write, 0, 0, 9, 0, 0, 0};
    const uint16_t text[] = {0x263A, 9, 'x', 8, 'y'};
    text_view_put(&v, text, 5);
    EXPECT_EQ(w.row, u"\u263A       y.");
}

// The deferred-wrap rule around the walk.
TEST(WrapRule, TextEndingInTheLastCellParksTheCursor) {
    Grid g(10, 3);
    bool pending = false;
    TextView v = g.view(5, 2);
    text_view_print(&v, &pending, "56789", 5);
    EXPECT_TRUE(pending);
    EXPECT_EQ(v.cursor_col, 9);
    EXPECT_EQ(v.cursor_row, 2);
    EXPECT_EQ(std::count(g.calls.begin(), g.calls.end(), "s1"), 0);

    text_view_print(&v, &pending, "", 0);  // a settling print (the caller checks flag 8)
    EXPECT_FALSE(pending);
    EXPECT_EQ(g.calls.back(), "s1");
    EXPECT_EQ(v.cursor_col, 0);
    EXPECT_EQ(v.cursor_row, 2);
}

TEST(WrapRule, NextCharacterScrollsThenDrawsOnTheBottomRow) {
    Grid g(10, 3);
    bool pending = false;
    TextView v = g.view(0, 2);
    text_view_print(&v, &pending, "0123456789", 10);
    text_view_print(&v, &pending, "Z", 1);
    EXPECT_EQ(g.calls, (std::vector<std::string>{"w10@0,2", "s1", "w1@0,2"}));
    EXPECT_EQ(g.cells[2][0], 'Z');
    EXPECT_FALSE(pending);
}

// View rows, sizes and positioning, against a 100 x 37 console.
class ViewRows : public ::testing::Test {
protected:
    static inline int32_t moves = 0, last_row = 0, last_col = 0, last_vis = 0;
    static int32_t move(int32_t row, int32_t col, int32_t vis) {
        ++moves;
        last_row = row;
        last_col = col;
        last_vis = vis;
        return 0x1234;
    }
    void SetUp() override {
        Capture::install();
        console_hooks.move_cursor = move;
        view_rows_set(-1, -1);
        moves = 0;
    }
    void TearDown() override {
        view_rows_set(-1, -1);
        Capture::remove();
    }
};

TEST_F(ViewRows, UnsetRowsResolveToTheWholeConsole) {
    int32_t top = 0, bottom = 0;
    view_rows_get(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 37);
    EXPECT_EQ(view_top, 0);
    EXPECT_EQ(view_bottom, 36);
}

TEST_F(ViewRows, ChangeRefusesBadBands) {
    view_rows_change(2, 30, false);
    struct Row { int32_t top, bottom; };
    const Row refused[] = {{5, 3}, {0, 38}, {38, 38}, {40, 0}, {-1, 1}};
    for (const Row& r : refused) {
        EXPECT_EQ(view_rows_change(r.top, r.bottom, true), 0) << r.top << "," << r.bottom;
        EXPECT_EQ(view_top, 1);
        EXPECT_EQ(view_bottom, 29);
    }
    EXPECT_EQ(moves, 0);
}

TEST_F(ViewRows, ChangeStoresTheBandAndRelocates) {
    EXPECT_EQ(view_rows_change(3, 10, true), 3 | 10 << 16);
    EXPECT_EQ(view_top, 2);
    EXPECT_EQ(view_bottom, 9);
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(last_row, 3);
    EXPECT_EQ(last_col, 1);
    EXPECT_EQ(view_rows_change(-1, 20, false), 3 | 20 << 16);  // keeps the first row
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(view_rows_change(0, 0, true), 1 | 37 << 16);
    EXPECT_EQ(last_row, 1);
    EXPECT_EQ(view_rows_change(-1, -1, true), 1 | 37 << 16);  // no change, no move
    EXPECT_EQ(moves, 2);
}

TEST_F(ViewRows, CursorMoveChecksTheBandAndColumns) {
    view_rows_change(5, 10, false);
    int32_t result = -1;
    EXPECT_EQ(cursor_move(4, 1, -1, &result), 1);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(last_error(), 1);
    EXPECT_EQ(cursor_move(5, 101, -1, nullptr), 1);
    EXPECT_EQ(cursor_move(5, -3, -1, nullptr), 1);
    EXPECT_EQ(moves, 0);

    EXPECT_EQ(cursor_move(6, 12, 1, &result), 0);
    EXPECT_EQ(result, 0x1234);
    EXPECT_EQ(last_error(), 0);
    EXPECT_EQ(device_table[0].column, 11);
    EXPECT_EQ(cursor_move(0, 0, 0, nullptr), 0);  // keeps both
    EXPECT_EQ(device_table[0].column, 11);
}

TEST_F(ViewRows, PlaceCursorAppliesTheVisibilityWhenRefused) {
    view_rows_change(5, 10, false);
    place_cursor(20, 1, 0);
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(last_row, 0);
    EXPECT_EQ(last_col, 0);
    EXPECT_EQ(last_vis, 0);
}

}  // namespace
