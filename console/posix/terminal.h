// What the parts of the POSIX terminal back end share: the terminal's
// mode and its restoration, and the cursor-position query.
#pragma once

#include <cstdint>

namespace pantalla::detail {

// Puts terminal `fd` into the mode for reading keys (no line buffering, no
// echo, signals kept) and makes sure it is restored at exit and on every
// fatal signal. Later calls do nothing.
void terminal_mode_enter(int fd);

// Puts the saved settings back and shows a hidden cursor. Safe in a signal
// handler; harmless when nothing was changed.
void terminal_mode_restore();

// Records whether the cursor is hidden, so that restoring shows it.
void terminal_note_cursor_hidden(bool hidden);
// Records whether the alternate screen is in use, so that restoring resets
// the colours and goes back to the normal screen.
void terminal_note_alternate_screen(bool on);
// Records whether the terminal sends mouse reports, so that restoring
// turns them off (every kind a driver may have turned on).
void terminal_note_mouse(bool on);
inline constexpr char kMouseReportsOff[] = "\x1b[?1016l\x1b[?1006l\x1b[?1003l\x1b[?1002l\x1b[?1000l";

// From now on a hang-up ends the input instead of the process.
void terminal_hangup_is_close();
// Whether the terminal hung up (SIGHUP) since start.
bool terminal_hung_up();

// Whether the program was stopped and continued since the last look; the
// screen may have changed meanwhile. Clears the mark.
bool terminal_take_resumed();

// Asks the terminal where its cursor stands (1-based), waiting at most
// `timeout_ms`. Keys that arrive meanwhile go to the console queue. False
// when standard input is no terminal or no answer came.
bool terminal_query_cursor(int32_t* row, int32_t* col, int32_t timeout_ms);

// Whether the terminal's encoding, as the user's locale names it, is UTF-8.
bool terminal_locale_is_utf8();

// Forget what is known of the terminal, so that the next use sets up afresh
// on the current standard handles (after they changed). The mode is
// restored first.
void terminal_mode_forget();
void terminal_input_forget();
void terminal_output_forget();

}  // namespace pantalla::detail
