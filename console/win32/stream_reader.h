// A redirected standard input whose waiting bytes cannot be counted (under
// Wine a Unix pipe refuses PeekNamedPipe) could only be read by waiting in
// ReadFile for its writer's next byte, holding the program up until then.
// Such a stream is read by a thread of its own instead, blocked in
// ReadFile, into a queue that the pump takes from and that key waits sleep
// on. The queue is small: input the program never takes stays in the
// stream.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pantalla::detail {

// Starts the reader for `input` unless it runs already; false when it
// cannot run (another handle, or no thread).
bool stream_reader_start(HANDLE input);
// Whether the reader runs for `input`.
bool stream_reader_reads(HANDLE input);
// Appends at most `max` of the bytes read so far to `out`, oldest first;
// true once the stream has ended and every byte has been taken.
bool stream_reader_take(std::vector<unsigned char>& out, size_t max);
// Sleeps until a byte waits, the stream ends, or `ms` have gone by.
void stream_reader_wait(int32_t ms);

}  // namespace pantalla::detail
