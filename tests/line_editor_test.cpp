#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/console_hooks.h"
#include "runtime/key_codes.h"
#include "runtime/line_input.h"
#include "tests/scripted_screen.h"

using namespace pantalla::detail;

namespace {

constexpr int32_t kUp = extended_key(0x48), kDown = extended_key(0x50);
constexpr int32_t kLeft = extended_key(0x4B), kRight = extended_key(0x4D);
constexpr int32_t kHome = extended_key(0x47), kEnd = extended_key(0x4F);
constexpr int32_t kDel = extended_key(0x53), kIns = extended_key(0x52);
constexpr int32_t kPgUp = extended_key(0x49), kPgDn = extended_key(0x51);
constexpr int32_t kF1 = extended_key(0x3B);
constexpr int32_t kBksp = 8, kTab = 9, kEsc = 27, kEnter = 13;

using Keys = std::vector<int32_t>;
using S = ScriptedScreen;

// Characters of a text as key codes.
Keys chars(const std::string& text) { return Keys(text.begin(), text.end()); }
Keys operator+(Keys a, const Keys& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class LineEditor : public ::testing::Test {
protected:
    void TearDown() override { S::remove(); }

    // Edits one line on a fresh screen, starting with the cursor at
    // (col, row); returns the text. The script ends with Enter unless the
    // keys already end the line.
    std::string edit(const Keys& keys, int32_t cols, int32_t rows, int32_t col = 1, int32_t row = 1) {
        S::install(cols, rows);
        S::col = col - 1;
        S::row = row - 1;
        for (int32_t k : keys) S::keys.push_back(k);
        RtString* text = string_temp_copy(nullptr, 0);
        edit_line(text);
        std::string result(text->data, string_length(text));
        string_release_temp(text);
        return result;
    }
};

TEST_F(LineEditor, KeysOnOneRow) {
    struct Row { const char* what; Keys keys; std::string text; int bells; };
    const Row rows[] = {
        {"insert in the middle", chars("123") + Keys{kLeft, kLeft, '9'}, "1923", 0},
        {"Home then Delete", chars("123") + Keys{kLeft, kLeft, '9', kHome, kDel}, "923", 0},
        {"Escape erases all", chars("abc") + Keys{kLeft, kEsc}, "", 0},
        {"Escape, then typing starts over", chars("abc") + Keys{kEsc, 'x'}, "x", 0},
        {"Backspace and Left at 0", Keys{kBksp, kLeft, 'a'}, "a", 0},
        {"Backspace in the middle", chars("abc") + Keys{kLeft, kBksp}, "ac", 0},
        {"Delete at the end rings", chars("ab") + Keys{kDel}, "ab", 1},
        {"Delete in the middle", chars("abc") + Keys{kHome, kRight, kDel}, "ac", 0},
        {"Tab at 3 inserts 5", chars("abc") + Keys{kTab, 'x'}, "abc     x", 0},
        {"Tab at 8 inserts 8", chars("12345678") + Keys{kTab, 'x'}, "12345678        x", 0},
        {"Tab stops count from the text", chars("ab") + Keys{kHome, kTab}, "        ab", 0},
        {"ignored extended keys", Keys{'a', kIns, kPgUp, kPgDn, kF1, 'b'}, "ab", 0},
        {"ignored control characters", Keys{'a', 1, 26, 0, 'b'}, "ab", 0},
        {"Right stops at the end", Keys{'a', kRight, kRight, 'b'}, "ab", 0},
        {"Home and End", chars("abc") + Keys{kHome, 'x', kEnd, 'y'}, "xabcy", 0},
        {"bytes above 127 are characters", Keys{0xE9, 0xFF}, "\xE9\xFF", 0},
        {"Enter at once", Keys{}, "", 0},
        {"LF ends the line too", chars("ab") + Keys{10, 'c'}, "ab", 0},
        {"the close code ends the line", chars("ab") + Keys{kCloseKey, 'c'}, "ab", 0},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(edit(r.keys + Keys{kEnter}, 40, 5), r.text) << r.what;
        EXPECT_EQ(S::line(1), r.text) << r.what;
        EXPECT_EQ(S::bells, r.bells) << r.what;
        S::remove();
    }
}

TEST_F(LineEditor, EnterPutsTheCursorBehindTheText) {
    EXPECT_EQ(edit(chars("abc") + Keys{kLeft, kLeft, kEnter}, 40, 5), "abc");
    EXPECT_EQ(S::col + 1, 4);
    EXPECT_EQ(S::row + 1, 1);
}

TEST_F(LineEditor, CursorVisibilityIsRestored) {
    for (bool visible : {false, true}) {
        S::install(40, 5);
        S::visible = visible;
        S::type("a\r");
        RtString* text = string_temp_copy(nullptr, 0);
        edit_line(text);
        string_release_temp(text);
        EXPECT_EQ(S::visible, visible);
    }
}

TEST_F(LineEditor, WrappedRows) {
    const std::string fifteen = "0123456789abcde";
    struct Row { const char* what; Keys keys; std::string text; std::vector<std::string> lines; };
    const Row rows[] = {
        {"wraps past the right edge", chars("abcdefghijkl"), "abcdefghijkl", {"abcdefghij", "kl"}},
        {"Up moves one row back", chars(fifteen) + Keys{kUp, 'X'}, "01234X56789abcde",
         {"01234X5678", "9abcde"}},
        {"Up needs a row to go to", chars("01234") + Keys{kUp, 'X'}, "01234X", {"01234X", ""}},
        {"Down moves one row on", chars(fifteen) + Keys{kHome, kDown, 'X'}, "0123456789Xabcde",
         {"0123456789", "Xabcde"}},
        {"Down needs text to land on", chars(fifteen) + Keys{kLeft, kDown, 'X'},
         "0123456789abcdXe", {"0123456789", "abcdXe"}},
        {"Left goes back over the edge", chars("0123456789a") + Keys{kLeft, kLeft, 'X'},
         "012345678X9a", {"012345678X", "9a"}},
        {"a deletion erases the stale tail", chars("0123456789a") + Keys{kHome, kDel},
         "123456789a", {"123456789a", ""}},
        {"Escape clears every row", chars(fifteen) + Keys{kEsc}, "", {"", ""}},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(edit(r.keys + Keys{kEnter}, 10, 5), r.text) << r.what;
        EXPECT_EQ(S::line(1), r.lines[0]) << r.what;
        EXPECT_EQ(S::line(2), r.lines[1]) << r.what;
        EXPECT_EQ(S::scrolls, 0) << r.what;
        S::remove();
    }
}

TEST_F(LineEditor, TypingAtTheBottomScrolls) {
    // Start on the last row of a 10 x 3 screen; the next character typed
    // shows where the cursor stood.
    struct Row {
        const char* what;
        Keys keys;
        int32_t start_col;
        std::string text;
        std::vector<std::string> lines;  // rows 2 and 3
        int scrolls;
    };
    const Row rows[] = {
        {"filling the bottom row", chars("0123456789ab"), 1, "0123456789ab", {"0123456789", "ab"}, 1},
        {"from the bottom-right cell", chars("ab"), 10, "ab", {"         a", "b"}, 1},
        {"insertion that pushes the tail past the bottom",
         chars("012345678") + Keys{kHome, kRight, 'X', 'Y', 'Z'}, 1, "0XYZ12345678",
         {"0XYZ123456", "78"}, 1},
        {"Tab in the middle pushes the tail past the bottom",
         chars("01234567") + Keys{kHome, kRight, kTab, 'X'}, 1, "0       X1234567",
         {"0       X1", "234567"}, 1},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(edit(r.keys + Keys{kEnter}, 10, 3, r.start_col, 3), r.text) << r.what;
        EXPECT_EQ(S::line(2), r.lines[0]) << r.what;
        EXPECT_EQ(S::line(3), r.lines[1]) << r.what;
        EXPECT_EQ(S::scrolls, r.scrolls) << r.what;
        S::remove();
    }
}

TEST_F(LineEditor, CursorAfterTextThatEndsOnTheLastCell) {
    EXPECT_EQ(edit(chars("0123456789") + Keys{kEnter}, 10, 3, 1, 3), "0123456789");
    EXPECT_EQ(S::line(2), "0123456789");
    EXPECT_EQ(S::col + 1, 1);
    EXPECT_EQ(S::row + 1, 3);
    EXPECT_EQ(S::scrolls, 1);
}

TEST_F(LineEditor, PastedMegabyte) {
    std::string pasted(1 << 20, ' ');
    for (size_t i = 0; i < pasted.size(); ++i) pasted[i] = static_cast<char>('a' + i % 26);
    EXPECT_EQ(edit(chars(pasted) + Keys{kEnter}, 80, 25), pasted);
    // 13107 full rows and 16 characters on the last.
    EXPECT_EQ(S::line(25), pasted.substr(pasted.size() - 16));
    EXPECT_EQ(S::line(24), pasted.substr(pasted.size() - 96, 80));
    EXPECT_EQ(S::col + 1, 17);
    EXPECT_EQ(S::scrolls, 13108 - 25);
}

// A line taller than the screen: its start has scrolled off the top and
// moves that reach above the screen or below it land on the nearest row.
TEST_F(LineEditor, MovesBeyondTheScreenStayOnIt) {
    static std::vector<std::string> seen;  // the cursor as each key is fetched
    seen.clear();
    S::install(20, 6);
    S::col = 6;
    const Keys keys = chars(std::string(130, 'a')) + Keys{kHome, kEnd, kUp, kEsc, 'b', kEnter};
    for (int32_t k : keys) S::keys.push_back(k);
    console_hooks.get_key = [] {
        seen.push_back(std::to_string(S::col + 1) + "," + std::to_string(S::row + 1));
        return S::get_key();
    };
    RtString* text = string_temp_copy(nullptr, 0);
    edit_line(text);
    EXPECT_EQ(std::string(text->data, string_length(text)), "b");
    string_release_temp(text);
    ASSERT_EQ(seen.size(), keys.size());
    // After the 130 characters, Home, End, Up, Escape and b.
    const std::vector<std::string> after(seen.end() - 6, seen.end());
    EXPECT_EQ(after, (std::vector<std::string>{"17,6", "7,1", "17,6", "17,5", "7,1", "8,1"}));
}

TEST(CursorArithmetic, StepPosition) {
    struct Row { int32_t col, row, delta, width, want_col, want_row; };
    const Row rows[] = {
        {1, 1, 0, 10, 1, 1},
        {5, 2, 3, 10, 8, 2},
        {10, 1, 1, 10, 1, 2},     // past the right edge: next row
        {1, 3, -1, 10, 10, 2},    // left of column 1: last column above
        {1, 3, -20, 10, 1, 1},    // whole rows back land in column 1
        {3, 1, -13, 10, 10, -1},  // rows are not clamped
        {7, 2, 25, 10, 2, 5},
        {1, 1, 5, 0, 1, 6},       // no columns counts as one
    };
    for (const Row& r : rows) {
        int32_t col = r.col, row = r.row;
        step_position(&col, &row, r.delta, r.width);
        EXPECT_EQ(col, r.want_col) << r.col << "," << r.row << " by " << r.delta;
        EXPECT_EQ(row, r.want_row) << r.col << "," << r.row << " by " << r.delta;
    }
}

class LineInput : public LineEditor {};

TEST_F(LineInput, PromptEditAndNewline) {
    S::install(40, 5);
    S::type("12\r");
    read_line_prompted(string_temp_literal("NUMERO = "), -1, -1);
    EXPECT_EQ(S::line(1), "NUMERO = ? 12");
    EXPECT_EQ(S::col + 1, 1);
    EXPECT_EQ(S::row + 1, 2);
    int32_t n = 0;
    read_int_field(&n);
    EXPECT_EQ(n, 12);
}

}  // namespace
