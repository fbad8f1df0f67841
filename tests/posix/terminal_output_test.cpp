#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "console/console_input.h"
#include "runtime/line_input.h"
#include "runtime/text_cursor.h"
#include "tests/posix/pty_terminal.h"

using namespace pantalla::detail;

namespace {

// The glyphs are built once from the locale: a UTF-8 one for every test.
const bool utf8_locale = (setenv("LC_ALL", "C.UTF-8", 1), true);

void print(const std::string& text) {
    console_print_text(text.data(), static_cast<uint32_t>(text.size()), 0);
}

void drain_queue() {
    while (console_queue_take() != -1) {
    }
}

struct Fixture : ::testing::Test {
    void start(PtyTerminal& pty) {
        ASSERT_TRUE(utf8_locale);
        pty.attach();
        view_rows_set(-1, -1);
        drain_queue();
    }
};

using TerminalOutput = Fixture;

TEST_F(TerminalOutput, AsksForTheCursorAndWritesThere) {
    PtyTerminal pty(80, 24, "\x1b[3;1R");
    start(pty);
    print("AB");
    EXPECT_EQ(pty.take(), "\x1b[6n\x1b[3;1HAB");
    int32_t col = 0, row = 0;
    console_cursor_pos(&col, &row);
    EXPECT_EQ(col, 3);
    EXPECT_EQ(row, 3);
    // Control bytes and the upper half show as their code page 437 glyphs.
    print("\x01\xb0\xe1");
    EXPECT_EQ(pty.take(), "\xe2\x98\xba\xe2\x96\x91\xc3\x9f");
}

TEST_F(TerminalOutput, SilentTerminalStartsAtTheBottomLeft) {
    PtyTerminal pty(80, 24, "");
    start(pty);
    print("A");
    EXPECT_EQ(pty.take(), "\x1b[6n\x1b[24;1HA");
}

TEST_F(TerminalOutput, KeysTypedBeforeTheAnswerAreKept) {
    PtyTerminal pty(80, 24, "q\x1b[2;1R");
    start(pty);
    print("A");
    EXPECT_EQ(pty.take(), "\x1b[6n\x1b[2;1HA");
    EXPECT_EQ(console_queue_take(), 'q');
}

TEST_F(TerminalOutput, Scrolling) {
    struct Row {
        const char* name;
        int32_t top, bottom;  // view rows, 0-based; -1 for the whole window
        int32_t start_row;    // 1-based
        std::string text, bytes;
    };
    const std::vector<Row> rows = {
        // A line feed on the bottom row scrolls the whole screen: no region.
        {"whole window", -1, -1, 24, "X\r\n", "X\x1b[24;1H\n\x1b[24;1H"},
        // A band sets the scrolling region around the line feed.
        {"band", 4, 9, 10, "Z\r\n", "Z\x1b[5;10r\x1b[10;1H\n\x1b[r\x1b[10;1H"},
        // Further down than the band is high: the band's rows are cleared.
        {"band cleared", 4, 5, 6, "\n\n\n",
         "\x1b[5;1H\x1b[2K\x1b[6;1H\x1b[2K\x1b[6;1H"},
        // Not on the bottom row: no scroll at all.
        {"above the bottom", -1, -1, 5, "X\r\n", "X\x1b[6;1H"},
    };
    for (const Row& r : rows) {
        PtyTerminal pty(80, 24, "\x1b[1;1R");
        start(pty);
        view_rows_set(r.top, r.bottom);
        console_move_cursor(r.start_row, 1, -1);
        pty.take();
        print(r.text);
        EXPECT_EQ(pty.take(), r.bytes) << r.name;
    }
}

TEST_F(TerminalOutput, TextEndingInTheLastCellWaitsToScroll) {
    PtyTerminal pty(80, 24, "\x1b[24;1R");
    start(pty);
    print(std::string(80, 'a'));
    EXPECT_EQ(pty.take(), "\x1b[6n\x1b[24;1H" + std::string(80, 'a') + "\x1b[24;80H");
    int32_t col = 0, row = 0;
    console_cursor_pos(&col, &row);
    EXPECT_EQ(col, 80);
    EXPECT_EQ(row, 24);
    print("Y");
    EXPECT_EQ(pty.take(), "\x1b[24;1H\n\x1b[24;1HY");
}

// A prompt that ends in the bottom-right cell: the line editor settles the
// wrap first, so the first typed character starts a new row instead of
// overwriting the prompt's last cell.
TEST_F(TerminalOutput, PromptEndingInTheLastCellKeepsItsCell) {
    PtyTerminal pty(40, 12, "\x1b[12;1R");
    start(pty);
    print(std::string(34, '0'));
    pty.type("xy\r");
    read_line_prompted(string_temp_literal("LINE"), -1, 0);
    const std::string shown = pty.take();
    const size_t prompt = shown.find("LINE? "), x = shown.find('x', prompt);
    ASSERT_NE(x, std::string::npos) << shown;
    const std::string between = shown.substr(prompt, x - prompt);
    EXPECT_NE(between.find('\n'), std::string::npos) << "no scroll before the first key: " << between;
    std::string last_move;  // the last cursor positioning before the key
    for (size_t at = between.find("\x1b["); at != std::string::npos; at = between.find("\x1b[", at + 1)) {
        const size_t end = between.find_first_not_of("0123456789;", at + 2);
        if (end != std::string::npos && between[end] == 'H') last_move = between.substr(at, end + 1 - at);
    }
    EXPECT_EQ(last_move, "\x1b[12;1H") << between;
    int32_t col = 0, row = 0;
    console_cursor_pos(&col, &row);
    EXPECT_EQ(col * 100 + row, 312);
    drain_queue();
    terminal_mode_forget();
}

TEST_F(TerminalOutput, CursorPositionAndVisibility) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    start(pty);
    struct Row {
        int32_t row, col, visibility, result;
        std::string bytes;
    };
    const std::vector<Row> rows = {
        {0, 0, 0, 0x10101, "\x1b[1;1H\x1b[?25l"},
        {0, 0, 0, 0x00101, ""},
        {5, 7, -1, 0x00507, "\x1b[5;7H"},
        {0, 9, 1, 0x00509, "\x1b[5;9H\x1b[?25h"},
        {12, 0, -1, 0x10C09, "\x1b[12;9H"},
    };
    console_text_size(nullptr, nullptr);
    pty.take();
    for (const Row& r : rows) {
        EXPECT_EQ(console_move_cursor(r.row, r.col, r.visibility), r.result) << r.row << r.col;
        EXPECT_EQ(pty.take(), r.bytes) << r.row << r.col;
    }
}

TEST_F(TerminalOutput, WindowSizeFollowsTheTerminal) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    start(pty);
    int32_t cols = 0, rows = 0, top = 0, bottom = 0;
    console_text_size(&cols, &rows);
    EXPECT_EQ(cols, 80);
    EXPECT_EQ(rows, 24);
    view_rows_get(&top, &bottom);
    pty.resize(100, 30);
    raise(SIGWINCH);
    console_text_size(&cols, &rows);
    EXPECT_EQ(cols, 100);
    EXPECT_EQ(rows, 30);
    view_rows_get(&top, &bottom);
    EXPECT_EQ(top, 1);
    EXPECT_EQ(bottom, 30);
    // Shrinking cuts a band to fit.
    view_rows_set(2, 27);
    pty.resize(60, 20);
    raise(SIGWINCH);
    console_text_size(&cols, &rows);
    view_rows_get(&top, &bottom);
    EXPECT_EQ(top, 3);
    EXPECT_EQ(bottom, 20);
}

TEST_F(TerminalOutput, WideTextShowsUnicode) {
    PtyTerminal pty(80, 24, "\x1b[1;1R");
    start(pty);
    const uint16_t text[] = {0x263A, 0xE9, 0x0085, 0xD800, 1, 0x20AC};
    console_print_text_wide(text, 6, 0);
    EXPECT_EQ(pty.take(),
              "\x1b[6n\x1b[1;1H\xe2\x98\xba\xc3\xa9\xef\xbf\xbd\xef\xbf\xbd\xe2\x98\xba\xe2\x82\xac");
}

TEST(RawOutput, PipeGetsTheBytesUnchanged) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    terminal_output_forget();
    terminal_input_forget();
    std_handles.output = fds[1];
    std_handles.input = -1;
    const std::string text("A\tB\x08\r\n\x01\xff\x1b", 10);
    print(text);
    console_move_cursor(3, 4, 0);
    const uint16_t wide[] = {'h', 0xE9};
    console_print_text_wide(wide, 2, 0);
    close(fds[1]);
    std::string got;
    char buffer[256];
    for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) got.append(buffer, n);
    close(fds[0]);
    EXPECT_EQ(got, text + "h\xc3\xa9");
}

// Output opened non-blocking, with a reader that falls behind: every byte
// waits for room instead of the output being given up.
TEST(RawOutput, NonBlockingOutputWaitsForASlowReader) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    fcntl(fds[1], F_SETFL, O_NONBLOCK);
    terminal_output_forget();
    std_handles.output = fds[1];
    std::string got;
    std::thread reader([&] {
        usleep(100 * 1000);
        char buffer[4096];
        for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) got.append(buffer, n);
    });
    print(std::string(1 << 20, 'x'));
    close(fds[1]);
    reader.join();
    close(fds[0]);
    std_handles.output = -1;
    terminal_output_forget();
    EXPECT_EQ(got.size(), 1u << 20);
}

// A line from a pipe echoed into a pipe: the editor's cursor model reaches
// the bottom of an 80 x 25 screen after 2000 characters, but what it does
// there to scroll is no output of its own.
TEST(RawOutput, LineEditedFromAPipeComesOutAsTyped) {
    struct Row { const char* what; std::string typed; std::string shown; };
    const std::string ys(2005, 'y'), cells(1994, 'c');
    const Row rows[] = {
        {"past the screen's last cell", ys + "\n", "LINE? " + ys + "\r\n"},
        {"ending on the screen's last cell", cells + "\n", "LINE? " + cells + "\r\n"},
        {"a Tab past the screen", ys + "\t\n", "LINE? " + ys + "   \r\n"},
    };
    for (const Row& r : rows) {
        int in[2], out[2];
        ASSERT_EQ(pipe(in), 0);
        ASSERT_EQ(pipe(out), 0);
        terminal_output_forget();
        terminal_input_forget();
        view_rows_set(-1, -1);
        drain_queue();
        std_handles.input = in[0];
        std_handles.output = out[1];
        ASSERT_EQ(write(in[1], r.typed.data(), r.typed.size()), static_cast<ssize_t>(r.typed.size()));
        close(in[1]);
        read_line_prompted(string_temp_literal("LINE"), -1, -1);
        close(out[1]);
        std::string got;
        char buffer[4096];
        for (ssize_t n; (n = read(out[0], buffer, sizeof buffer)) > 0;) got.append(buffer, n);
        close(out[0]);
        close(in[0]);
        EXPECT_EQ(got, r.shown) << r.what;
        std::string typed = r.typed.substr(0, r.typed.size() - 1);
        if (typed.back() == '\t') typed.replace(typed.size() - 1, 1, "   ");
        EXPECT_EQ(std::string(line_reader().line.data, string_length(&line_reader().line)), typed)
            << r.what;
    }
    std_handles.input = -1;
    std_handles.output = -1;
    terminal_output_forget();
    terminal_input_forget();
}

}  // namespace
