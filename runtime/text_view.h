// The device-independent text walk: control characters, wrapping at the
// right edge and scroll requests at the bottom of a text view, with runs of
// printable characters handed to the back end.
#pragma once

#include <cstdint>

namespace pantalla::detail {

template <class Char>
struct TextViewOf {
    void* device;  // the back end's own data for this call; never read here
    // Moves rows top..bottom, columns left..right up by `lines` (>= 1),
    // blanks what comes free and sets cursor_row to bottom.
    void (*scroll)(TextViewOf* view, int32_t left, int32_t top, int32_t right, int32_t bottom,
                   int32_t lines);
    // Draws `count` characters at the cursor, all on its row; 1 is success,
    // anything else stops the current run. Leaves the cursor alone.
    int32_t (*write)(TextViewOf* view, const Char* text, int32_t count);
    int32_t left, top, right, bottom;  // 0-based, inclusive; bottom -1: no bottom
    int32_t cursor_col, cursor_row;
};

using TextView = TextViewOf<char>;
using TextViewWide = TextViewOf<uint16_t>;

constexpr int kTextWalkBuffer = 256;

// Runs the walk over `length` characters (zeros included).
void text_view_put(TextView* view, const char* text, uint32_t length);
void text_view_put(TextViewWide* view, const uint16_t* text, uint32_t length);

// Writes a run, splitting it at the right edge and asking for a scroll
// only when a character must go below the view.
void text_view_write(TextView* view, const char* text, int32_t count);
void text_view_write(TextViewWide* view, const uint16_t* text, int32_t count);

// The deferred-wrap rule around the walk: settles a pending wrap, runs the
// walk, and parks the cursor on the last cell instead of scrolling when
// text ended exactly there. The back end builds the view before and stores
// the cursor after. `wrap_pending` is the back end's mark.
void text_view_print(TextView* view, bool* wrap_pending, const char* text, uint32_t length);
void text_view_print(TextViewWide* view, bool* wrap_pending, const uint16_t* text, uint32_t length);

// Print flag that makes an empty print settle a pending wrap.
constexpr uint32_t kPrintSettleWrap = 0x8;
// Print flag of a line end that only moves the cursor on a screen (the line
// editor's scroll past the last cell); output that is no screen leaves it
// out, so redirected text stays as typed.
constexpr uint32_t kPrintCursorMove = 0x10;

// Sounds the bell: 1000 Hz for 250 ms, returning when it has ended.
void text_beep();

}  // namespace pantalla::detail
