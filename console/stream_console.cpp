// The console as a plain text stream: output goes unchanged to standard
// output and input is read a line at a time from standard input. There is
// no cursor to move and no window to measure.
#include "console/console.h"
#include "runtime/console_print.h"
#include "runtime/platform.h"

namespace {

// Input read ahead of the reader; one byte at a time would cost a system
// call per byte, more would swallow what later statements should see only
// on a terminal, where the line arrives whole anyway.
char pending[4096];
int64_t pending_start = 0, pending_end = 0;
bool input_ended = false;

int32_t read_byte() {
    if (pending_start == pending_end) {
        if (input_ended) return -1;
        const int64_t n = platform_read(std_handles.input, pending, sizeof pending);
        if (n <= 0) {
            input_ended = true;
            return -1;
        }
        pending_start = 0;
        pending_end = n;
    }
    return static_cast<unsigned char>(pending[pending_start++]);
}

}  // namespace

int32_t console_print_text(const char* bytes, uint32_t length, uint32_t) {
    while (length > 0) {
        const int64_t n = platform_write(std_handles.output, bytes, length);
        if (n <= 0) break;
        bytes += n;
        length -= static_cast<uint32_t>(n);
    }
    return 0;
}

int32_t console_print_text_wide(const uint16_t* text, uint32_t count, uint32_t flags) {
    // A text stream carries bytes: each 16-bit character goes out as its
    // low byte.
    char buffer[256];
    while (count > 0) {
        uint32_t n = 0;
        for (; n < count && n < sizeof buffer; ++n) buffer[n] = static_cast<char>(text[n]);
        console_print_text(buffer, n, flags);
        text += n;
        count -= n;
    }
    return 0;
}

void console_text_size(int32_t* cols, int32_t* rows) {
    if (cols) *cols = 80;
    if (rows) *rows = 25;
}

void console_cursor_pos(int32_t* col, int32_t* row) {
    if (col) *col = 1;
    if (row) *row = 1;
}

int32_t console_move_cursor(int32_t row, int32_t col, int32_t) {
    return (col & 0xFF) | (row & 0xFF) << 8;
}

void console_refresh() {}

RtString* console_poll_key_string() {
    // A stream has no keys of its own: its next byte is the key, and its
    // end counts as the close code so that a wait for a key always ends.
    const int32_t c = read_byte();
    if (c == -1) return string_temp_copy("\xFF\x6B", 2);
    const char byte = static_cast<char>(c);
    RtString* key = string_temp_copy(&byte, 1);
    return key ? key : string_empty();
}

int32_t console_key_available() { return 1; }

void console_read_plain_line(RtString* text) {
    char line[256];
    uint32_t n = 0;
    for (int32_t c = read_byte(); c != -1 && c != '\n'; c = read_byte()) {
        if (c == '\r') continue;
        line[n++] = static_cast<char>(c);
        if (n == sizeof line) {
            string_append(text, line, n);
            n = 0;
        }
    }
    string_append(text, line, n);
    // On a terminal the typed line is already on the screen.
    if (!platform_is_terminal(std_handles.input)) console_print(text->data, string_length(text), 0);
}
