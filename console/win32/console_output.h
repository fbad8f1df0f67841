// The text walk's device operations on the Windows console screen buffer,
// for 8-bit text (the A functions) and 16-bit text (the W functions).
#pragma once

#include <windows.h>

#include <cstdint>

#include "runtime/text_view.h"

namespace pantalla::detail {

// What one print call knows about the console; the view's `device`.
struct ConsoleData {
    int32_t area_left, area_top, area_right, area_bottom;
    int32_t buffer_width, buffer_height;  // 80 x 25 when unreadable
    uint16_t attribute;                   // 7 when unreadable
    HANDLE output;
    bool band;  // the view rows are not exactly the window's rows
};

// Moves the rows up by `lines`. A full-window view with free buffer rows
// below moves down instead (the window follows after the print); what is
// left over scrolls the whole buffer.
void console_scroll(TextView* view, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    int32_t lines);
void console_scroll(TextViewWide* view, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    int32_t lines);

// Writes `count` cells at the cursor, on its row, in the attribute.
// Returns 1 on success.
int32_t console_write_cells(TextView* view, const char* text, int32_t count);
int32_t console_write_cells(TextViewWide* view, const uint16_t* text, int32_t count);

}  // namespace pantalla::detail
