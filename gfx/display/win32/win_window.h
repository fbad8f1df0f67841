// The Win32 window shared by the Windows display drivers ("DirectX",
// "GDI", "OpenGL"): the system set-up around the common window module, the
// window class, the window procedure with its keyboard, mouse, focus and
// close handling, and the small steps every driver's WindowOps can reuse.
//
// A driver plugs in like this:
//   .init = its own init, which checks what it must and then calls
//           win_window_init with its WindowOps, its optional WinHooks and
//           its name (instead of window_init),
//   .exit = win_window_exit (instead of window_exit);
// its open_surface creates the window with win_create_window (the class
// and window procedure are ready by then) and its close_surface calls
// win_destroy_window. The window procedure reaches the driver through
// window.ops (paint; open_surface and close_surface for Alt+Enter and
// maximise, through window_toggle_full_screen) and through the WinHooks.
//
// The window procedure runs on the thread that pumps the messages: the
// update thread inside the screen lock, or the program's thread through
// poll_events for a driver without an update thread.
#pragma once

#include <windows.h>

#include <cstdint>

#include "gfx/display/window.h"

namespace pantalla::detail {

// Optional driver hooks called by the window procedure; any slot may be
// null.
struct WinHooks {
    // After the common handling of a focus change (the active mark,
    // held keys and mouse buttons cleared, every row marked dirty).
    void (*activated)(bool active);
    // After window_toggle_full_screen has switched (switched true) or
    // fallen back to the former mode (false).
    void (*toggled)(bool switched);
    // Sees every message first; returns true with *result set when it has
    // handled the message, so the common handling is skipped.
    bool (*message)(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam, LRESULT* result);
};

// System state saved by win_window_init and restored by win_window_exit.
struct WinSystem {
    HINSTANCE instance;
    int32_t version;        // major * 256 + minor
    UINT cursor_message;    // the registered "DN mouse cursor" message
    BOOL screen_saver_was_active;
    bool screen_saver_saved;
    bool class_registered;
    bool cursor_hidden;     // ShowCursor(FALSE) is in force
    bool tracking_leave;    // TrackMouseEvent asked for WM_MOUSELEAVE
    DWORD program_thread;   // the thread that called win_window_init
    const WinHooks* hooks;
    char class_name[151];   // as registered, for unregistering
    HANDLE idle_wake;       // ends win_wait_idle early
};

extern WinSystem win_system;

// The common init of the Windows drivers: the system version, the cursor
// message, the screen saver switched off, the window class registered
// (class styles 3, plus 0x20 with flag 0x02; the "DN_PROGRAM_ICON" icon or
// the system's; the arrow cursor), then window_init, which starts the
// update thread and waits for its open_surface; also the event that
// ends the update thread's idle wait. Undoes everything and
// returns -1 on failure.
int32_t win_window_init(const WindowOps* ops, const WinHooks* hooks, const char* driver_name,
                        const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh,
                        int32_t flags);
// window_exit, then the screen saver restored and the class unregistered.
void win_window_exit();

// Creates the window of the registered class with the given styles, sized
// so that its client area is client_width x client_height; centred on the
// screen, or at 0, 0 when not `centred`. Visible; stored in window.handle.
// Raises the calling thread to above-normal priority when it is not the
// program's own (the update thread). Null on failure.
HWND win_create_window(DWORD style, DWORD ex_style, int32_t client_width, int32_t client_height, bool centred);
// Destroys window.handle, if any, and drains its messages.
void win_destroy_window();

LRESULT CALLBACK win_window_proc(HWND hwnd, UINT msg, WPARAM wparam, LPARAM lparam);

// Steps for a driver's WindowOps (or its poll_events).
//
// Dispatches every waiting message of the thread.
void win_pump_messages();
// For the update thread's WindowOps (wait_idle, wake_idle): waits up to
// `ms` milliseconds for a message to the thread or for win_wake_idle.
void win_wait_idle(int32_t ms);
void win_wake_idle();
// For a driver without an update thread (wait_input): waits up to `ms`
// milliseconds for a message to the program's thread, then runs a pass.
void win_wait_messages(int32_t ms);
// GetKeyboardState, one non-zero byte per held virtual key. The system is
// asked again only after the thread has taken messages (win_pump_messages)
// or win_key_state_changed was called; otherwise the last answer stands.
void win_read_virtual_keys(uint8_t* down);
void win_key_state_changed();
// How many times the system was asked, for tests.
uint64_t win_key_state_reads();
// The title (code page 437 bytes) as the window's caption.
void win_apply_title(const char* title);
// Moves the pointer to client coordinates of window.handle.
void win_warp_pointer(int32_t x, int32_t y);
// Shows or hides the pointer through the registered cursor message.
void win_show_pointer(bool shown);

// The refresh rate the display reports (GetDeviceCaps VREFRESH); 0 when
// unknown (a value of 0 or 1 means the hardware default).
int32_t win_display_refresh_rate();

// The control state of a key message: Shift 0x10, left Ctrl 0x08, right
// Ctrl 0x04, left Alt 0x02, right Alt 0x01, and 0x100 for an extended
// key (bit 24 of lparam).
uint32_t win_control_state(LPARAM lparam);

}  // namespace pantalla::detail
