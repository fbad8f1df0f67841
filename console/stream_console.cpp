// The console as a plain text stream: output goes unchanged to standard
// output and the bytes of standard input are the keys. There is no cursor
// to move and no window to measure.
#include "console/console.h"
#include "console/console_input.h"
#include "runtime/console_print.h"
#include "runtime/key_codes.h"
#include "runtime/platform.h"

namespace {

// Standard input ends only once: after that no read is tried again.
bool input_ended = false;
// A CR LF pair is one line end, one Enter.
bool after_cr = false;

void push_input_byte(unsigned char byte) {
    const bool was_after_cr = after_cr;
    after_cr = byte == '\r';
    if (byte == '\n' && was_after_cr) return;
    if (byte == '\r' || byte == '\n') byte = 13;
    // Zero is no key code.
    if (byte != 0) console_queue_push(byte);
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

void pump_console_input() {
    // Keys are read only when none is waiting, so that a blocking read
    // never holds up keys already here and the queue never overflows.
    if (!console_queue_empty()) return;
    if (input_ended) {
        // The end of input stays the close code for every later wait, so
        // that no wait for a key outlasts the input.
        console_queue_push(kCloseKey);
        return;
    }
    char bytes[256];
    const int64_t n = platform_read(std_handles.input, bytes, sizeof bytes);
    if (n <= 0) {
        input_ended = true;
        console_queue_push(kCloseKey);
        return;
    }
    for (int64_t i = 0; i < n; ++i) push_input_byte(static_cast<unsigned char>(bytes[i]));
}
