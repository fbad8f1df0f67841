// State of the Windows character console shared by its output, cursor and
// size files.
#pragma once

#include <windows.h>

#include <cstdint>

namespace pantalla::detail {

// A rectangle of the console screen buffer, inclusive.
struct ConsoleRect {
    int16_t left, top, right, bottom;
};

// The part of the screen buffer that the text console uses: the whole
// buffer width, the rows of the console window. All 0 when unreadable.
extern ConsoleRect console_area;
// The console window as last read; all 0 when unreadable.
extern ConsoleRect console_window;

// Set when text ended on the last cell of the view; the next print wraps
// first. Cleared by positioning the cursor.
extern bool console_wrap_pending;

// Reads the area on first use only.
void console_area_ensure();
// Whether there is a console to draw on (else output goes raw).
bool console_area_present();

HANDLE console_output_handle();

}  // namespace pantalla::detail
