#include "console/win32/console_wait.h"

#include <atomic>

namespace pantalla::detail {

namespace {

// One console input per process; the console display driver's thread and
// the program's thread may both wait on it.
std::atomic<bool> handle_spins{false};

}  // namespace

void console_input_wait(HANDLE input, uint32_t ms) {
    ConsoleWait decision{handle_spins.load(std::memory_order_relaxed)};
    decision.run(
        ms, [input](uint32_t wait_ms) { return WaitForSingleObject(input, wait_ms) == WAIT_OBJECT_0; },
        [input]() -> int64_t {
            DWORD count = 0;
            return GetNumberOfConsoleInputEvents(input, &count) ? static_cast<int64_t>(count) : -1;
        },
        [](uint32_t sleep_ms) { Sleep(sleep_ms); });
    if (decision.spins) handle_spins.store(true, std::memory_order_relaxed);
}

}  // namespace pantalla::detail
