// Console key input on Windows: key events from the console's input
// buffer, or the bytes of a redirected standard input, become key codes in
// the console queue.
#pragma once

#include <windows.h>

#include <cstdint>

namespace pantalla::detail {

// Handles one console input event: key-down events through the shared
// translation, Alt with keypad digits composing a character code that is
// delivered when Alt is released.
void console_input_event(const INPUT_RECORD& record);

// Shows every console input record to `watcher` (null: none) as the pump
// takes it, before it becomes a key: for a display driver that wants the
// presses and size changes themselves.
void console_input_watch(void (*watcher)(const INPUT_RECORD&));

// The Alt+keypad number being typed, 0 when none.
uint32_t console_alt_number();

// Close, log-off and shut-down become the close code (TRUE: handled);
// Ctrl+C, Ctrl+Break and the rest keep the system's default (FALSE).
BOOL WINAPI console_close_handler(DWORD event);

// Takes what a standard input that is no console has ready, without
// waiting: its bytes are the keys, CR, LF and CR LF each one Enter, and its
// end (or a broken pipe) the close code, again whenever the queue is empty.
struct StreamInput {
    bool ended;
    bool after_cr;  // a LF right after a CR belongs to the same Enter
};
void pump_stream_input(StreamInput& stream, HANDLE input);

}  // namespace pantalla::detail
