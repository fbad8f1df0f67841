// The window module shared by the display drivers that show the screen
// through an update thread (all but "Null"); free of system calls.
//
// A driver fills a WindowOps table with its system-specific steps and
// points its DisplayDriver slots at the window_* operations below:
//   .init = its own init, which checks what it must and then calls
//           window_init with its WindowOps and its name,
//   .exit = window_exit, .lock = window_lock, .unlock = window_unlock,
//   .set_palette = window_set_palette, .wait_vsync = window_wait_vsync,
//   .get_mouse = window_get_mouse, .set_mouse = window_set_mouse,
//   .set_window_title = window_set_title.
//
// The update thread (window_thread_main unless the driver brings its own)
// calls open_surface, then runs window_pass every 10 ms until exit, then
// close_surface. With wait_idle, a pass that leaves nothing to draw is
// followed by a longer wait that the window's events or the next drawing
// end. A pass holds the screen lock throughout and does: title
// and mouse requests, palette if changed, conversion of the dirty rows of
// the visible page, clearing every displayed row's mark, held keys (while
// active), events. Every WindowOps step runs on the update thread, inside
// the lock, except open_surface and close_surface at start and end,
// wait_idle (outside the lock) and wake_idle (any thread).
#pragma once

#include <cstdint>

#include "gfx/display/blit.h"

namespace pantalla::detail {

struct WindowOps {
    // Creates the window and its surface, at `window.flags` (full screen
    // or not); sets view_x, view_y and zoom. False on failure; the caller
    // then calls close_surface, which must cope with a partial open.
    bool (*open_surface)();
    void (*close_surface)();
    // Shows the whole surface again (the window was exposed).
    void (*paint)();
    // The update thread's body; null for window_thread_main.
    void (*thread_main)();
    // Sends the 256 palette entries to a display that has a palette;
    // null when the blitter's palette table is enough.
    void (*send_palette)(const uint32_t* palette);
    // The destination of the converted rows, displayed row 0, and its
    // pitch; null to skip drawing in this pass.
    uint8_t* (*begin_rows)(int32_t* pitch);
    // Shows displayed rows first..end-1 after a conversion.
    void (*present_rows)(int32_t first, int32_t end);
    // Fills 256 bytes, non-zero for each held virtual key (see
    // window_held_keys); null when the driver reads the scan codes itself
    // through held_scan_codes.
    void (*read_virtual_keys)(uint8_t* down);
    void (*held_scan_codes)(uint8_t* key_down);
    // Handles every waiting event of the window.
    void (*pump_events)();
    // Applies the window's title (after set_window_title).
    void (*apply_title)(const char* title);
    // Moves the pointer to client coordinates, or shows or hides it.
    void (*warp_pointer)(int32_t x, int32_t y);
    void (*show_pointer)(bool shown);
    // Without an update thread: makes the surface's drawing context
    // current on the calling thread (true) or lets it go (false), so that
    // a deferred pass may draw from another thread; null when the surface
    // is not bound to a thread.
    void (*bind_context)(bool bound);
    // Brings back a surface the system took away (before the palette and
    // the conversion of each pass); null when surfaces cannot be lost.
    void (*restore_surfaces)();
    // The update thread's wait when nothing is left to draw: up to `ms`
    // milliseconds, ended early by the window's events and by wake_idle
    // (from any thread). Null: the passes simply run every 10 ms.
    void (*wait_idle)(int32_t ms);
    void (*wake_idle)();
    // The surface opens on the program's thread, which runs every pass
    // from its polls and waits, with no helper thread either: for a
    // platform that has no threads. A drawing made just after a pass shows
    // at the program's next poll.
    bool in_place;
};

constexpr int32_t kMouseLeft = 1;
constexpr int32_t kMouseRight = 2;
constexpr int32_t kMouseMiddle = 4;

struct WindowMouse {
    int32_t buttons;  // kMouse* bits
    int32_t wheel;    // +-1 per notch
    bool cursor_shown;
    bool inside;      // the pointer is over the client area
    int32_t x, y;     // client coordinates
};

// State of the one open window, cleared by every init.
struct WindowState {
    void* handle;  // the driver's window
    uint32_t palette[256];  // red | green << 8 | blue << 16
    bool palette_changed;
    Blitter blitter;
    bool active;   // the window has the focus
    int32_t width;           // client pixels
    int32_t height;          // displayed rows
    int32_t depth;
    int32_t flags;           // screen_open flags; 0x01 toggles with full screen
    int32_t refresh_rate;
    char title[128];
    bool title_changed;
    char class_name[151];    // "dngfxclass_" and at most 139 title bytes
    const WindowOps* ops;
    WindowMouse mouse;
    // Where the framebuffer shows in the client area, and its enlargement.
    int32_t view_x, view_y, zoom;
    // Requests from the program's thread, carried out by the next pass.
    bool warp_requested;
    int32_t warp_x, warp_y;  // framebuffer coordinates
    int32_t show_request;    // -1 none, 0 hide, 1 show
    int32_t scale;           // displayed rows per framebuffer row
    bool may_vectorise;      // the processor has the vector unit and scale is 1
};

extern WindowState window;

// Common init: clears the state, refuses flag 0x02 unless `driver_name`
// is "OpenGL", raises a depth below 8 to 8, starts the update thread and
// waits until it has opened its surface (0) or given up (-1). With flag
// 0x02 or WindowOps.in_place no thread starts: the surface opens on the calling thread, and the
// passes run there through window_poll and window_pass_if_due.
int32_t window_init(const WindowOps* ops, const char* driver_name, const char* title, int32_t width,
                    int32_t height, int32_t depth, int32_t refresh, int32_t flags);
// Stops and joins the update thread, or closes a surface opened in place;
// harmless when neither is open.
void window_exit();
bool window_initialised();

// The connection to the display broke (any thread, from the system
// library's error callback). From then on passes touch nothing of the
// display and every key read finds the close code, as if the window had
// been closed: ending is the program's decision, made on its own thread.
void window_connection_lost();
bool window_lost();

void window_lock();
void window_unlock();
// Without an update thread: one pass now, or one only if the pass interval
// has gone by since the last; both do nothing while a thread runs the
// passes. Called inside or outside the screen lock.
void window_poll();
void window_pass_if_due();
// After a drawing, outside the lock: window_pass_if_due, and when the pass
// is not yet due, a deferred pass from a helper thread once the interval
// has run out, unless a pass on the program's thread comes first. The
// deferred pass only draws (palette and dirty rows); events and held keys
// stay with the program's thread.
void window_pass_or_defer();
// The in-place drivers' unlock: window_unlock, then window_pass_or_defer.
void window_unlock_in_place();
// Under the screen lock; takes effect at the next pass.
void window_set_palette(int32_t index, int32_t red, int32_t green, int32_t blue);
void window_set_title(const char* title);
void window_wait_vsync();

}  // namespace pantalla::detail

// Framebuffer coordinates; -1 while inactive or with the pointer outside.
int32_t window_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons);
void window_set_mouse(int32_t x, int32_t y, int32_t cursor_visible);

namespace pantalla::detail {

// The default update thread: open, passes until exit, close. A driver's
// own thread_main must call window_thread_opened once it knows whether its
// surface opened, and end soon after window_initialised turns false.
void window_thread_main();
void window_thread_opened(bool opened);
// One pass, from taking the lock to giving it back.
void window_pass();
// For a driver's own thread_main, after a pass: true when nothing is left
// to draw, and then the next drawing calls WindowOps.wake_idle; the thread
// may wait idle and calls window_end_idle after its wait.
bool window_begin_idle();
void window_end_idle();

// For the drivers' event handlers (update thread, inside the lock).
//
// Picks the blitter for the screen's depth and the display's format.
bool window_choose_blitter(int32_t dst_depth, bool red_low);
// Sends the whole palette again and marks every displayed row dirty.
void window_redraw_all();
// The window's contents were lost (an expose, WM_PAINT): the driver's
// paint, with the drawing context current when it is bound in place.
void window_paint();
// Focus gained or lost: held keys and mouse buttons are cleared, every
// row is drawn again.
void window_set_active(bool active);
// Alt+Enter: switches between window and full screen unless flag 0x04;
// false when the switch was not made.
bool window_toggle_full_screen();
// A key event into the screen's key queue: the code window_key_code gives,
// if any. `character` is the code page 437 byte typed, 0 if none.
void window_key_event(uint8_t character, uint16_t scan_code, uint16_t virtual_key, uint32_t control_state);
// A code into the screen's key queue, under the screen lock. A full queue
// would drop its oldest code: the code waits behind any waiting ones
// instead, and the update thread's passes (and drivers that see the
// program look for keys) move them in as slots free up.
void window_push_key(int32_t code);
bool window_keys_waiting();
void window_take_waiting_keys();
// The code a key event puts into the queue, as the Windows window procedure
// does it: translate_key_event's code, but a character typed with Alt (and
// without Ctrl, which would make it AltGr) is none, since Windows delivers
// it as a system character, which the procedure leaves alone. 0 for none.
int32_t window_key_code(uint8_t character, uint16_t scan_code, uint16_t virtual_key, uint32_t control_state);
// key_down from a 256-byte virtual-key state through the held-key table.
void window_held_keys(const uint8_t* virtual_down, uint8_t* key_down);

}  // namespace pantalla::detail
