// Console output on a POSIX terminal: the text walk drawn with cursor
// positioning, scrolling the view's rows, with a model of where the cursor
// stands. Output that is no terminal gets the bytes unchanged.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <atomic>
#include <string>

#include "console/console.h"
#include "console/posix/terminal.h"
#include "console/posix/terminal_glyphs.h"
#include "runtime/platform.h"
#include "runtime/text_cursor.h"
#include "runtime/text_view.h"

namespace pantalla::detail {

namespace {

constexpr int32_t kDefaultCols = 80, kDefaultRows = 25;
constexpr int32_t kQueryTimeoutMs = 100;
// A long print goes out in pieces of about this size.
constexpr size_t kFlushSize = 64 * 1024;

struct OutputState {
    bool initialised = false;
    bool terminal = false;
    int32_t cols = kDefaultCols, rows = kDefaultRows;
    int32_t cursor_col = 0, cursor_row = 0;  // 0-based, in the window
    bool cursor_visible = true;
    bool wrap_pending = false;
    // Where the terminal's own cursor stands; -1 when unknown (after a
    // write up to the right edge, a scroll, or anything not ours).
    int32_t term_col = -1, term_row = -1;
    std::string buffer;
};
OutputState out;

// An atomic rather than a volatile sig_atomic_t: the handler may run on
// any thread, such as a display driver's, while the program's thread
// takes the flag.
std::atomic<int> resized{0};
static_assert(std::atomic<int>::is_always_lock_free, "safe in a signal handler");

void on_resize(int) { resized = 1; }

int output_fd() { return static_cast<int>(std_handles.output); }

// Writes `length` bytes again and again until all are out; stops at the
// first failure.
void write_raw(const char* bytes, size_t length) {
    while (length > 0) {
        const int64_t n = platform_write(std_handles.output, bytes, length);
        if (n <= 0) return;
        bytes += n;
        length -= static_cast<size_t>(n);
    }
}

void flush() {
    write_raw(out.buffer.data(), out.buffer.size());
    out.buffer.clear();
}

void append_number(int32_t n) {
    char digits[12];
    int len = 0;
    do {
        digits[len++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n > 0);
    while (len > 0) out.buffer.push_back(digits[--len]);
}

void move_to(int32_t col, int32_t row) {
    if (col == out.term_col && row == out.term_row) return;
    out.buffer += "\x1b[";
    append_number(row + 1);
    out.buffer.push_back(';');
    append_number(col + 1);
    out.buffer.push_back('H');
    out.term_col = col;
    out.term_row = row;
}

void ask_cursor() {
    int32_t row = 0, col = 0;
    if (terminal_query_cursor(&row, &col, kQueryTimeoutMs)) {
        out.cursor_row = row - 1;
        out.cursor_col = col - 1;
    } else {
        // Unknown: the bottom-left cell, so that output scrolls up from
        // below whatever is on the screen instead of overwriting it.
        out.cursor_row = out.rows - 1;
        out.cursor_col = 0;
    }
    out.term_col = out.term_row = -1;
    out.wrap_pending = false;
}

void clamp_cursor() {
    if (out.cursor_col >= out.cols) out.cursor_col = out.cols - 1;
    if (out.cursor_row >= out.rows) out.cursor_row = out.rows - 1;
    if (out.cursor_col < 0) out.cursor_col = 0;
    if (out.cursor_row < 0) out.cursor_row = 0;
}

// The view rows follow the window: a view over the whole old window covers
// the whole new one, a band is cut to fit.
void follow_size(int32_t old_rows) {
    if (view_bottom == -1) return;
    int32_t top = view_top < 0 ? 0 : view_top, bottom = view_bottom;
    if (top == 0 && bottom == old_rows - 1) bottom = out.rows - 1;
    if (bottom > out.rows - 1) bottom = out.rows - 1;
    if (top > bottom) top = bottom;
    view_rows_set(top, bottom);
}

bool read_size() {
    winsize ws{};
    int32_t cols = kDefaultCols, rows = kDefaultRows;
    if (ioctl(output_fd(), TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        cols = ws.ws_col;
        rows = ws.ws_row;
    }
    if (cols == out.cols && rows == out.rows) return false;
    const int32_t old_rows = out.rows;
    out.cols = cols;
    out.rows = rows;
    follow_size(old_rows);
    return true;
}

void initialise() {
    if (out.initialised) return;
    out.initialised = true;
    out.terminal = output_fd() >= 0 && isatty(output_fd());
    if (!out.terminal) return;
    struct sigaction before {};
    if (sigaction(SIGWINCH, nullptr, &before) == 0 && before.sa_handler == SIG_DFL) {
        struct sigaction ours {};
        ours.sa_handler = on_resize;
        sigemptyset(&ours.sa_mask);
        ours.sa_flags = SA_RESTART;
        sigaction(SIGWINCH, &ours, nullptr);
    }
    read_size();
    ask_cursor();
}

// Brings the window size and the cursor up to date before output.
void settle() {
    initialise();
    if (!out.terminal) return;
    const bool was_resized = resized.exchange(0) != 0;
    const bool size_changed = was_resized && read_size();
    if (terminal_take_resumed() || size_changed) ask_cursor();
    clamp_cursor();
}

template <class Char>
int32_t write_cells(TextViewOf<Char>* view, const Char* text, int32_t count) {
    move_to(view->cursor_col, view->cursor_row);
    for (int32_t i = 0; i < count; ++i) {
        if constexpr (sizeof(Char) == 1) {
            const Glyph& g = cp437_glyphs()[static_cast<unsigned char>(text[i])];
            out.buffer.append(g.bytes, g.length);
        } else {
            append_wide_glyph(out.buffer, text[i]);
        }
    }
    out.term_col += count;
    // At the right edge the terminal's own pending wrap is in force.
    if (out.term_col >= out.cols) out.term_col = out.term_row = -1;
    if (out.buffer.size() >= kFlushSize) flush();
    return 1;
}

template <class Char>
void scroll_rows(TextViewOf<Char>* view, int32_t, int32_t top, int32_t, int32_t bottom,
                 int32_t lines) {
    const int32_t height = bottom - top + 1;
    if (lines >= height) {
        for (int32_t row = top; row <= bottom; ++row) {
            move_to(0, row);
            out.buffer += "\x1b[2K";
        }
    } else {
        // A line feed on the bottom row of the scrolling region moves only
        // the region's rows; a band sets the region first.
        const bool band = top != 0 || bottom != out.rows - 1;
        if (band) {
            out.buffer += "\x1b[";
            append_number(top + 1);
            out.buffer.push_back(';');
            append_number(bottom + 1);
            out.buffer.push_back('r');
            out.term_col = out.term_row = -1;
        }
        move_to(0, bottom);
        out.buffer.append(static_cast<size_t>(lines), '\n');
        if (band) out.buffer += "\x1b[r";
    }
    out.term_col = out.term_row = -1;
    view->cursor_row = bottom;
}

template <class Char>
void print_on_terminal(const Char* text, uint32_t length) {
    int32_t first = 1, last = out.rows;
    view_rows_get(&first, &last);
    if (last > out.rows) last = out.rows;
    if (first > last) first = last;
    TextViewOf<Char> view{nullptr,    scroll_rows<Char>, write_cells<Char>, 0,
                             first - 1,  out.cols - 1,      last - 1,          out.cursor_col,
                             out.cursor_row};
    text_view_print(&view, &out.wrap_pending, text, length);
    out.cursor_col = view.cursor_col;
    out.cursor_row = view.cursor_row;
    clamp_cursor();
    move_to(out.cursor_col, out.cursor_row);
    flush();
}

}  // namespace

int32_t console_print_text(const char* bytes, uint32_t length, uint32_t flags) {
    if (length == 0 && !(flags & kPrintSettleWrap)) return 0;
    settle();
    if (!out.terminal) {
        if (!(flags & kPrintCursorMove)) write_raw(bytes, length);
        return 0;
    }
    print_on_terminal(bytes, length);
    return 0;
}

int32_t console_print_text_wide(const uint16_t* text, uint32_t count, uint32_t flags) {
    if (count == 0 && !(flags & kPrintSettleWrap)) return 0;
    settle();
    if (out.terminal) {
        print_on_terminal(text, count);
        return 0;
    }
    if (flags & kPrintCursorMove) return 0;
    // A stream gets the text in the locale's encoding where that is UTF-8,
    // else each unit's low byte.
    for (uint32_t i = 0; i < count; ++i) {
        if (text[i] < 128 || !terminal_locale_is_utf8())
            out.buffer.push_back(static_cast<char>(text[i]));
        else
            append_wide_glyph(out.buffer, text[i]);
        if (out.buffer.size() >= kFlushSize) flush();
    }
    flush();
    return 0;
}

void console_text_size(int32_t* cols, int32_t* rows) {
    settle();
    if (cols) *cols = out.cols;
    if (rows) *rows = out.rows;
}

void console_cursor_pos(int32_t* col, int32_t* row) {
    settle();
    if (col) *col = out.cursor_col + 1;
    if (row) *row = out.cursor_row + 1;
}

int32_t console_move_cursor(int32_t row, int32_t col, int32_t visibility) {
    settle();
    const bool was_visible = out.cursor_visible;
    if (row > 0) out.cursor_row = row - 1;
    if (col > 0) out.cursor_col = col - 1;
    clamp_cursor();
    out.wrap_pending = false;
    const bool show = visibility == -1 ? was_visible : visibility != 0;
    if (out.terminal) {
        move_to(out.cursor_col, out.cursor_row);
        if (show != was_visible) {
            out.buffer += show ? "\x1b[?25h" : "\x1b[?25l";
            terminal_note_cursor_hidden(!show);
        }
        flush();
    }
    out.cursor_visible = show;
    return ((out.cursor_col + 1) & 0xFF) | ((out.cursor_row + 1) & 0xFF) << 8 |
           (was_visible ? 0x10000 : 0);
}

void terminal_output_forget() {
    out = OutputState{};
    resized = 0;
}

void console_refresh() {
    settle();
    if (out.terminal && read_size()) ask_cursor();
}

}  // namespace pantalla::detail
