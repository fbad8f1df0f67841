// A display driver: the operations that show the graphics screen and feed
// it keys. Each driver defines one const table; the screen holds a pointer
// to it and never changes its slots.
//
// An empty slot means the driver lacks the operation. Callers go through
// the display_* helpers below, which skip empty slots:
//   init       empty: the driver needs no set-up and always opens
//   exit       empty: nothing to stop or restore
//   lock       empty: no update thread shares the screen; nothing to enter
//   unlock     empty: likewise
//   set_palette empty: the display has no palette to send
//   wait_vsync empty: no retrace to wait for; returns at once
//   get_mouse  empty: no mouse; callers report -1 for every output
//   set_mouse  empty: the pointer cannot be moved or hidden
//   set_window_title empty: the display has no title
//   fetch_modes empty: no full-screen mode list
//   poll_events empty: the driver's own thread handles its events
//   wait_input empty: the driver's own thread pushes the keys; the caller
//               waits on the screen's key signal instead (gfx/keyboard.h)
#pragma once

#include <cstdint>

namespace pantalla::detail {

struct DisplayDriver {
    const char* name;
    // 0 on success. height is the displayed height (framebuffer rows times
    // the mode's scale).
    int32_t (*init)(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh,
                    int32_t flags);
    void (*exit)();
    void (*lock)();
    void (*unlock)();
    void (*set_palette)(int32_t index, int32_t red, int32_t green, int32_t blue);
    void (*wait_vsync)();
    int32_t (*get_mouse)(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons);
    void (*set_mouse)(int32_t x, int32_t y, int32_t cursor_visible);
    void (*set_window_title)(const char* title);
    // Full-screen sizes at a depth as width, height pairs; *count pairs.
    const int32_t* (*fetch_modes)(int32_t depth, int32_t* count);
    void (*poll_events)();
    // Waits up to `ms` milliseconds for input that may become keys, or
    // less; called by a key poll that found nothing, outside the screen
    // lock. Must sleep, not spin.
    void (*wait_input)(int32_t ms);
};

// The platform's drivers in the order they are tried, ended by null.
extern const DisplayDriver* const display_drivers[];
// The list the driver search walks: display_drivers unless a test has put
// its own in place. Null puts the built-in list back.
const DisplayDriver* const* display_driver_list();
void display_driver_list_substitute(const DisplayDriver* const* list);

// Draws in memory only; stands outside the list.
extern const DisplayDriver null_driver;
// Whether the "Null" driver takes its keys from the console's input (on by
// default); tests that feed the screen's queue themselves turn it off.
void null_driver_read_console(bool on);
// Moves the console's waiting keys into the free slots of the screen's
// queue (under the screen lock), for drivers whose keys come from the
// console's input.
void screen_take_console_keys();

inline int32_t display_init(const DisplayDriver* d, const char* title, int32_t width, int32_t height,
                            int32_t depth, int32_t refresh, int32_t flags) {
    return d->init ? d->init(title, width, height, depth, refresh, flags) : 0;
}
// Said once the program is ending, before its last screen closes: a driver
// may then leave to the system what the system takes away with the
// process anyway (the window itself), where undoing it costs the user
// time.
void display_note_process_end();
bool display_process_ending();

inline void display_exit(const DisplayDriver* d) {
    if (d->exit) d->exit();
}
inline void display_lock(const DisplayDriver* d) {
    if (d->lock) d->lock();
}
inline void display_unlock(const DisplayDriver* d) {
    if (d->unlock) d->unlock();
}
inline void display_set_palette(const DisplayDriver* d, int32_t i, int32_t r, int32_t g, int32_t b) {
    if (d->set_palette) d->set_palette(i, r, g, b);
}
inline void display_wait_vsync(const DisplayDriver* d) {
    if (d->wait_vsync) d->wait_vsync();
}
inline void display_poll_events(const DisplayDriver* d) {
    if (d->poll_events) d->poll_events();
}
inline void display_set_window_title(const DisplayDriver* d, const char* title) {
    if (d->set_window_title) d->set_window_title(title);
}

}  // namespace pantalla::detail
