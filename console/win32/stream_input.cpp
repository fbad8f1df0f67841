#include "console/console_input.h"
#include "console/win32/libdn_io_input.h"
#include "runtime/key_codes.h"

namespace {

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
            // Broken: the writer has gone. Anything else that refuses a peek
            // is read as it comes.
            return GetLastError() == ERROR_BROKEN_PIPE ? -1 : 1;
        }
        case FILE_TYPE_DISK:
        case FILE_TYPE_CHAR: return 256;  // a read returns at once: data or the end
        default: return -1;
    }
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
    const int64_t ready = bytes_ready(input);
    if (ready < 0) {
        end_input(stream);
        return;
    }
    if (ready == 0) return;
    unsigned char buffer[256];
    DWORD got = 0;
    const DWORD want = ready < static_cast<int64_t>(sizeof buffer) ? static_cast<DWORD>(ready)
                                                                    : sizeof buffer;
    if (!ReadFile(input, buffer, want, &got, nullptr) || got == 0) {
        end_input(stream);
        return;
    }
    push_bytes(stream, buffer, got);
}
