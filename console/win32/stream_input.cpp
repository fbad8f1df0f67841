#include <vector>

#include "console/console_input.h"
#include "console/win32/libdn_io_input.h"
#include "console/win32/stream_reader.h"
#include "runtime/key_codes.h"

namespace pantalla::detail {

namespace {

constexpr size_t kReadSize = 256;
// bytes_ready: the stream cannot say how many bytes wait.
constexpr int64_t kUncounted = -2;

void end_input(StreamInput& stream) {
    stream.ended = true;
    console_queue_push(kCloseKey);
}

void push_bytes(StreamInput& stream, const unsigned char* bytes, DWORD count) {
    for (DWORD i = 0; i < count; ++i) {
        const unsigned char c = bytes[i];
        const bool lf_of_crlf = c == '\n' && stream.after_cr;
        stream.after_cr = c == '\r';
        // Zero is no key code.
        if (lf_of_crlf || c == 0) continue;
        console_queue_push(c == '\n' ? 13 : c);
    }
}

// How many bytes can be read at once without waiting; -1 at the end.
int64_t bytes_ready(HANDLE input) {
    switch (GetFileType(input)) {
        case FILE_TYPE_PIPE: {
            DWORD available = 0;
            if (PeekNamedPipe(input, nullptr, 0, nullptr, &available, nullptr)) return available;
            // Broken: the writer has gone.
            return GetLastError() == ERROR_BROKEN_PIPE ? -1 : kUncounted;
        }
        case FILE_TYPE_DISK:
        case FILE_TYPE_CHAR: return kReadSize;  // a read returns at once: data or the end
        default: return -1;
    }
}

// A stream that refuses a peek is read on the stream reader's thread, or,
// without one, a byte at a time as it comes (which waits for that byte).
void take_uncounted(StreamInput& stream, HANDLE input) {
    if (!stream_reader_start(input)) {
        unsigned char byte;
        DWORD got = 0;
        if (!ReadFile(input, &byte, 1, &got, nullptr) || got == 0)
            end_input(stream);
        else
            push_bytes(stream, &byte, 1);
        return;
    }
    std::vector<unsigned char> bytes;
    const bool ended = stream_reader_take(bytes, kReadSize);
    if (!bytes.empty()) push_bytes(stream, bytes.data(), static_cast<DWORD>(bytes.size()));
    if (ended) end_input(stream);
}

}  // namespace

void pump_stream_input(StreamInput& stream, HANDLE input) {
    // Read only into an empty queue, and less than it holds, so that no
    // byte is ever pushed out by the next; the rest waits in the stream.
    if (!console_queue_empty()) return;
    if (stream.ended) {
        // Every later wait for a key ends too, not only the first.
        console_queue_push(kCloseKey);
        return;
    }
    if (!input) {
        end_input(stream);
        return;
    }
    const int64_t ready = stream_reader_reads(input) ? kUncounted : bytes_ready(input);
    if (ready == kUncounted) {
        take_uncounted(stream, input);
        return;
    }
    if (ready < 0) {
        end_input(stream);
        return;
    }
    if (ready == 0) return;
    unsigned char buffer[kReadSize];
    DWORD got = 0;
    const DWORD want = ready < static_cast<int64_t>(sizeof buffer) ? static_cast<DWORD>(ready)
                                                                    : sizeof buffer;
    if (!ReadFile(input, buffer, want, &got, nullptr) || got == 0) {
        end_input(stream);
        return;
    }
    push_bytes(stream, buffer, got);
}

}  // namespace pantalla::detail
