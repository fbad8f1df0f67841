#include "runtime/line_input.h"

#include <cstdint>

#include "runtime/console_hooks.h"
#include "runtime/console_print.h"
#include "runtime/context.h"
#include "runtime/device.h"
#include "runtime/keys.h"
#include "runtime/print.h"
#include "runtime/text_view.h"

using namespace pantalla::detail;

namespace pantalla::detail {

LineReader& line_reader() { return runtime_context_block<LineReader>(kContextLineReader); }

int32_t next_char() {
    LineReader& reader = line_reader();
    if (reader.pos < static_cast<int32_t>(string_length(&reader.line)))
        return static_cast<uint8_t>(reader.line.data[reader.pos++]);
    return -1;
}

void unread_char() {
    LineReader& reader = line_reader();
    if (reader.pos > 0) --reader.pos;
}

namespace {

// Once at the end, next_char keeps returning -1 without advancing, so
// pushing it back must not move either.
void unread(int32_t c) {
    if (c != -1) unread_char();
}

bool is_blank(int32_t c) { return c == ' ' || c == '\t'; }

// After a closing quote in text mode: blanks, then one separator.
void skip_after_quote() {
    int32_t c = next_char();
    while (is_blank(c)) c = next_char();
    if (c == ',' || c == '\n' || c == -1) return;
    if (c == '\r') {
        const int32_t d = next_char();
        if (d != '\n') unread(d);
        return;
    }
    unread(c);
}

}  // namespace

}  // namespace pantalla::detail

int32_t next_field(char* buffer, int32_t max_chars, int32_t text_mode) {
    int32_t c = next_char();
    while (c == ' ' || c == '\t' || c == '\r' || c == '\n') c = next_char();

    int32_t count = 0;
    bool quoted = false;
    bool closed_in_text_mode = false;
    while (c != -1 && count < max_chars) {
        if (is_blank(c)) {
            if (count > 0) {
                if (!text_mode && !quoted) break;
                buffer[count++] = static_cast<char>(c);
            } else if (text_mode && quoted) {
                buffer[count++] = static_cast<char>(c);
            }
        } else if (c == '\n') {
            break;
        } else if (c == '\r') {
            const int32_t d = next_char();
            if (d != '\n') unread(d);
            break;
        } else if (c == '"') {
            if (quoted) {
                quoted = false;
                if (text_mode) {
                    closed_in_text_mode = true;
                    break;
                }
            } else if (count == 0) {
                quoted = true;
            } else {
                buffer[count++] = '"';
            }
        } else if (c == ',' && !quoted) {
            break;
        } else {
            buffer[count++] = static_cast<char>(c);
        }
        if (count >= max_chars) break;
        c = next_char();
    }
    buffer[count] = 0;
    if (closed_in_text_mode) skip_after_quote();
    return count;
}

namespace pantalla::detail {

int32_t text_to_int(const char* text) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > 2147483648LL) value = 2147483648LL;  // saturated; stays put
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}

}  // namespace pantalla::detail

int32_t read_int_field(int32_t* destination) {
    char field[kIntFieldChars + 1];
    next_field(field, kIntFieldChars, 0);
    *destination = text_to_int(field);
    return set_last_error(0);
}

namespace pantalla::detail {

namespace {

// The keyboard read operation of the screen device: the keys waiting now,
// one byte each (an extended key gives its two bytes).
int32_t keyboard_read(DeviceRecord*, char* buffer, uint32_t length) {
    uint32_t n = 0;
    while (n < length) {
        RtString* key = poll_key_string();
        const uint32_t k = string_length(key);
        if (k == 0 || n + k > length) {
            string_release_temp(key);
            break;
        }
        for (uint32_t i = 0; i < k; ++i) buffer[n++] = key->data[i];
        string_release_temp(key);
    }
    return static_cast<int32_t>(n);
}

}  // namespace

}  // namespace pantalla::detail

int32_t read_line_prompted(RtString* prompt, int32_t question_mark, int32_t newline) {
    LineReader& reader = line_reader();
    reader.source = nullptr;
    reader.status = 0;
    reader.pos = 0;
    DeviceRecord* screen = screen_device();
    if (screen->ops && !screen->ops->read) screen->ops->read = keyboard_read;
    if (console_hooks.read_line)
        return console_hooks.read_line(prompt, &reader.line, -1, 0, question_mark, newline);
    return console_read_line(prompt, &reader.line, -1, 0, question_mark, newline);
}

namespace pantalla::detail {

int32_t console_read_line(RtString* prompt, RtString* destination, int32_t, int32_t,
                          int32_t question_mark, int32_t newline) {
    console_print(nullptr, 0, kPrintSettleWrap);
    if (prompt) {
        if (string_length(prompt) != 0)
            print_text(0, prompt, 0);
        else
            string_release_temp(prompt);
        if (question_mark) print_text(0, string_temp_literal("? ", 2), 0);
    }
    RtString* text = string_temp_copy(nullptr, 0);
    if (text) edit_line(text);
    if (newline) console_print("\r\n", 2, 0);
    if (!text) return set_last_error(4);
    string_assign(destination, text);
    return set_last_error(0);
}

}  // namespace pantalla::detail
