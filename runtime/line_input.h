// Line input: the prompt, the line typed by the user, and the field
// splitter that hands the line out field by field.
#pragma once

#include <cstdint>

#include "runtime/rt_string.h"

namespace pantalla::detail {

struct LineReader {
    void* source;    // an open file, or null: characters come from `line`
    int32_t status;  // 0 when a statement begins
    RtString line;   // the entered text, owned here
    int32_t pos;     // index of the next character to hand out
};

// The process's reader, created on first use.
LineReader& line_reader();

constexpr int kIntFieldChars = 11;

// The next character of the source (0 to 255), or -1 at the end.
int32_t next_char();
// Steps back by one character; pushing back the end changes nothing.
void unread_char();

}  // namespace pantalla::detail

// Reads the next field into `buffer` (room for max_chars + 1 bytes);
// text_mode 0 for numbers, non-zero for text fields. Returns the number of
// characters stored.
int32_t next_field(char* buffer, int32_t max_chars, int32_t text_mode);

// Reads the next field as an integer: at most 11 characters, optional
// blanks, optional sign and decimal digits; no digits give 0. Digit strings
// beyond the 32-bit range saturate to -2147483648 or 2147483647.
int32_t read_int_field(int32_t* destination);

namespace pantalla::detail {

// The conversion behind read_int_field, saturating instead of overflowing.
int32_t text_to_int(const char* text);

}  // namespace pantalla::detail

// Begins a line-input statement: shows the prompt (and "? " with
// question_mark), lets the user enter a line and stores it in the reader.
int32_t read_line_prompted(RtString* prompt, int32_t question_mark, int32_t newline);

namespace pantalla::detail {

// The line-input operation while no graphics screen is open: returns
// last_error, 0 or 4 (no line could be had).
int32_t console_read_line(RtString* prompt, RtString* destination, int32_t size, int32_t fill,
                          int32_t question_mark, int32_t newline);

// Edits `text` (a temporary string it may grow) on the screen until Enter,
// or until the close code arrives (the input went away), which ends the
// line the same way. Characters are always inserted; the line has no
// length limit but memory.
void edit_line(RtString* text);

// Moves a 1-based position by `delta` cells on rows of `width` columns,
// carrying whole rows both ways; rows are not clamped.
void step_position(int32_t* column, int32_t* row, int32_t delta, int32_t width);

// Moves the cursor by `delta` cells from (column, row) and stores the new
// position. Landing on the first cell below the screen scrolls the screen
// by one row, and the position becomes column 1 of the last row; a
// position that cursor placement refuses leaves the cursor where it is.
void move_cursor_cells(int32_t* column, int32_t* row, int32_t delta, int32_t width,
                       int32_t height);

}  // namespace pantalla::detail
