// The text-mode console back end: what the console statements use while no
// graphics screen is open.
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

namespace pantalla::detail {

// The print operation behind console_print; flags bit 3 settles a pending
// wrap even with no text.
int32_t console_print_text(const char* bytes, uint32_t length, uint32_t flags);
int32_t console_print_text_wide(const uint16_t* text, uint32_t count, uint32_t flags);

// Columns and rows of the console window; 80 x 25 when there is none.
void console_text_size(int32_t* cols, int32_t* rows);

// The cursor, 1-based, relative to the console window.
void console_cursor_pos(int32_t* col, int32_t* row);

// Positions the cursor (1-based; already validated) and sets its
// visibility (-1 keeps). Returns the target column in the low byte, the
// target row in the next and 0x10000 when the cursor was visible before.
// Clears the wrap-pending mark.
int32_t console_move_cursor(int32_t row, int32_t col, int32_t visibility);

// Rereads the console's window after the view rows changed.
void console_refresh();

}  // namespace pantalla::detail
