// Printing, line input and keys.
#include <cstdlib>

#include "pantalla/start.h"
#include "runtime/console_hooks.h"
#include "runtime/context.h"
#include "runtime/keys.h"
#include "runtime/line_input.h"
#include "runtime/number_format.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"

namespace pantalla {

using detail::ensure_started;
using detail::status;

Error print(std::string_view text, End end) {
    ensure_started();
    // A runtime string holds under 2 GiB; longer text goes in parts.
    constexpr size_t part = size_t{1} << 30;
    while (text.size() > part) {
        if (const int32_t code = print_text(0, detail::temp_text(text.substr(0, part)), 0)) return status(code);
        text.remove_prefix(part);
    }
    return status(print_text(0, detail::temp_text(text), static_cast<uint32_t>(end)));
}

Error print(int value, End end) {
    ensure_started();
    return status(print_integer(0, value, static_cast<uint32_t>(end)));
}

Error print(unsigned value, End end) {
    ensure_started();
    return status(print_unsigned(0, value, static_cast<uint32_t>(end)));
}

Error print(float value, End end) {
    ensure_started();
    return status(print_single(0, value, static_cast<uint32_t>(end)));
}

Error print(double value, End end) {
    ensure_started();
    return status(print_double(0, value, static_cast<uint32_t>(end)));
}

Error println() {
    ensure_started();
    return status(print_newline(0, kPrintLineEnd));
}

std::string number_text(double value, int digits) {
    char buffer[kNumberTextSize];
    return float_to_text(value, digits < 1 ? 1 : digits > 17 ? 17 : digits, false, buffer);
}

namespace {

// Reads a line into the runtime's reader, whose fields are then handed
// out; false when no line came (the reader then holds an old one).
bool read_line(std::string_view prompt, bool question) {
    ensure_started();
    return read_line_prompted(detail::temp_text(prompt), question ? -1 : 0, -1) == 0;
}

}  // namespace

std::string input(std::string_view prompt, bool question) {
    if (!read_line(prompt, question)) return {};
    const RtString& line = line_reader().line;
    return line.data ? std::string(line.data, string_length(&line)) : std::string();
}

int input_int(std::string_view prompt, bool question) {
    if (!read_line(prompt, question)) return 0;
    int32_t value = 0;
    read_int_field(&value);
    set_last_error(0);
    return value;
}

double input_number(std::string_view prompt, bool question) {
    if (!read_line(prompt, question)) return 0;
    char field[64];
    field[next_field(field, sizeof field - 1, 0)] = 0;
    set_last_error(0);
    return std::strtod(field, nullptr);
}

int poll_key() {
    ensure_started();
    RtString* key = poll_key_string();
    const int32_t code = key_string_code(key);
    string_release_temp(key);
    return code < 0 ? 0 : code;
}

std::string poll_key_text() {
    ensure_started();
    return detail::take_text(poll_key_string());
}

int wait_key() {
    ensure_started();
    return wait_key_code();
}

bool key_waiting() {
    ensure_started();
    return key_available() != 0;
}

bool key_down(int scan_code) {
    return console_hooks.is_key_down && scan_code > 0 && scan_code < 128 && console_hooks.is_key_down(scan_code);
}

void sleep(int ms) {
    ensure_started();
    sleep_or_key(ms);
}

}  // namespace pantalla
