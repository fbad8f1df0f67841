// The "Terminal" driver on Windows: the screen's text cells in the console
// the program runs in, on a screen buffer of its own while the screen is
// open, written with WriteConsoleOutputW in the console's 16 colours by an
// update thread that also takes the console's keys.
//
// Consoles report releases, but the key events arrive through the console
// queue without them: gfx_is_key_down reports a key as held for kHeldMs
// after each press, as on other terminals.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "console/cp437.h"
#include "console/console_input.h"
#include "console/win32/console_reader.h"
#include "console/win32/libdn_io_input.h"
#include "gfx/display/display_driver.h"
#include "gfx/display/terminal_picture.h"
#include "gfx/display/terminal_view.h"
#include "gfx/display/window.h"
#include "gfx/keyboard.h"
#include "gfx/screen.h"
#include "runtime/platform.h"

namespace pantalla::detail {

namespace {

constexpr DWORD kPassMs = 10;
constexpr ULONGLONG kHeldMs = 250;
constexpr ULONGLONG kWaitingMs = 100;
// The longest wait with nothing to draw: each pass asks the console for its
// size, a round trip to Wine's server.
constexpr ULONGLONG kIdleMs = 100;

struct Session {
    HANDLE in = nullptr, original = nullptr, buffer = nullptr;
    TerminalPicture picture;
    bool has_picture = false;
    int32_t cols = 80, rows = 25;
    int32_t origin_col = 0, origin_row = 0;
    std::vector<CHAR_INFO> shown;
    int32_t shown_cols = 0, shown_rows = 0;
    bool cursor_visible = false;
    COORD cursor_at{-1, -1};
    ULONGLONG pressed_ms[128] = {};
};

std::unique_ptr<Session> session;
std::atomic<ULONGLONG> last_key_poll_ms{0};

HANDLE handle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }

bool is_console(HANDLE h) {
    DWORD mode = 0;
    return h && h != INVALID_HANDLE_VALUE && GetConsoleMode(h, &mode);
}

// The console's attribute bits from a colour in SGR order (red is bit 0
// there, bit 2 here).
WORD attribute(int32_t ansi) {
    return static_cast<WORD>((ansi & 1) << 2 | (ansi & 2) | (ansi & 4) >> 2 | (ansi & 8));
}

void read_size(Session& t) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(t.buffer, &info)) return;
    const int32_t cols = info.srWindow.Right - info.srWindow.Left + 1;
    const int32_t rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    if (cols > 0 && rows > 0 && (cols != t.cols || rows != t.rows)) {
        t.cols = cols;
        t.rows = rows;
        t.shown.clear();
    }
}

// Each console input record as the console's pump takes it (in a pass, on
// the update thread): key presses by scan code, and size changes.
void note_record(const INPUT_RECORD& record) {
    if (!session) return;
    Session& t = *session;
    if (record.EventType == WINDOW_BUFFER_SIZE_EVENT) t.shown.clear();
    if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) return;
    const WORD sc = record.Event.KeyEvent.wVirtualScanCode;
    if (sc < 128) t.pressed_ms[sc] = GetTickCount64();
}

void show(Session& t, const std::vector<CHAR_INFO>& next, int32_t cols, int32_t rows, COORD cursor, bool cursor_shown) {
    const bool all = t.shown_cols != cols || t.shown_rows != rows || t.shown.size() != next.size();
    const auto row_same = [&](int32_t r) {
        return !all && std::equal(next.begin() + r * cols, next.begin() + (r + 1) * cols, t.shown.begin() + r * cols,
                                  [](const CHAR_INFO& a, const CHAR_INFO& b) {
                                      return a.Char.UnicodeChar == b.Char.UnicodeChar && a.Attributes == b.Attributes;
                                  });
    };
    int32_t first = 0, last = rows - 1;
    while (first < rows && row_same(first)) ++first;
    while (last >= first && row_same(last)) --last;
    if (first <= last) {
        if (t.cursor_visible) {
            CONSOLE_CURSOR_INFO hidden{25, FALSE};
            SetConsoleCursorInfo(t.buffer, &hidden);
            t.cursor_visible = false;
        }
        if (all) {
            // Cells beyond the grid are blank.
            COORD origin{0, 0};
            DWORD done = 0;
            FillConsoleOutputCharacterW(t.buffer, L' ', static_cast<DWORD>(t.cols) * t.rows, origin, &done);
            FillConsoleOutputAttribute(t.buffer, 7, static_cast<DWORD>(t.cols) * t.rows, origin, &done);
        }
        SMALL_RECT region{0, static_cast<SHORT>(first), static_cast<SHORT>(cols - 1), static_cast<SHORT>(last)};
        WriteConsoleOutputW(t.buffer, next.data() + first * cols,
                            COORD{static_cast<SHORT>(cols), static_cast<SHORT>(last - first + 1)}, COORD{0, 0},
                            &region);
        t.shown = next;
        t.shown_cols = cols;
        t.shown_rows = rows;
    }
    if (cursor_shown && (cursor.X != t.cursor_at.X || cursor.Y != t.cursor_at.Y || !t.cursor_visible)) {
        SetConsoleCursorPosition(t.buffer, cursor);
        t.cursor_at = cursor;
    }
    if (cursor_shown != t.cursor_visible) {
        CONSOLE_CURSOR_INFO info{25, cursor_shown ? TRUE : FALSE};
        SetConsoleCursorInfo(t.buffer, &info);
        t.cursor_visible = cursor_shown;
    }
}

void pass(Session& t) {
    window_lock();
    if (!screen) {
        window_unlock();
        return;
    }
    // This driver draws from the picture, not the palette it was sent.
    window.palette_changed = false;
    const int32_t before = screen_key_queue.write_index;
    screen_take_console_keys();
    const bool pushed = screen_key_queue.write_index != before;
    const ULONGLONG now = GetTickCount64();
    for (int sc = 0; sc < 128; ++sc)
        screen->key_down[sc] = t.pressed_ms[sc] != 0 && now - t.pressed_ms[sc] < kHeldMs ? 1 : 0;
    read_size(t);
    std::vector<CHAR_INFO> next;
    int32_t cols = 0, rows = 0;
    COORD cursor{0, 0};
    bool cursor_shown = false;
    if (t.picture.update(*screen, false)) {
        t.has_picture = true;
        const TermPicture p = t.picture.picture(*screen, now - last_key_poll_ms.load() < kWaitingMs);
        cols = std::min(t.cols, p.cols);
        rows = std::min(t.rows, p.rows);
        term_follow_cursor(p, cols, rows, &t.origin_col, &t.origin_row);
        next.resize(static_cast<size_t>(cols) * rows);
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t c = 0; c < cols; ++c) {
                const TermCell& cell = p.cells[static_cast<size_t>(t.origin_row + r) * p.cols + t.origin_col + c];
                CHAR_INFO& out = next[static_cast<size_t>(r) * cols + c];
                const uint32_t glyph = cell.glyph & 0xFF;
                out.Char.UnicodeChar = glyph == 0 ? L' ' : static_cast<WCHAR>(cp437_to_unicode(static_cast<uint8_t>(glyph)));
                out.Attributes = static_cast<WORD>(attribute(nearest_ansi16(cell.fg)) |
                                                   attribute(nearest_ansi16(cell.bg)) << 4);
            }
        cursor = COORD{static_cast<SHORT>(p.cursor_col - t.origin_col), static_cast<SHORT>(p.cursor_row - t.origin_row)};
        cursor_shown = p.cursor_shown && cursor.X >= 0 && cursor.X < cols && cursor.Y >= 0 && cursor.Y < rows;
    }
    window_unlock();
    // A program waiting inside its key poll wakes at once.
    if (pushed) gfx_key_signal();
    if (!next.empty()) show(t, next, cols, rows, cursor, cursor_shown);
}

bool open_console(Session& t) {
    t.in = handle(std_handles.input);
    t.original = handle(std_handles.output);
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(t.original, &info)) return false;
    t.buffer = CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (t.buffer == INVALID_HANDLE_VALUE) {
        t.buffer = nullptr;
        return false;
    }
    // As large as the window: no scroll bars, the grid at the top left.
    const COORD size{static_cast<SHORT>(info.srWindow.Right - info.srWindow.Left + 1),
                     static_cast<SHORT>(info.srWindow.Bottom - info.srWindow.Top + 1)};
    SMALL_RECT window{0, 0, static_cast<SHORT>(size.X - 1), static_cast<SHORT>(size.Y - 1)};
    SetConsoleScreenBufferSize(t.buffer, size);
    SetConsoleWindowInfo(t.buffer, TRUE, &window);
    CONSOLE_CURSOR_INFO hidden{25, FALSE};
    SetConsoleCursorInfo(t.buffer, &hidden);
    if (!SetConsoleActiveScreenBuffer(t.buffer)) {
        CloseHandle(t.buffer);
        t.buffer = nullptr;
        return false;
    }
    read_size(t);
    return true;
}

// The program's own buffer back, with the last picture's text on it.
void close_console(Session& t) {
    pass(t);
    SetConsoleActiveScreenBuffer(t.original);
    CloseHandle(t.buffer);
    t.buffer = nullptr;
    std::vector<WCHAR> text;
    window_lock();
    if (screen && t.has_picture) {
        const TermPicture p = t.picture.picture(*screen, false);
        const int32_t last = term_last_text_row(p);
        for (int32_t r = 0; r <= last; ++r) {
            const int32_t end = term_row_text_end(p, r);
            for (int32_t c = 0; c < end; ++c) {
                const uint32_t glyph = p.cells[static_cast<size_t>(r) * p.cols + c].glyph & 0xFF;
                text.push_back(glyph == 0 ? L' ' : static_cast<WCHAR>(cp437_to_unicode(static_cast<uint8_t>(glyph))));
            }
            text.push_back(L'\r');
            text.push_back(L'\n');
        }
    }
    window_unlock();
    // The rows go where the picture was, in place of the window's old
    // contents: a console that does not repaint on the switch of buffers
    // then still shows them right.
    DWORD done = 0;
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!text.empty() && GetConsoleScreenBufferInfo(t.original, &info)) {
        const SMALL_RECT w = info.srWindow;
        for (SHORT row = w.Top; row <= w.Bottom; ++row) {
            const COORD at{w.Left, row};
            const DWORD width = static_cast<DWORD>(w.Right - w.Left + 1);
            FillConsoleOutputCharacterW(t.original, L' ', width, at, &done);
            FillConsoleOutputAttribute(t.original, info.wAttributes, width, at, &done);
        }
        SetConsoleCursorPosition(t.original, COORD{w.Left, w.Top});
    }
    if (!text.empty()) WriteConsoleW(t.original, text.data(), static_cast<DWORD>(text.size()), &done, nullptr);
}

// Whether a pass can move the console's keys into the screen's queue; while
// it cannot, the waiting input must not make the passes run back to back.
bool screen_queue_has_room() {
    window_lock();
    const int32_t waiting = (screen_key_queue.write_index - screen_key_queue.read_index) &
                            (kScreenKeyQueueCapacity - 1);
    window_unlock();
    return waiting < kScreenKeyQueueCapacity - 1;
}

// Until the first held key runs out, so that its release is seen in time.
ULONGLONG idle_ms(const Session& t, ULONGLONG now) {
    ULONGLONG ms = kIdleMs;
    for (const ULONGLONG pressed : t.pressed_ms)
        if (pressed != 0 && now - pressed < kHeldMs) ms = std::min(ms, kHeldMs - (now - pressed));
    return std::max<ULONGLONG>(ms, 1);
}

void thread_main() {
    Session& t = *session;
    const bool opened = open_console(t);
    window_thread_opened(opened);
    if (!opened) return;
    while (window_initialised()) {
        const ULONGLONG began = GetTickCount64();
        pass(t);
        // Idle only while the console's reader runs: its wake is what ends
        // the wait for a drawing.
        bool input = false;
        if (console_reader_running() && window_begin_idle()) {
            input = console_reader_wait(static_cast<int32_t>(idle_ms(t, began)));
            window_end_idle();
        } else {
            console_wait_input(kPassMs);
        }
        // Input is taken at once, and the end of the screen is not kept
        // waiting; otherwise no more than one pass per interval, however
        // often drawings or keys the program has not taken end the waits.
        if (!window_initialised()) break;
        if (input && screen_queue_has_room()) continue;
        const ULONGLONG spent = GetTickCount64() - began;
        Sleep(spent < kPassMs ? static_cast<DWORD>(kPassMs - spent) : 1);
    }
    close_console(t);
}

const WindowOps console_ops = {
    .open_surface = nullptr,
    .close_surface = nullptr,
    .paint = nullptr,
    .thread_main = thread_main,
    .send_palette = nullptr,
    .begin_rows = nullptr,
    .present_rows = nullptr,
    .read_virtual_keys = nullptr,
    .held_scan_codes = nullptr,
    .pump_events = nullptr,
    .apply_title = nullptr,
    .warp_pointer = nullptr,
    .show_pointer = nullptr,
    .bind_context = nullptr,
    .restore_surfaces = nullptr,
    .wait_idle = nullptr,  // its own thread waits
    .wake_idle = console_reader_wake,
    .in_place = false,
};

int32_t init(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh, int32_t flags) {
    if (!is_console(handle(std_handles.input)) || !is_console(handle(std_handles.output))) return -1;
    window_exit();
    session = std::make_unique<Session>();
    console_input_watch(note_record);
    return window_init(&console_ops, "Terminal", title, width, height, depth, refresh, flags);
}

void exit_driver() {
    window_exit();
    console_input_watch(nullptr);
    session.reset();
}

void poll_events() { last_key_poll_ms.store(GetTickCount64()); }

}  // namespace

extern const DisplayDriver console_driver;
const DisplayDriver console_driver = {
    .name = "Terminal",
    .init = init,
    .exit = exit_driver,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = nullptr,
    .set_mouse = nullptr,
    .set_window_title = nullptr,
    .fetch_modes = nullptr,
    .poll_events = poll_events,
    .wait_input = nullptr,
};

}  // namespace pantalla::detail
