// The console's input read on a thread of its own. Wine keeps a console
// input handle signalled with nothing to read, so no wait on the handle
// blocks, and every look at it costs round trips to Wine's server; a thread
// blocked in ReadConsoleInputA costs nothing until input comes. It moves
// the records into a queue that the console pump takes from and that key
// waits sleep on. Once it runs, every read of the console's input goes
// through it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

namespace pantalla::detail {

// Starts the reader for `input`, a console input handle, unless it runs
// already; false when it cannot run (another handle, or no thread).
bool console_reader_start(HANDLE input);
bool console_reader_running();
// Appends the records read so far to `out`, oldest first: at most `max`,
// the rest waiting for the next take.
void console_reader_take(std::vector<INPUT_RECORD>& out, size_t max = SIZE_MAX);
// Sleeps until a record waits, console_reader_wake is called (also before
// the wait began, if no wait has taken that wake yet), or `ms` have gone
// by; true when a record waits.
bool console_reader_wait(int32_t ms);
void console_reader_wake();

}  // namespace pantalla::detail
