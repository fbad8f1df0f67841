#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "console/console.h"
#include "console/console_input.h"
#include "console/win32/console_reader.h"
#include "console/win32/console_state.h"
#include "runtime/console_hooks.h"
#include "runtime/keys.h"
#include "runtime/line_input.h"
#include "runtime/platform.h"
#include "runtime/text_cursor.h"
#include "runtime/text_view.h"

using namespace pantalla::detail;

namespace {

void print(const std::string& s, uint32_t flags = 0) {
    console_print_text(s.data(), static_cast<uint32_t>(s.size()), flags);
}
void print_wide(const std::u16string& s) {
    console_print_text_wide(reinterpret_cast<const uint16_t*>(s.data()),
                            static_cast<uint32_t>(s.size()), 0);
}

// Standard output pointed at `handle` for one test.
class Output : public ::testing::Test {
protected:
    void use(HANDLE handle) {
        std_handles.output = reinterpret_cast<intptr_t>(handle);
        console_refresh();
        view_rows_set(-1, -1);
        console_wrap_pending = false;
    }
    void TearDown() override {
        std_handles = saved_;
        use(reinterpret_cast<HANDLE>(saved_.output));
        if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
    }
    StdHandles saved_ = std_handles;
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace

TEST_F(Output, WithoutConsoleBytesGoOutUnchanged) {
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "raw", 0, path);
    handle_ = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(handle_, INVALID_HANDLE_VALUE);
    use(handle_);
    const std::string heading = "SIMULADOR DE LANZAMIENTO DE DADOS\r\n=====\r\n";
    const std::string controls("a\tb\bc\rd\ne\a\0f\xFF", 12);  // not interpreted
    print(heading);
    print(controls);
    print("", kPrintSettleWrap);
    // 16-bit text as UTF-8, a surrogate pair not split between pieces.
    std::u16string wide(1023, u'x');
    wide += u"\U0001F600\u00F1";
    print_wide(wide);
    int32_t cols = 0, rows = 0;
    console_text_size(&cols, &rows);
    EXPECT_EQ(cols * 100 + rows, 8025);

    std::string got(GetFileSize(handle_, nullptr), '\0');
    SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
    DWORD n = 0;
    ReadFile(handle_, got.data(), static_cast<DWORD>(got.size()), &n, nullptr);
    EXPECT_EQ(got, heading + controls + std::string(1023, 'x') + "\xF0\x9F\x98\x80\xC3\xB1");
}

// A line typed into a file: the editor's cursor model reaches the bottom
// of an 80 x 25 screen after 2000 characters, but what it does there to
// scroll is no output of its own. Keys come from a script through the key
// slots only, so output still goes to the console back end.
TEST_F(Output, LineEditedIntoAFileComesOutAsTyped) {
    static std::string keys;
    static size_t next = 0;
    keys = std::string(2005, 'y') + "\t\r";
    next = 0;
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "led", 0, path);
    handle_ = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                          FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    ASSERT_NE(handle_, INVALID_HANDLE_VALUE);
    use(handle_);
    console_hooks = ConsoleHooks{};
    console_hooks.key_ready = [] { return int32_t{1}; };
    console_hooks.get_key = [] {
        const int32_t code = next < keys.size() ? static_cast<uint8_t>(keys[next++]) : 13;
        return key_code_string(code);
    };
    read_line_prompted(string_temp_literal("LINE"), -1, -1);
    console_hooks = ConsoleHooks{};

    std::string got(GetFileSize(handle_, nullptr), '\0');
    SetFilePointer(handle_, 0, nullptr, FILE_BEGIN);
    DWORD n = 0;
    ReadFile(handle_, got.data(), static_cast<DWORD>(got.size()), &n, nullptr);
    EXPECT_EQ(got, "LINE? " + std::string(2005, 'y') + "   \r\n");
}

// A real screen buffer. Wine gives a console only on a terminal: ctest runs
// these through `script` with DICE_NEED_CONSOLE set; elsewhere they skip.
class Console : public Output {
protected:
    void SetUp() override {
        handle_ = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            CONSOLE_TEXTMODE_BUFFER, nullptr);
        if (handle_ != INVALID_HANDLE_VALUE) return shape(40, 12, 0, 9);
        if (std::getenv("DICE_NEED_CONSOLE")) FAIL() << "no console";
        GTEST_SKIP() << "no console";
    }
    // width x height cells, the window on rows first..last, cursor at its top.
    void shape(int16_t width, int16_t height, int16_t first, int16_t last) {
        const SMALL_RECT small{0, 0, 9, 4}, window{0, first, static_cast<int16_t>(width - 1), last};
        ASSERT_TRUE(SetConsoleWindowInfo(handle_, TRUE, &small));
        ASSERT_TRUE(SetConsoleScreenBufferSize(handle_, COORD{width, height}));
        ASSERT_TRUE(SetConsoleWindowInfo(handle_, TRUE, &window));
        use(handle_);
        at(0, first);
    }
    void at(int16_t col, int16_t row) { SetConsoleCursorPosition(handle_, COORD{col, row}); }
    std::string row(int16_t r) {
        char cells[40];
        DWORD got = 0;
        ReadConsoleOutputCharacterA(handle_, cells, 40, COORD{0, r}, &got);
        std::string s(cells, got);
        return s.substr(0, s.find_last_not_of(' ') + 1);
    }
    // Cursor column, row and window top, all 0-based in the buffer.
    std::string where() {
        CONSOLE_SCREEN_BUFFER_INFO i{};
        GetConsoleScreenBufferInfo(handle_, &i);
        return std::to_string(i.dwCursorPosition.X) + "," + std::to_string(i.dwCursorPosition.Y) +
               " top " + std::to_string(i.srWindow.Top);
    }
};

std::string lines(int from, int to) {
    std::string s;
    for (int i = from; i <= to; ++i) {
        s += i > from ? "\nL" : "L";
        s += std::to_string(i);
    }
    return s;
}

TEST_F(Console, ControlCharacters) {
    struct Row {
        const char* text;
        const char *row0, *row1, *cursor;
    } rows[] = {
        {"AB\tC", "AB      C", "", "9,0 top 0"}, {"abc\rX", "Xbc", "", "1,0 top 0"},
        {"abc\nX", "abc", "X", "1,1 top 0"},      {"ab\b\bZ\b\b\bq", "qb", "", "1,0 top 0"},
    };
    for (const Row& r : rows) {
        shape(40, 12, 0, 9);
        DWORD n = 0;
        FillConsoleOutputCharacterA(handle_, ' ', 40 * 12, COORD{0, 0}, &n);
        print(r.text);
        EXPECT_EQ(row(0) + "|" + row(1) + "|" + where(),
                  std::string(r.row0) + "|" + r.row1 + "|" + r.cursor);
    }
    int32_t col = 0, line = 0, cols = 0, height = 0;
    console_cursor_pos(&col, &line);
    console_text_size(&cols, &height);
    EXPECT_EQ(col * 100 + line, 201);
    EXPECT_EQ(cols * 100 + height, 4010);
}

TEST_F(Console, WindowFollowsThenWholeBufferScrolls) {
    print(lines(0, 10));
    // Free rows below: the window moves, the text stays.
    EXPECT_EQ(row(0) + " " + row(10) + " " + where(), "L0 L10 3,10 top 1");
    print('\n' + lines(11, 12));
    EXPECT_EQ(row(0) + " " + row(11) + " " + where(), "L1 L12 3,11 top 2");
    print('\n' + lines(13, 40));  // more lines than the buffer has rows
    EXPECT_EQ(row(0) + " " + row(11) + " " + where(), "L29 L40 3,11 top 2");
}

TEST_F(Console, BandScrollsOnlyItsRows) {
    print(lines(0, 9));
    view_rows_set(2, 4);
    at(0, 4);
    print("\nnew");
    EXPECT_EQ(row(1) + row(2) + row(3) + row(4) + row(5) + " " + where(), "L1L3L4newL5 3,4 top 0");
}

TEST_F(Console, LastCellDefersTheWrap) {
    const std::string full(40, 'w');
    struct Row {
        const char* name;
        void (*then)();
        const char* after;
    } rows[] = {
        {"parked", [] {}, "39,9 top 0"},
        {"empty print", [] { print(""); }, "39,9 top 0"},
        {"empty print, flag 8", [] { print("", kPrintSettleWrap); }, "0,10 top 1"},
        {"next character", [] { print("Z"); }, "1,10 top 1"},
        {"positioning clears it", [] { console_move_cursor(3, 5, -1), print("P"); }, "5,2 top 0"},
    };
    for (const Row& r : rows) {
        shape(40, 12, 0, 9);
        at(0, 9);
        print(full);
        r.then();
        EXPECT_EQ(where(), r.after) << r.name;
        EXPECT_EQ(row(9), full) << r.name;
    }
}

// A prompt that ends in the bottom-right cell: the line editor settles the
// wrap first, so the first typed character starts a new row instead of
// overwriting the prompt's last cell.
TEST_F(Console, PromptEndingInTheLastCellKeepsItsCell) {
    shape(40, 10, 0, 9);
    print(lines(0, 8) + "\n" + std::string(34, '0'));
    while (console_queue_take() != -1) {
    }
    for (int32_t k : {int32_t{'x'}, int32_t{'y'}, int32_t{13}}) console_queue_push(k);
    read_line_prompted(string_temp_literal("LINE"), -1, 0);
    EXPECT_EQ(row(7) + "|" + row(8) + "|" + row(9) + "|" + where(),
              "L8|" + std::string(34, '0') + "LINE?|xy|2,9 top 0");
}

TEST_F(Console, MoveCursorResult) {
    CONSOLE_CURSOR_INFO shown{25, TRUE};
    SetConsoleCursorInfo(handle_, &shown);
    struct Row {
        int32_t row, col, visibility, result;
    } rows[] = {
        {3, 7, -1, 7 | 3 << 8 | 0x10000},
        {4, 1, 0, 1 | 4 << 8 | 0x10000},
        {0, 9, -1, 9 | 4 << 8},  // 0 keeps the row; hidden before
        {2, 0, 1, 9 | 2 << 8},
        {0, 0, -1, 9 | 2 << 8 | 0x10000},
    };
    for (const Row& r : rows)
        EXPECT_EQ(console_move_cursor(r.row, r.col, r.visibility), r.result) << r.row;
    shape(40, 30, 10, 19);  // rows count from the window's top
    console_move_cursor(1, 1, -1);
    print_wide(u"A\u00F1\u20AC");
    WCHAR cells[3] = {};
    DWORD got = 0;
    ReadConsoleOutputCharacterW(handle_, cells, 3, COORD{0, 10}, &got);
    EXPECT_EQ(std::u16string(reinterpret_cast<char16_t*>(cells), 3), u"A\u00F1\u20AC");
}

// Keys typed into the console reach the queue through the reader thread,
// which a key wait sleeps on: each wait below is ended by what it waits
// for, never by its time.
TEST_F(Console, InputComesThroughTheReaderThread) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    DWORD mode = 0;
    ASSERT_TRUE(GetConsoleMode(input, &mode));
    std_handles.input = reinterpret_cast<intptr_t>(input);
    while (console_queue_take() != -1) {
    }
    pump_console_input();
    ASSERT_TRUE(console_reader_running());

    std::vector<INPUT_RECORD> typed;
    for (const char c : {'a', 'b'})
        for (const BOOL down : {TRUE, FALSE}) {
            INPUT_RECORD r{};
            r.EventType = KEY_EVENT;
            r.Event.KeyEvent = {down, 1, static_cast<WORD>(c - 'a' + 'A'), static_cast<WORD>(c == 'a' ? 0x1E : 0x30),
                                {}, 0};
            r.Event.KeyEvent.uChar.AsciiChar = c;
            typed.push_back(r);
        }
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputA(input, typed.data(), static_cast<DWORD>(typed.size()), &written));
    std::string got;
    const DWORD deadline = GetTickCount() + 20000;
    while (got.size() < 2 && GetTickCount() < deadline) {
        console_wait_input(600000);
        pump_console_input();
        for (int32_t c = console_queue_take(); c != -1; c = console_queue_take()) got += static_cast<char>(c);
    }
    EXPECT_EQ(got, "ab");

    std::atomic<bool> done{false};
    std::thread waker([&] {
        while (!done) {
            console_reader_wake();
            Sleep(1);
        }
    });
    // Records still to come (the key releases) end waits too.
    std::vector<INPUT_RECORD> rest;
    while (console_reader_wait(600000)) console_reader_take(rest);
    done = true;
    waker.join();
}

// A paste larger than the console queue, pumped twice before the program
// takes a key: each pump takes only what the queue holds, and the rest
// waits with the reader instead of pushing waiting keys out.
TEST_F(Console, PasteLargerThanTheQueueKeepsEveryKey) {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std_handles.input = reinterpret_cast<intptr_t>(input);
    while (console_queue_take() != -1) {
    }
    pump_console_input();
    std::vector<INPUT_RECORD> typed;
    std::string want;
    for (int i = 0; i < 1000; ++i) {
        const char c = static_cast<char>('a' + i % 26);
        const WORD vk = static_cast<WORD>(c - 'a' + 'A');
        INPUT_RECORD r{};
        r.EventType = KEY_EVENT;
        r.Event.KeyEvent = {TRUE, 1, vk, static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC)), {}, 0};
        r.Event.KeyEvent.uChar.AsciiChar = c;
        typed.push_back(r);
        want += c;
    }
    DWORD written = 0;
    ASSERT_TRUE(WriteConsoleInputA(input, typed.data(), static_cast<DWORD>(typed.size()), &written));
    std::string got;
    const DWORD deadline = GetTickCount() + 20000;
    while (got.size() < want.size() && GetTickCount() < deadline) {
        console_wait_input(100);
        pump_console_input();
        pump_console_input();
        for (int32_t c = console_queue_take(); c != -1; c = console_queue_take()) got += static_cast<char>(c);
    }
    EXPECT_EQ(got, want);
}
