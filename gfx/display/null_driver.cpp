// The "Null" driver: the screen lives in memory and nothing is shown.
//
// Its lock is a real one although it has no update thread: a thread other
// than the program's (a test, an embedder feeding keys) can then push into
// the screen's key queue safely. With one thread it is never contended.
//
// Having no window, it takes its keys from the console's input, so that a
// program run with it can still be answered and ended, from a terminal or
// a pipe, instead of waiting for keys that can never come.
#include "console/console_input.h"
#include "gfx/display/display_driver.h"
#include "gfx/display/screen_lock.h"
#include "gfx/screen.h"

namespace {

FairLock null_lock;
bool reads_console = true;

void lock() { null_lock.lock(); }
void unlock() { null_lock.unlock(); }
void set_palette(int32_t, int32_t, int32_t, int32_t) {}

void poll_events() {
    if (!reads_console) return;
    pump_console_input();
    for (int32_t code = console_queue_take(); code != -1; code = console_queue_take())
        key_queue_push(screen_key_queue, code);
}

}  // namespace

void null_driver_read_console(bool on) { reads_console = on; }

const DisplayDriver null_driver = {
    .name = "Null",
    .init = nullptr,
    .exit = nullptr,
    .lock = lock,
    .unlock = unlock,
    .set_palette = set_palette,
    .wait_vsync = nullptr,
    .get_mouse = nullptr,
    .set_mouse = nullptr,
    .set_window_title = nullptr,
    .fetch_modes = nullptr,
    .poll_events = poll_events,
};
