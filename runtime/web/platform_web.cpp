// The runtime's system services in a browser page. The program runs on the
// page's one thread: every wait hands the browser its turn (Asyncify), so
// the page keeps drawing and taking events.
#include <emscripten.h>
#include <fenv.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>

#include "runtime/platform.h"

namespace pantalla::detail {

StdHandles std_handles;

namespace {

// Milliseconds since 1970 with a fraction: the page's origin plus its
// clock, so that two runs never start from the same count.
EM_JS(double, page_clock_ms, (), { return performance.timeOrigin + performance.now(); });

}  // namespace

// Output goes to the browser's console; there is no standard input.
void platform_std_handles_init() {
    std_handles.input = -1;
    std_handles.output = 1;
}

int64_t platform_write(intptr_t handle, const void* bytes, size_t length) {
    if (handle < 0) return -1;
    return write(static_cast<int>(handle), bytes, length);
}

int64_t platform_read(intptr_t, void*, size_t) { return 0; }

bool platform_is_terminal(intptr_t) { return false; }

void platform_fp_control() { fesetround(FE_TONEAREST); }

void platform_sleep_ms(int32_t ms) { emscripten_sleep(ms > 0 ? static_cast<unsigned>(ms) : 0); }

// exit() unwinds by throwing. Resumed from a page wait (a promise's
// callback), the throw would reach the page as an uncaught error; a sleep
// of emscripten's own resumes through a wake that takes it as the end.
void platform_exit(int32_t code) {
    emscripten_sleep(0);
    std::exit(code);
}

bool platform_threads_available() { return false; }

// Resumes after the page's next frame has been drawn: the frame's
// callback only schedules the resumption, which runs after the painting.
// A page that draws no frames (a tab in the background) resumes after a
// short timer instead, and node, which has no frames, at once.
EM_ASYNC_JS(void, page_turn, (), {
    await new Promise(function(resume) {
        var done = false;
        function go() {
            if (done) return;
            done = true;
            setTimeout(resume, 0);
        }
        var frames = typeof requestAnimationFrame == "function";
        if (frames) requestAnimationFrame(go);
        setTimeout(go, frames ? 20 : 0);
    });
});

void platform_yield() { page_turn(); }

void platform_beep(int32_t, int32_t ms) { platform_sleep_ms(ms); }

bool platform_counter_frequency(int64_t* counts_per_second) {
    *counts_per_second = 1000000;
    return true;
}

// Microseconds.
int64_t platform_counter() { return static_cast<int64_t>(std::llround(page_clock_ms() * 1000.0)); }

uint32_t platform_tick_count() { return static_cast<uint32_t>(static_cast<uint64_t>(page_clock_ms())); }

}  // namespace pantalla::detail
