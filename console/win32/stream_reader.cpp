#include "console/win32/stream_reader.h"

#include <atomic>
#include <mutex>

#include "console/input_queue.h"

namespace pantalla::detail {

namespace {

constexpr size_t kCapacity = 256;

struct Reader {
    HANDLE input;
    InputQueue<unsigned char> queue{kCapacity};
    std::atomic<bool> ended{false};  // set after the last byte was queued
};

// Never freed: the thread may still be blocked in the system while the
// process's static objects are destroyed at exit.
std::atomic<Reader*> reader{nullptr};

DWORD WINAPI read_loop(void* state) {
    Reader& r = *static_cast<Reader*>(state);
    unsigned char buffer[kCapacity];
    for (;;) {
        const size_t room = r.queue.wait_for_room();
        DWORD got = 0;
        // A pipe's read returns what has come, once anything has.
        if (!ReadFile(r.input, buffer, static_cast<DWORD>(room), &got, nullptr) || got == 0) {
            r.ended = true;
            r.queue.wake();
            return 0;
        }
        r.queue.push(buffer, got);
    }
}

}  // namespace

bool stream_reader_start(HANDLE input) {
    if (Reader* running = reader.load()) return running->input == input;
    static std::mutex starting;
    const std::lock_guard<std::mutex> guard(starting);
    if (Reader* running = reader.load()) return running->input == input;
    auto* r = new Reader{input};
    HANDLE thread = CreateThread(nullptr, 0, read_loop, r, 0, nullptr);
    if (!thread) {
        delete r;
        return false;
    }
    CloseHandle(thread);
    reader.store(r);
    return true;
}

bool stream_reader_reads(HANDLE input) {
    const Reader* r = reader.load();
    return r && r->input == input;
}

bool stream_reader_take(std::vector<unsigned char>& out, size_t max) {
    Reader* r = reader.load();
    if (!r) return false;
    // Looked at first: once it is set, every byte is in the queue.
    const bool ended = r->ended.load();
    return !r->queue.take_up_to(out, max) && ended;
}

void stream_reader_wait(int32_t ms) {
    Reader* r = reader.load();
    if (!r) {
        Sleep(static_cast<DWORD>(ms));
        return;
    }
    if (!r->ended) r->queue.wait(ms);
}

}  // namespace pantalla::detail
