// Turns the bytes that an xterm-compatible terminal sends for key presses
// into key events in the console's terms (character, scan code, virtual
// key, control state), ready for translate_key_event. No I/O: the caller
// feeds bytes and says when time has passed without one.
#pragma once

#include <cstdint>

namespace pantalla::detail {

// Besides keys, the terminal's answers to the queries a display driver
// sends, and its mouse reports; none of them is a key.
struct TermEvent {
    enum Kind : uint8_t {
        key,
        cursor_report,     // row, col: 1-based
        mouse,             // SGR report: character 'M' press or motion, 'm' release;
                           // control_state the button code; col, row as reported
        attributes,        // primary device attributes: col 1 when 4 (sixel) is listed
        colour_registers,  // col: the sixel colour registers
        cell_pixels,       // col x row: one cell in pixels
        text_pixels,       // col x row: the text area in pixels
        kitty_graphics,    // the graphics query's answer: col 1 for OK
        mode_report,       // row: the private mode asked for; col: its state (0 unknown)
    };
    Kind kind;
    uint8_t character;  // code page 437 byte typed, 0 for none
    uint16_t scan_code;
    uint16_t virtual_key;
    uint32_t control_state;
    int32_t row, col;
};

// At most this many events come out of one byte or one time-out.
constexpr int kTermEventsPerStep = 2;

struct TermDecoder {
    enum State : uint8_t { ground, escape, csi, csi_bracket, ss3, utf8, string, string_escape };
    State state = ground;
    bool utf8_input = true;       // multi-byte input is UTF-8, else bytes are code page 437
    bool expect_report = false;   // CSI row;col R is a cursor report, not F3
    // Queries were sent and the device attributes have not answered yet:
    // ESC _ opens the answer of the graphics query rather than typing Alt+_.
    bool expect_answers = false;
    bool alt = false;             // an ESC came before the sequence
    bool broken = false;          // sequence too long or malformed: drop at its end
    uint8_t utf8_left = 0;
    char32_t utf8_value = 0;
    char32_t utf8_min = 0;
    uint8_t length = 0;  // parameter bytes gathered
    char params[96];  // room for long attribute lists
};

// Feeds one byte; writes the finished events to `out` and returns their count.
int term_decoder_feed(TermDecoder& d, uint8_t byte, TermEvent* out);

// Time passed (50 ms) without a byte: a lone ESC becomes the Escape key,
// a lone ESC _ Alt+_, and any other unfinished sequence is dropped, but
// for an answer still awaited.
int term_decoder_timeout(TermDecoder& d, TermEvent* out);

// Whether a sequence is unfinished (a time-out would settle it).
bool term_decoder_pending(const TermDecoder& d);

}  // namespace pantalla::detail
