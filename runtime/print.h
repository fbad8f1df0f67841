// Print statements: one item formatted into a local buffer, written to the
// device of a file number, then its separator applied.
#pragma once

#include <cstdint>

#include "runtime/device.h"
#include "runtime/rt_string.h"

// Separator flags: what follows the item.
constexpr uint32_t kPrintLineEnd = 0x1;
constexpr uint32_t kPrintNextZone = 0x2;
constexpr uint32_t kPrintLineEndAlt = 0x4;

namespace pantalla::detail {

enum class PrintKind { text, integer, unsigned_integer, single, double_value, none };

struct PrintItem {
    int32_t file_number;
    PrintKind kind;
    union {
        RtString* text;
        int32_t integer;
        uint32_t unsigned_integer;
        float single;
        double double_value;
    } value;
    uint32_t flags;
};

constexpr int kPrintZoneWidth = 14;
constexpr int kIntegerTextSize = 104;
constexpr int kSingleDigits = 7;
constexpr int kDoubleDigits = 15;

}  // namespace pantalla::detail

int32_t print_text(int32_t file_number, RtString* text, uint32_t flags);
int32_t print_integer(int32_t file_number, int32_t value, uint32_t flags);
int32_t print_unsigned(int32_t file_number, uint32_t value, uint32_t flags);
int32_t print_single(int32_t file_number, float value, uint32_t flags);
int32_t print_double(int32_t file_number, double value, uint32_t flags);
int32_t print_newline(int32_t file_number, uint32_t flags);

namespace pantalla::detail {

// Runs the print routine of the item's kind.
int32_t print_item(const PrintItem& item);

// Blanks up to the next print zone, or a line end when the next zone would
// not fit on the line.
int32_t print_next_zone(DeviceRecord* record);

}  // namespace pantalla::detail
