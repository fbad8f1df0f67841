#include "gfx/display/x11/x11_window.h"

#include <X11/Xatom.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "console/cp437.h"
#include "gfx/display/window.h"
#include "gfx/screen.h"

// A program's own window icon, when it defines one.
extern const uint32_t program_icon_argb[] __attribute__((weak));

namespace pantalla::detail {

X11Window x11;

namespace {

constexpr int32_t kAssumedRefreshRate = 60;

// The display's format as the blitter table knows it.
bool choose_format() {
    if (x11.visual->c_class != TrueColor) return false;
    int count = 0;
    int bits = 0;
    if (XPixmapFormatValues* formats = libx11.XListPixmapFormats(x11.display, &count)) {
        for (int i = 0; i < count; ++i)
            if (formats[i].depth == x11.depth) bits = formats[i].bits_per_pixel;
        libx11.XFree(formats);
    }
    int32_t key;
    if (bits == 16)
        key = x11.depth == 15 ? 15 : 16;
    else if (bits == 24 || bits == 32)
        key = bits;
    else
        return false;
    x11.bytes_per_pixel = bits / 8;
    return window_choose_blitter(key, x11.visual->red_mask < x11.visual->blue_mask);
}

std::string title_utf8(const char* title) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(title); *p; ++p) {
        char bytes[4];
        out.append(bytes, static_cast<size_t>(utf8_encode(*p < 128 ? *p : cp437_to_unicode(*p), bytes)));
    }
    return out;
}

void set_hints(int32_t width, int32_t height) {
    XSizeHints* hints = libx11.XAllocSizeHints();
    if (!hints) return;
    hints->flags = PPosition | PSize | PMinSize | PMaxSize | USPosition;
    hints->min_width = hints->max_width = hints->width = width;
    hints->min_height = hints->max_height = hints->height = height;
    libx11.XSetWMNormalHints(x11.display, x11.window, hints);
    libx11.XFree(hints);

    XClassHint* cls = libx11.XAllocClassHint();
    if (cls) {
        cls->res_name = window.class_name;
        cls->res_class = window.class_name;
        libx11.XSetClassHint(x11.display, x11.window, cls);
        libx11.XFree(cls);
    }
    libx11.XSetWMProtocols(x11.display, x11.window, &x11.wm_delete_window, 1);
}

// The program's icon where it links one in, as a Windows program carries
// DN_PROGRAM_ICON: width, height, then 0xAARRGGBB pixels, rows from the top.
// Without it the window manager shows its own.
void set_icon() {
    if (!program_icon_argb) return;
    const size_t count = 2 + static_cast<size_t>(program_icon_argb[0]) * program_icon_argb[1];
    std::vector<unsigned long> words(program_icon_argb, program_icon_argb + count);  // Xlib's 32-bit format
    libx11.XChangeProperty(x11.display, x11.window, x11.net_wm_icon, XA_CARDINAL, 32, PropModeReplace,
                           reinterpret_cast<const unsigned char*>(words.data()), static_cast<int>(count));
}

// Borderless and covering the monitor: asked of the window manager, and
// already so by position and size where none answers.
void ask_full_screen() {
    libx11.XChangeProperty(x11.display, x11.window, x11.net_wm_state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&x11.net_wm_state_fullscreen), 1);
    const long motif[5] = {2, 0, 0, 0, 0};  // decorations: none
    libx11.XChangeProperty(x11.display, x11.window, x11.motif_wm_hints, x11.motif_wm_hints, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(motif), 5);
}

void open_input_context() {
    libx11.XSetLocaleModifiers("");
    x11.im = libx11.XOpenIM(x11.display, nullptr, nullptr, nullptr);
    if (!x11.im) return;
    x11.ic = libx11.XCreateIC(x11.im, XNInputStyle, XIMPreeditNothing | XIMStatusNothing, XNClientWindow, x11.window,
                       XNFocusWindow, x11.window, nullptr);
    if (!x11.ic) return;
    long im_events = 0;
    libx11.XGetICValues(x11.ic, XNFilterEvents, &im_events, nullptr);
    XWindowAttributes attrs;
    libx11.XGetWindowAttributes(x11.display, x11.window, &attrs);
    libx11.XSelectInput(x11.display, x11.window, attrs.your_event_mask | im_events);
    libx11.XSetICFocus(x11.ic);
}

Cursor make_blank_cursor() {
    static const char none[8] = {};
    Pixmap bits = libx11.XCreateBitmapFromData(x11.display, x11.window, none, 8, 8);
    XColor black{};
    const Cursor c = libx11.XCreatePixmapCursor(x11.display, bits, bits, &black, &black, 0, 0);
    libx11.XFreePixmap(x11.display, bits);
    return c;
}

// Xlib's own handlers end the process from whichever thread noticed the
// broken connection; ours let the failing call return, and the window
// module turns the loss into the close code.
int quiet_io_error(Display*) { return 0; }
void connection_lost(Display*, void*) { window_connection_lost(); }

}  // namespace

bool x11_connect() {
    if (!x11.display && !(x11.display = libx11.XOpenDisplay(nullptr))) return false;
    Display* d = x11.display;
    // Only while the exit handler can be had: the I/O handler alone must
    // not return.
    if (libx11.XSetIOErrorExitHandler) {
        static const XIOErrorHandler xlib_handler = libx11.XSetIOErrorHandler(quiet_io_error);
        (void)xlib_handler;
        libx11.XSetIOErrorExitHandler(d, connection_lost, nullptr);
    }
    // A held Alt+Enter must switch once, not at every repeat.
    Bool detectable = False;
    x11.detectable_repeat = libx11.XkbSetDetectableAutoRepeat(d, True, &detectable) && detectable;
    x11.wm_protocols = libx11.XInternAtom(d, "WM_PROTOCOLS", False);
    x11.wm_delete_window = libx11.XInternAtom(d, "WM_DELETE_WINDOW", False);
    x11.net_wm_state = libx11.XInternAtom(d, "_NET_WM_STATE", False);
    x11.net_wm_state_fullscreen = libx11.XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    x11.motif_wm_hints = libx11.XInternAtom(d, "_MOTIF_WM_HINTS", False);
    x11.net_wm_name = libx11.XInternAtom(d, "_NET_WM_NAME", False);
    x11.utf8_string = libx11.XInternAtom(d, "UTF8_STRING", False);
    x11.net_wm_icon = libx11.XInternAtom(d, "_NET_WM_ICON", False);
    x11.net_active_window = libx11.XInternAtom(d, "_NET_ACTIVE_WINDOW", False);
    char manager[24];
    std::snprintf(manager, sizeof manager, "WM_S%d", DefaultScreen(d));
    x11.wm_manager = libx11.XInternAtom(d, manager, False);
    return true;
}

bool x11_create_window() {
    Display* d = x11.display;
    const int scr = DefaultScreen(d);
    const int32_t monitor_w = DisplayWidth(d, scr);
    const int32_t monitor_h = DisplayHeight(d, scr);
    const bool full = window.flags & kOpenFullScreen;
    int32_t x, y, w, h;
    if (full) {
        // The largest whole enlargement that fits, centred on black.
        const int32_t zoom = std::min(monitor_w / window.width, monitor_h / window.height);
        if (zoom < 1) return false;
        window.zoom = zoom;
        window.view_x = (monitor_w - window.width * zoom) / 2;
        window.view_y = (monitor_h - window.height * zoom) / 2;
        x = y = 0;
        w = monitor_w;
        h = monitor_h;
    } else {
        window.zoom = 1;
        window.view_x = window.view_y = 0;
        w = window.width;
        h = window.height;
        x = std::max(0, (monitor_w - w) / 2);
        y = std::max(0, (monitor_h - h) / 2);
    }
    x11.client_width = w;
    x11.client_height = h;
    // The core protocol does not tell the monitor's rate: the one asked
    // for, else the common 60 Hz.
    if (window.refresh_rate <= 0) window.refresh_rate = kAssumedRefreshRate;

    XSetWindowAttributes attrs{};
    attrs.background_pixel = BlackPixel(d, scr);
    attrs.border_pixel = BlackPixel(d, scr);
    attrs.event_mask = KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                       EnterWindowMask | LeaveWindowMask | ExposureMask | FocusChangeMask | StructureNotifyMask |
                       KeymapStateMask;
    unsigned long mask = CWBackPixel | CWBorderPixel | CWEventMask;
    if (x11.visual != DefaultVisual(d, scr)) {
        // Another visual needs its own colour map; black is then pixel 0.
        x11.colormap = libx11.XCreateColormap(d, RootWindow(d, scr), x11.visual, AllocNone);
        attrs.colormap = x11.colormap;
        attrs.background_pixel = attrs.border_pixel = 0;
        mask |= CWColormap;
    }
    x11.window = libx11.XCreateWindow(d, RootWindow(d, scr), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), 0,
                               x11.depth, InputOutput, x11.visual, mask, &attrs);
    if (!x11.window) return false;
    set_hints(w, h);
    set_icon();
    if (full) ask_full_screen();
    x11_apply_title(window.title);
    x11.blank_cursor = make_blank_cursor();
    if (!window.mouse.cursor_shown) libx11.XDefineCursor(d, x11.window, x11.blank_cursor);
    x11_keymap_build();
    // Keys held from before, such as the Enter that switched: their
    // repeats are no new presses.
    libx11.XQueryKeymap(d, reinterpret_cast<char*>(x11.held.bits));
    open_input_context();
    return true;
}

void x11_map_window() {
    x11.focus_wanted = true;
    libx11.XMapRaised(x11.display, x11.window);
    libx11.XFlush(x11.display);
    window.handle = &x11;
}

// As Windows activates a new window: without this, and with no window
// manager, typed keys go to whatever window the pointer is over, such as
// the terminal that started the program. A window manager is asked to
// activate it (focus rules are its to keep); with none the focus is set
// directly, which a viewable window cannot be refused.
void x11_take_focus() {
    if (!x11.focus_wanted) return;
    x11.focus_wanted = false;
    Display* d = x11.display;
    const Window root = RootWindow(d, DefaultScreen(d));
    if (libx11.XGetSelectionOwner(d, x11.wm_manager) != None) {
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = x11.window;
        ev.xclient.message_type = x11.net_active_window;
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = 1;  // asked by an application
        ev.xclient.data.l[1] = CurrentTime;
        libx11.XSendEvent(d, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
    } else {
        libx11.XSetInputFocus(d, x11.window, RevertToParent, CurrentTime);
    }
    libx11.XFlush(d);
}

bool x11_open_surface() {
    if (!x11_connect()) return false;
    Display* d = x11.display;
    const int scr = DefaultScreen(d);
    x11.visual = DefaultVisual(d, scr);
    x11.depth = DefaultDepth(d, scr);
    if (!choose_format() || !x11_create_window()) return false;
    x11.gc = libx11.XCreateGC(d, x11.window, 0, nullptr);
    if (!x11.gc || !x11_image_create(x11.client_width, x11.client_height)) return false;
    if (window.zoom > 1) {
        x11.staging_pitch = window.width * x11.bytes_per_pixel;
        x11.staging.assign(static_cast<size_t>(x11.staging_pitch) * window.height, 0);
    }
    x11_map_window();
    return true;
}

void x11_close_surface() {
    if (!x11.display) return;
    Display* d = x11.display;
    if (x11.ic) libx11.XDestroyIC(x11.ic);
    if (x11.im) libx11.XCloseIM(x11.im);
    x11_image_destroy();
    if (x11.blank_cursor) libx11.XFreeCursor(d, x11.blank_cursor);
    if (x11.gc) libx11.XFreeGC(d, x11.gc);
    if (x11.window) libx11.XDestroyWindow(d, x11.window);
    if (x11.colormap) libx11.XFreeColormap(d, x11.colormap);
    libx11.XCloseDisplay(d);
    x11 = X11Window{};
    window.handle = nullptr;
}

void x11_paint() {
    if (x11.image) x11_image_put(0, 0, x11.image->width, x11.image->height);
}

uint8_t* x11_begin_rows(int32_t* pitch) {
    if (!x11.image) return nullptr;
    if (window.zoom > 1) {
        *pitch = x11.staging_pitch;
        return x11.staging.data();
    }
    *pitch = x11.image->bytes_per_line;
    return reinterpret_cast<uint8_t*>(x11.image->data) + static_cast<size_t>(window.view_y) * *pitch +
           static_cast<size_t>(window.view_x) * x11.bytes_per_pixel;
}

void x11_present_rows(int32_t first, int32_t end) {
    const int32_t zoom = window.zoom;
    if (zoom > 1) {
        const int32_t bpl = x11.image->bytes_per_line;
        uint8_t* at = reinterpret_cast<uint8_t*>(x11.image->data) + static_cast<size_t>(window.view_y) * bpl +
                      static_cast<size_t>(window.view_x) * x11.bytes_per_pixel;
        blit_enlarge_rows(x11.staging.data(), x11.staging_pitch, x11.bytes_per_pixel, window.width, first, end, at,
                          bpl, zoom);
    }
    x11_image_put(window.view_x, window.view_y + first * zoom, window.width * zoom, (end - first) * zoom);
}

void x11_apply_title(const char* title) {
    if (!x11.window) return;
    libx11.XStoreName(x11.display, x11.window, title);
    const std::string utf8 = title_utf8(title);
    libx11.XChangeProperty(x11.display, x11.window, x11.net_wm_name, x11.utf8_string, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<int>(utf8.size()));
    libx11.XFlush(x11.display);
}

void x11_warp_pointer(int32_t x, int32_t y) {
    if (!x11.window) return;
    libx11.XWarpPointer(x11.display, None, x11.window, 0, 0, 0, 0, x, y);
    libx11.XFlush(x11.display);
}

void x11_show_pointer(bool shown) {
    if (!x11.window) return;
    if (shown)
        libx11.XUndefineCursor(x11.display, x11.window);
    else
        libx11.XDefineCursor(x11.display, x11.window, x11.blank_cursor);
    libx11.XFlush(x11.display);
}

}  // namespace pantalla::detail
