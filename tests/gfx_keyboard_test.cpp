#include <thread>

#include "console/console_input.h"
#include "gfx/keyboard.h"
#include "gfx/text_draw.h"
#include "runtime/console_print.h"
#include "runtime/text_cursor.h"
#include "runtime/line_input.h"
#include "runtime/keys.h"
#include "tests/gfx_fixture.h"

using namespace pantalla::detail;

namespace {

std::string text(RtString* s) {
    std::string t(s->data ? s->data : "", string_length(s));
    string_release_temp(s);
    return t;
}

TEST_F(GfxTest, FullQueueKeepsTheLastFifteen) {
    open(19, 16);
    for (int32_t k = 1; k <= 20; ++k) gfx_push_key('a' + k);
    std::string got;
    for (int32_t code = gfx_take_key(); code; code = gfx_take_key()) got += static_cast<char>(code);
    EXPECT_EQ(got.size(), 15u);
    EXPECT_EQ(got.front(), 'a' + 6);
    EXPECT_EQ(got.back(), 'a' + 20);
}

TEST_F(GfxTest, PollingGivesKeyStrings) {
    open(19, 16);
    EXPECT_EQ(text(poll_key_string()), "");
    gfx_push_key(0x48FF);
    gfx_push_key(kCloseKey);
    gfx_push_key('x');
    EXPECT_EQ(key_available(), 1);
    EXPECT_EQ(text(poll_key_string()), "\xFF\x48");
    EXPECT_EQ(text(poll_key_string()), "\xFF\x6B");
    EXPECT_EQ(text(poll_key_string()), "x");
    EXPECT_EQ(key_available(), 0);
}

TEST_F(GfxTest, PressedMarkAndWaits) {
    open(19, 16);
    EXPECT_EQ(gfx_take_pressed(), 0);
    gfx_push_key('k');
    EXPECT_EQ(gfx_take_pressed(), 1);
    EXPECT_EQ(gfx_take_pressed(), 0);
    EXPECT_EQ(gfx_wait_key_code(), 'k');  // already waiting: returned after one pause
    std::thread later([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
        gfx_push_key('z');
    });
    gfx_sleep_or_key(-1);
    later.join();
    EXPECT_EQ(gfx_take_key(), 'z');
}

TEST_F(GfxTest, ReadsUnderTheProgramsOwnLockKeepIt) {
    open(19, 16);
    gfx_push_key('q');
    screen_lock();
    EXPECT_EQ(gfx_key_available(), 1);
    EXPECT_EQ(gfx_take_key(), 'q');
    EXPECT_TRUE(screen->flags & kScreenLocked);
    EXPECT_FALSE(screen->flags & kScreenAutoLocked);
    screen_unlock(0, -1);
}

TEST_F(GfxTest, NoScreenNoKeys) {
    EXPECT_EQ(gfx_take_key(), 0);
    EXPECT_EQ(gfx_wait_key_code(), 0);
    EXPECT_EQ(gfx_key_available(), 0);
    EXPECT_EQ(text(gfx_poll_key_string()), "");
}

}  // namespace

namespace {

// The "Null" driver takes its keys from the console; a line longer than
// the screen's queue must arrive whole, even when the console's input has
// ended and it keeps offering the close code.
TEST_F(GfxTest, NullDriverForwardsALongLineWhole) {
    open(19, 16);
    const std::string typed = "1234567890123456789";
    for (char c : typed) console_queue_push(c);
    console_queue_push(13);
    null_driver_read_console(true);
    read_line_prompted(nullptr, 0, 0);
    null_driver_read_console(false);
    const LineReader& reader = line_reader();
    EXPECT_EQ(std::string(reader.line.data, string_length(&reader.line)), typed);
    while (console_queue_take() != -1) {
    }
}

}  // namespace

namespace {

std::string screen_row(int32_t row) {
    std::string s;
    for (int32_t col = 1; col <= screen->text_cols; ++col) s += static_cast<char>(read_cell(col, row, 0));
    return s.substr(0, s.find_last_not_of(' ') + 1);
}

// A prompt that ends in the bottom-right cell: the first typed character
// goes to the start of a new row, not over the prompt's last cell.
TEST_F(GfxTest, PromptEndingInTheLastCellKeepsItsCell) {
    open(19, 16);
    const int32_t cols = screen->text_cols, rows = screen->text_rows;
    for (int32_t row = 1; row < rows; ++row) console_print("L\r\n", 3, 0);
    const std::string filler(static_cast<size_t>(cols - 6), '0');
    console_print(filler.data(), static_cast<uint32_t>(filler.size()), 0);
    for (int32_t k : {int32_t{'x'}, int32_t{'y'}, int32_t{13}}) gfx_push_key(k);
    read_line_prompted(string_temp_literal("LINE"), -1, 0);
    EXPECT_EQ(screen_row(rows - 1), filler + "LINE?");
    EXPECT_EQ(screen_row(rows), "xy");
    int32_t col = 0, row = 0;
    cursor_pos_get(&col, &row);
    EXPECT_EQ(col * 1000 + row, 3 * 1000 + rows);
}

}  // namespace
