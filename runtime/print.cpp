#include "runtime/print.h"

#include <algorithm>
#include <cstdio>

#include "runtime/context.h"
#include "runtime/number_format.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

bool ends_line(uint32_t flags) { return (flags & (kPrintLineEnd | kPrintLineEndAlt)) != 0; }

// The separator of the text, float and newline-only kinds.
int32_t apply_separator(DeviceRecord* record, uint32_t flags, int32_t error) {
    if (ends_line(flags)) return device_write(record, "\r\n", 2);
    if (flags & kPrintNextZone) return print_next_zone(record);
    return error;
}

int32_t no_device() { return set_last_error(1); }

// The record a statement may write to: a file number without a device, or
// with one that is not open, fails before anything (even an empty item or a
// bare separator) would count as success.
DeviceRecord* open_device(int32_t file_number) {
    DeviceRecord* record = device_for_file(file_number);
    return record && record->ops ? record : nullptr;
}

// Integers carry their line end in the same write; the zone comes after.
template <class T>
int32_t print_whole(int32_t file_number, T value, const char* format, const char* format_line,
                    uint32_t flags) {
    DeviceRecord* record = open_device(file_number);
    if (!record) return no_device();
    char text[kIntegerTextSize];
    const int n = std::snprintf(text, sizeof text, ends_line(flags) ? format_line : format, value);
    int32_t error = device_write(record, text, static_cast<uint32_t>(n));
    if (flags & kPrintNextZone) error = print_next_zone(record);
    return error;
}

int32_t print_float(int32_t file_number, double value, int digits, uint32_t flags) {
    DeviceRecord* record = open_device(file_number);
    if (!record) return no_device();
    char buffer[kNumberTextSize];
    const char* text = float_to_text(value, digits, true, buffer);
    uint32_t n = 0;
    while (text[n]) ++n;
    return apply_separator(record, flags, device_write(record, text, n));
}

}  // namespace

}  // namespace pantalla::detail

int32_t print_text(int32_t file_number, RtString* text, uint32_t flags) {
    DeviceRecord* record = open_device(file_number);
    if (!record) {
        string_release_temp(text);
        return no_device();
    }
    int32_t error = set_last_error(0);
    if (string_length(text) != 0) error = device_write(record, text->data, string_length(text));
    string_release_temp(text);
    return apply_separator(record, flags, error);
}

int32_t print_integer(int32_t file_number, int32_t value, uint32_t flags) {
    return print_whole(file_number, value, "% d", "% d\r\n", flags);
}

int32_t print_unsigned(int32_t file_number, uint32_t value, uint32_t flags) {
    return print_whole(file_number, value, "%u", "%u\r\n", flags);
}

int32_t print_single(int32_t file_number, float value, uint32_t flags) {
    return print_float(file_number, static_cast<double>(value), kSingleDigits, flags);
}

int32_t print_double(int32_t file_number, double value, uint32_t flags) {
    return print_float(file_number, value, kDoubleDigits, flags);
}

int32_t print_newline(int32_t file_number, uint32_t flags) {
    DeviceRecord* record = open_device(file_number);
    if (!record) return no_device();
    return apply_separator(record, flags, set_last_error(0));
}

namespace pantalla::detail {

int32_t print_item(const PrintItem& item) {
    switch (item.kind) {
        case PrintKind::text: return print_text(item.file_number, item.value.text, item.flags);
        case PrintKind::integer: return print_integer(item.file_number, item.value.integer, item.flags);
        case PrintKind::unsigned_integer:
            return print_unsigned(item.file_number, item.value.unsigned_integer, item.flags);
        case PrintKind::single: return print_single(item.file_number, item.value.single, item.flags);
        case PrintKind::double_value:
            return print_double(item.file_number, item.value.double_value, item.flags);
        case PrintKind::none: break;
    }
    return print_newline(item.file_number, item.flags);
}

int32_t print_next_zone(DeviceRecord* record) {
    if (!record) return no_device();
    DeviceRecord* end = device_chain_end(record);
    const int32_t column = end->column;
    int64_t next = (static_cast<int64_t>(column) + kPrintZoneWidth) / kPrintZoneWidth * kPrintZoneWidth + 1;
    if (end->width != 0 && static_cast<uint32_t>(next) > end->width - kPrintZoneWidth) next = 1;
    if (next <= static_cast<int64_t>(column) + 1) return device_write(record, "\r\n", 2);
    // 1 to 14 blanks; a column gone negative would ask for up to 2^31, so
    // the count is capped at one zone.
    static const char blanks[] = "              ";
    const int64_t count = std::min<int64_t>(next - column - 1, kPrintZoneWidth);
    return device_write(record, blanks, static_cast<uint32_t>(count));
}

}  // namespace pantalla::detail
