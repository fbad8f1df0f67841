// The back end on a real console screen buffer. Needs a console: under
// Wine that means a terminal (ctest runs these through `script`); without
// one they are skipped, unless DICE_NEED_CONSOLE is set.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>

#include "console/console.h"
#include "console/win32/console_state.h"
#include "runtime/platform.h"
#include "runtime/text_cursor.h"
#include "runtime/text_view.h"

namespace {

class RealConsole : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std_handles;
        buffer_ = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr);
        if (buffer_ != INVALID_HANDLE_VALUE) return;
        if (std::getenv("DICE_NEED_CONSOLE")) FAIL() << "no console";
        GTEST_SKIP() << "no console";
    }
    void TearDown() override {
        std_handles = saved_;
        console_refresh();
        view_rows_set(-1, -1);
        console_wrap_pending = false;
        if (buffer_ != INVALID_HANDLE_VALUE) CloseHandle(buffer_);
    }

    // A buffer of width x height cells showing rows first..last.
    void shape(int16_t width, int16_t height, int16_t first, int16_t last) {
        // The window must fit the buffer at each step.
        const SMALL_RECT small{0, 0, 9, 4};
        ASSERT_TRUE(SetConsoleWindowInfo(buffer_, TRUE, &small));
        ASSERT_TRUE(SetConsoleScreenBufferSize(buffer_, COORD{width, height}));
        const SMALL_RECT window{0, first, static_cast<int16_t>(width - 1), last};
        ASSERT_TRUE(SetConsoleWindowInfo(buffer_, TRUE, &window));
        std_handles.output = reinterpret_cast<intptr_t>(buffer_);
        console_refresh();
        view_rows_set(-1, -1);
        console_wrap_pending = false;
        at(0, first);
    }
    void at(int16_t col, int16_t row) { SetConsoleCursorPosition(buffer_, COORD{col, row}); }
    void print(const std::string& s) {
        console_print_text(s.data(), static_cast<uint32_t>(s.size()), 0);
    }
    // Row `row` without its trailing blanks.
    std::string row_text(int16_t row) {
        CONSOLE_SCREEN_BUFFER_INFO info;
        GetConsoleScreenBufferInfo(buffer_, &info);
        std::string s(info.dwSize.X, ' ');
        DWORD got = 0;
        ReadConsoleOutputCharacterA(buffer_, s.data(), info.dwSize.X, COORD{0, row}, &got);
        s.resize(got);
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }
    CONSOLE_SCREEN_BUFFER_INFO info() {
        CONSOLE_SCREEN_BUFFER_INFO i{};
        GetConsoleScreenBufferInfo(buffer_, &i);
        return i;
    }

    StdHandles saved_{};
    HANDLE buffer_ = INVALID_HANDLE_VALUE;
};

std::string lines(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) {
        if (i > from) s += '\n';
        s += 'L';
        s += std::to_string(i);
    }
    return s;
}

}  // namespace

TEST_F(RealConsole, SizeIsBufferWidthByWindowRows) {
    shape(40, 30, 0, 9);
    int32_t cols = 0, rows = 0;
    console_text_size(&cols, &rows);
    EXPECT_EQ(cols, 40);
    EXPECT_EQ(rows, 10);
}

TEST_F(RealConsole, ControlCharactersMoveTheCursor) {
    struct Row {
        const char* text;
        const char* row0;
        const char* row1;
        int32_t col, row;  // 1-based cursor afterwards
    } rows[] = {
        {"AB\tC", "AB      C", "", 10, 1},
        {"abc\rX", "Xbc", "", 2, 1},
        {"abc\nX", "abc", "X", 2, 2},
        {"ab\b\bZ", "Zb", "", 2, 1},
        {"\b\bq", "q", "", 2, 1},
    };
    for (const Row& row : rows) {
        shape(40, 30, 0, 9);
        DWORD done = 0;
        FillConsoleOutputCharacterA(buffer_, ' ', 40 * 30, COORD{0, 0}, &done);
        print(row.text);
        EXPECT_EQ(row_text(0), row.row0) << row.text;
        EXPECT_EQ(row_text(1), row.row1) << row.text;
        int32_t col = 0, r = 0;
        console_cursor_pos(&col, &r);
        EXPECT_EQ(col, row.col) << row.text;
        EXPECT_EQ(r, row.row) << row.text;
    }
}

TEST_F(RealConsole, WindowMovesDownIntoFreeRows) {
    shape(40, 12, 0, 9);
    print(lines(0, 10));
    // The text stayed where it was; the window went down one row.
    EXPECT_EQ(row_text(0), "L0");
    EXPECT_EQ(row_text(10), "L10");
    EXPECT_EQ(info().srWindow.Top, 1);
    EXPECT_EQ(info().srWindow.Bottom, 10);
}

TEST_F(RealConsole, WholeBufferScrollsAtItsEnd) {
    shape(40, 12, 0, 9);
    print(lines(0, 12));
    EXPECT_EQ(row_text(0), "L1");
    EXPECT_EQ(row_text(11), "L12");
    EXPECT_EQ(info().srWindow.Top, 2);
    EXPECT_EQ(info().srWindow.Bottom, 11);
    // More lines than the buffer has rows in one print.
    print('\n' + lines(13, 40));
    EXPECT_EQ(row_text(0), "L29");
    EXPECT_EQ(row_text(11), "L40");
}

TEST_F(RealConsole, BandScrollsOnlyItsRows) {
    shape(40, 12, 0, 9);
    print(lines(0, 9));
    view_rows_set(2, 4);
    at(0, 4);
    print("\nnew");
    const char* expected[] = {"L0", "L1", "L3", "L4", "new", "L5"};
    for (int16_t r = 0; r < 6; ++r) EXPECT_EQ(row_text(r), expected[r]) << r;
    EXPECT_EQ(info().srWindow.Top, 0);
}

TEST_F(RealConsole, LastCellDefersTheWrap) {
    shape(40, 12, 0, 9);
    at(0, 9);
    print(std::string(40, 'w'));
    // Parked on the last cell, nothing scrolled.
    EXPECT_EQ(info().dwCursorPosition.X, 39);
    EXPECT_EQ(info().dwCursorPosition.Y, 9);
    EXPECT_EQ(info().srWindow.Top, 0);
    console_print_text("", 0, 0);
    EXPECT_EQ(info().srWindow.Top, 0);
    // The next character goes to a new row.
    print("Z");
    EXPECT_EQ(row_text(9), std::string(40, 'w'));
    EXPECT_EQ(row_text(10), "Z");
    EXPECT_EQ(info().srWindow.Top, 1);
}

TEST_F(RealConsole, EmptyPrintWithFlagSettlesTheWrap) {
    shape(40, 12, 0, 9);
    at(0, 9);
    print(std::string(40, 'w'));
    console_print_text("", 0, kPrintSettleWrap);
    EXPECT_EQ(info().dwCursorPosition.X, 0);
    EXPECT_EQ(info().dwCursorPosition.Y, 10);
    EXPECT_EQ(info().srWindow.Top, 1);
}

TEST_F(RealConsole, PositioningClearsThePendingWrap) {
    shape(40, 12, 0, 9);
    at(0, 9);
    print(std::string(40, 'w'));
    console_move_cursor(3, 5, -1);
    print("P");
    EXPECT_EQ(row_text(2), "    P");
    EXPECT_EQ(info().srWindow.Top, 0);
}

TEST_F(RealConsole, MoveCursorResultAndVisibility) {
    shape(40, 12, 0, 9);
    CONSOLE_CURSOR_INFO shown{25, TRUE};
    SetConsoleCursorInfo(buffer_, &shown);
    struct Row {
        int32_t row, col, visibility;
        int32_t result;
        BOOL visible_after;
    } rows[] = {
        {3, 7, -1, 7 | 3 << 8 | 0x10000, TRUE},
        {4, 1, 0, 1 | 4 << 8 | 0x10000, FALSE},
        // Row or column 0 keeps that coordinate.
        {0, 9, -1, 9 | 4 << 8, FALSE},
        {2, 0, 1, 9 | 2 << 8, TRUE},
        {0, 0, -1, 9 | 2 << 8 | 0x10000, TRUE},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(console_move_cursor(row.row, row.col, row.visibility), row.result) << row.row;
        CONSOLE_CURSOR_INFO cursor{};
        GetConsoleCursorInfo(buffer_, &cursor);
        EXPECT_EQ(cursor.bVisible, row.visible_after) << row.row;
    }
    int32_t col = 0, r = 0;
    console_cursor_pos(&col, &r);
    EXPECT_EQ(col, 9);
    EXPECT_EQ(r, 2);
}

TEST_F(RealConsole, RowsCountFromTheWindowTop) {
    shape(40, 30, 10, 19);
    console_move_cursor(1, 1, -1);
    EXPECT_EQ(info().dwCursorPosition.Y, 10);
    print("top");
    EXPECT_EQ(row_text(10), "top");
}

TEST_F(RealConsole, WideText) {
    shape(40, 12, 0, 9);
    const std::u16string text = u"A\u00F1\u20AC\tB";
    console_print_text_wide(reinterpret_cast<const uint16_t*>(text.data()),
                            static_cast<uint32_t>(text.size()), 0);
    WCHAR cells[9] = {};
    DWORD got = 0;
    ReadConsoleOutputCharacterW(buffer_, cells, 9, COORD{0, 0}, &got);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(cells), 9), u"A\u00F1\u20AC     B");
}
