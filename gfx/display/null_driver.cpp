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
#include "gfx/keyboard.h"
#include "gfx/screen.h"

namespace pantalla::detail {

namespace {

FairLock null_lock;
bool reads_console = true;

void lock() { null_lock.lock(); }
void unlock() { null_lock.unlock(); }
void set_palette(int32_t, int32_t, int32_t, int32_t) {}

void poll_events() {
    if (reads_console) screen_take_console_keys();
}

// Keys come from the console's input, or from another thread's pushes.
void wait_input(int32_t ms) {
    if (reads_console)
        console_wait_input(ms);
    else
        gfx_wait_key_signal(ms);
}

}  // namespace

void null_driver_read_console(bool on) { reads_console = on; }

// Moves console keys only into free slots: the screen's queue drops its
// oldest code when full, and the console keeps offering the close code
// once its input has ended, which must not push typed keys out.
void screen_take_console_keys() {
    int32_t room = key_queue_room(screen_key_queue);
    if (room == 0) return;
    pump_console_input();
    for (; room > 0; --room) {
        const int32_t code = console_queue_take();
        if (code == -1) break;
        key_queue_push(screen_key_queue, code);
    }
}

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
    .wait_input = wait_input,
};

}  // namespace pantalla::detail
