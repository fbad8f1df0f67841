#include "gfx/keyboard.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

#include "gfx/display/display_driver.h"
#include "gfx/screen.h"
#include "runtime/keys.h"
#include "runtime/line_input.h"
#include "runtime/platform.h"
#include "runtime/poll_pacer.h"

namespace pantalla::detail {

namespace {

// Locks for the read unless the caller already holds the screen lock. A
// driver without an update thread gathers its events here.
void lock_for_read() {
    screen_auto_lock();
    display_poll_events(screen->driver);
}
void release_after_read() { screen_auto_unlock(); }

// Raised after codes entered the screen's queue from another thread. A poll
// notes the count before it looks at the queue, so a code that arrives
// after the look always ends the wait that follows.
struct KeySignal {
    std::mutex mutex;
    std::condition_variable raised;
    uint64_t count = 0;
};
KeySignal key_signal;
uint64_t key_signal_seen = 0;  // the program's thread only

void note_key_signal() {
    const std::lock_guard<std::mutex> guard(key_signal.mutex);
    key_signal_seen = key_signal.count;
}

void wait_for_keys(int32_t ms) {
    if (screen->driver->wait_input)
        screen->driver->wait_input(ms);
    else
        gfx_wait_key_signal(ms);
}

}  // namespace

int32_t gfx_take_pressed() {
    if (!screen) return 0;
    lock_for_read();
    const int32_t pressed = key_queue_take_pressed(screen_key_queue);
    release_after_read();
    return pressed;
}

int32_t gfx_take_key() {
    if (!screen) return 0;
    lock_for_read();
    int32_t code = 0;
    if (!key_queue_take(screen_key_queue, &code)) code = 0;
    gfx_take_pressed();
    release_after_read();
    return code;
}

int32_t gfx_key_available() {
    if (!screen) return 0;
    lock_for_read();
    int32_t code = 0;
    const int32_t waiting = key_queue_peek(screen_key_queue, &code) ? 1 : 0;
    release_after_read();
    return waiting;
}

RtString* gfx_poll_key_string() {
    if (!screen) return string_empty();
    poll_pacer_begin();
    note_key_signal();
    int32_t code = gfx_take_key();
    // Never while the program holds the screen lock: the keys could not come.
    const bool wait = code == 0 && !(screen->flags & kScreenLocked) && poll_pacer_idle();
    if (wait) {
        wait_for_keys(poll_pacer_wait_ms());
        code = gfx_take_key();
    }
    poll_pacer_end(code != 0, wait);
    // Without a string for a key already taken, the poll reports no key.
    return key_code_string(code);
}

void gfx_key_signal() {
    {
        const std::lock_guard<std::mutex> guard(key_signal.mutex);
        ++key_signal.count;
    }
    key_signal.raised.notify_all();
}

void gfx_wait_key_signal(int32_t ms) {
    std::unique_lock<std::mutex> guard(key_signal.mutex);
    key_signal.raised.wait_for(guard, std::chrono::milliseconds(ms),
                               [] { return key_signal.count != key_signal_seen; });
}

int32_t gfx_wait_key_code() {
    if (!screen) return 0;
    for (;;) {
        const int32_t code = gfx_take_key();
        gfx_sleep_or_key(20);
        if (code != 0) return code;
    }
}

void gfx_sleep_or_key(int32_t ms) {
    if (ms == -1) {
        while (!gfx_take_pressed()) {
            if (!screen) return;
            platform_sleep_ms(50);
        }
        return;
    }
    if (ms > 99) {
        while (ms > 50) {
            if (gfx_take_pressed()) return;
            platform_sleep_ms(50);
            ms -= 50;
        }
        platform_sleep_ms(ms);
        return;
    }
    platform_sleep_ms(ms);
}

int32_t gfx_read_line(RtString* prompt, RtString* destination, int32_t size, int32_t fill,
                      int32_t question_mark, int32_t newline) {
    // The editor is device-independent: its operations reach this screen.
    return console_read_line(prompt, destination, size, fill, question_mark, newline);
}

void gfx_push_key(int32_t code) {
    if (!screen) {
        key_queue_push(screen_key_queue, code);
        return;
    }
    display_lock(screen->driver);
    key_queue_push(screen_key_queue, code);
    display_unlock(screen->driver);
    gfx_key_signal();
}

int32_t gfx_is_key_down(int32_t scan_code) {
    if (!screen || scan_code < 0 || scan_code > 127) return 0;
    screen_auto_lock();
    const int32_t held = screen->key_down[scan_code];
    screen_auto_unlock();
    return held;
}

}  // namespace pantalla::detail
