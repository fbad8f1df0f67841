#include "console/win32/console_reader.h"

#include <atomic>
#include <mutex>

#include "console/input_queue.h"

namespace pantalla::detail {

namespace {

constexpr size_t kCapacity = 1024;

struct Reader {
    HANDLE input;
    InputQueue<INPUT_RECORD> queue{kCapacity};
};

// Never freed: the thread may still be blocked in the system while the
// process's static objects are destroyed at exit.
std::atomic<Reader*> reader{nullptr};

DWORD WINAPI read_loop(void* state) {
    Reader& r = *static_cast<Reader*>(state);
    INPUT_RECORD records[64];
    for (;;) {
        const size_t room = r.queue.wait_for_room();
        const DWORD want = static_cast<DWORD>(room < 64 ? room : 64);
        DWORD got = 0;
        if (!ReadConsoleInputA(r.input, records, want, &got)) {
            // A handle that stopped being a console: nothing more will come.
            if (GetLastError() == ERROR_INVALID_HANDLE) return 0;
            Sleep(50);
            continue;
        }
        if (got > 0)
            r.queue.push(records, got);
        else
            Sleep(1);  // a read that returns empty must not become a spin
    }
}

}  // namespace

bool console_reader_start(HANDLE input) {
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

bool console_reader_running() { return reader.load() != nullptr; }

void console_reader_take(std::vector<INPUT_RECORD>& out, size_t max) {
    if (Reader* r = reader.load()) r->queue.take_up_to(out, max);
}

bool console_reader_wait(int32_t ms) {
    Reader* r = reader.load();
    if (!r) {
        Sleep(static_cast<DWORD>(ms));
        return false;
    }
    return r->queue.wait(ms);
}

void console_reader_wake() {
    if (Reader* r = reader.load()) r->queue.wake();
}

}  // namespace pantalla::detail
