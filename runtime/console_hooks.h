// The operation slots through which the console statements reach an open
// graphics screen. Every slot is empty while no graphics screen is open; a
// statement calls its slot when it is filled and its text-console version
// otherwise. Screen set-up fills the table and closing the screen empties it.
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

namespace pantalla::detail {

struct ConsoleHooks {
    RtString* (*get_key)();                                       // 0: next key as text, or empty
    int32_t (*wait_key)();                                        // 1: waits, returns the key code
    int32_t (*key_ready)();                                       // 2: 1 when a key is waiting
    void (*clear_screen)(int32_t mode);                           // 3
    int32_t (*set_colours)(int32_t fg, int32_t bg);               // 4: previous fg | bg << 16
    int32_t (*move_cursor)(int32_t row, int32_t col, int32_t visibility);  // 5: 1-based
    int32_t (*set_text_size)(int32_t cols, int32_t rows);         // 6
    int32_t (*get_cursor_col)();                                  // 7: 1-based
    int32_t (*get_cursor_row)();                                  // 8: 1-based
    void (*get_cursor_pos)(int32_t* col, int32_t* row);           // 9: either may be null
    void (*get_text_size)(int32_t* cols, int32_t* rows);          // 10: either may be null
    int32_t (*draw_text)(const char* text, uint32_t length, uint32_t flags);        // 11
    int32_t (*print_wide_text)(const uint16_t* text, uint32_t count, uint32_t flags);  // 12
    int32_t (*read_text_line)(RtString* destination, int32_t max_chars);  // 13
    int32_t (*is_key_down)(int32_t scan_code);                    // 14
    int32_t (*read_mouse)(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons);  // 15
    int32_t (*move_mouse)(int32_t x, int32_t y, int32_t visible); // 16
    int32_t (*port_in)(int32_t port);                             // 17
    int32_t (*port_out)(int32_t port, int32_t value);             // 18: -1 when not handled
    void (*view_changed)();                                       // 19
    int32_t (*read_line)(RtString* prompt, RtString* destination, int32_t size, int32_t fill,
                         int32_t question_mark, int32_t newline);  // 20
    int32_t (*read_line_wide)(RtString* prompt, RtString* destination, int32_t size,
                              int32_t fill, int32_t question_mark, int32_t newline);  // 21
    int32_t (*read_cell)(int32_t col, int32_t row, int32_t what); // 22
    void (*sleep_ms)(int32_t ms);                                 // 23
};

static_assert(sizeof(ConsoleHooks) == 24 * sizeof(void*), "24 slots");

// The one table of the process, zero (all slots empty) at start.
extern ConsoleHooks console_hooks;

}  // namespace pantalla::detail
