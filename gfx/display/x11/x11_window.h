// The X11 window behind the "X11" and "OpenGL" drivers: its connection,
// window, image and input context. Everything here runs on the update
// thread, or for "OpenGL" on the program's thread.
#pragma once

#include "gfx/display/x11/x11_api.h"
#include "gfx/display/x11/x11_keys.h"

#include <cstdint>
#include <vector>

namespace pantalla::detail {

struct X11Window {
    Display* display;
    Window window;
    GC gc;
    Visual* visual;
    int depth;
    Colormap colormap;  // only for a visual other than the default
    int32_t client_width, client_height;
    int bytes_per_pixel;
    Atom wm_protocols, wm_delete_window, net_wm_state, net_wm_state_fullscreen, motif_wm_hints, net_wm_name,
        utf8_string, net_wm_icon, net_active_window, wm_manager;
    // Mapped and not yet given the focus.
    bool focus_wanted;
    XIM im;
    XIC ic;
    Cursor blank_cursor;
    // The image covers the whole client area; the framebuffer shows at
    // window.view_x, view_y, enlarged window.zoom times.
    XImage* image;
    XShmSegmentInfo shm;
    bool use_shm;
    // Converted rows at their own size when the image is enlarged.
    std::vector<uint8_t> staging;
    int32_t staging_pitch;
    // Virtual key of each key code, for the held keys.
    uint8_t keycode_vk[256];
    // Which of the two Ctrl and Alt keys are down, from the key events.
    bool right_ctrl, right_alt;
    // The server sends auto-repeat as presses alone, which `held` tells
    // from new presses; without it a repeat looks like a new press.
    bool detectable_repeat;
    X11HeldKeys held;
};

extern X11Window x11;

bool x11_open_surface();
// The steps of opening, for a driver that brings its own visual: connect;
// set x11.visual and x11.depth; create the window (unmapped, at the size
// and place that window.flags ask for, with its input context); map it.
bool x11_connect();
bool x11_create_window();
void x11_map_window();
void x11_close_surface();
void x11_paint();
uint8_t* x11_begin_rows(int32_t* pitch);
void x11_present_rows(int32_t first, int32_t end);
void x11_apply_title(const char* title);
void x11_warp_pointer(int32_t x, int32_t y);
void x11_show_pointer(bool shown);
// Once the window is mapped (its MapNotify): asks for the focus.
void x11_take_focus();

// The image (x11_image.cpp): shared memory when the server offers it.
bool x11_image_create(int32_t width, int32_t height);
void x11_image_destroy();
void x11_image_put(int32_t x, int32_t y, int32_t width, int32_t height);

// Input (x11_input.cpp).
void x11_pump_events();
// Waits up to `ms` milliseconds for events on the connection, on its
// socket; true when events wait to be pumped. For a driver without an
// update thread, on the thread that owns the connection.
bool x11_wait_events(int32_t ms);
void x11_read_virtual_keys(uint8_t* down);
void x11_keymap_build();
// The Windows virtual-key code of a key symbol, or 0.
uint16_t x11_keysym_vk(KeySym sym);
// The PC scan code of an evdev key code, and whether it is an enhanced key.
uint16_t x11_scan_code(unsigned keycode, bool* enhanced);
// Looks a key press up, through the input context when there is one (dead
// keys and compose rules): fills `press` and the characters typed, at most
// `room`; returns their count.
int x11_key_facts(XKeyEvent& ev, XIC ic, X11KeyPress* press, char32_t* chars, int room);

}  // namespace pantalla::detail
