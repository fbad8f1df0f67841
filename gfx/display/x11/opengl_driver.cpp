// The "OpenGL" driver: the "X11" driver's window with a GLX context, the
// converted frame kept in a texture and drawn as one quad. It has no update
// thread: the passes run on the program's thread, from poll_events before
// every key read and from unlock, each once the pass interval has gone by
// (a program polling without pause would otherwise present at every poll).
// A drawing made before the interval has gone by is shown by the window
// module's deferred pass, for which the context moves to its helper thread
// for the moment of drawing.
#include <cstdlib>

#include "gfx/display/display_driver.h"
#include "gfx/display/gl_frame.h"
#include "gfx/display/window.h"
#include "gfx/display/x11/gl_api.h"
#include "gfx/display/x11/x11_window.h"
#include "gfx/screen.h"

namespace pantalla::detail {

namespace {

struct GlSurface {
    GLXContext context;
    GlFrame frame;
};

GlSurface gl;

void draw() {
    if (!gl.context) return;
    const float x0 = static_cast<float>(window.view_x), y0 = static_cast<float>(window.view_y);
    gl_frame_draw(libgl, gl.frame, x0, y0, x0 + static_cast<float>(window.width * window.zoom),
                  y0 + static_cast<float>(window.height * window.zoom));
    libglx.glXSwapBuffers(x11.display, x11.window);
}

bool open_surface() {
    if (!x11_connect()) return false;
    Display* d = x11.display;
    int error_base = 0, event_base = 0;
    if (!libglx.glXQueryExtension(d, &error_base, &event_base)) return false;
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 1, GLX_GREEN_SIZE, 1, GLX_BLUE_SIZE, 1, None};
    XVisualInfo* info = libglx.glXChooseVisual(d, DefaultScreen(d), attributes);
    if (!info) return false;
    x11.visual = info->visual;
    x11.depth = info->depth;
    gl.context = libglx.glXCreateContext(d, info, nullptr, True);
    libx11.XFree(info);
    if (!gl.context || !x11_create_window()) return false;
    if (!libglx.glXMakeCurrent(d, x11.window, gl.context)) return false;
    if (!window_choose_blitter(32, true)) return false;
    gl_frame_set_up(libgl, gl.frame, window.width, window.height, x11.client_width, x11.client_height);
    x11_map_window();
    return libgl.get_error() == GL_NO_ERROR;
}

void close_surface() {
    if (x11.display && gl.context) {
        libglx.glXMakeCurrent(x11.display, None, nullptr);
        libglx.glXDestroyContext(x11.display, gl.context);  // takes the texture with it
    }
    gl = GlSurface{};
    x11_close_surface();
}

uint8_t* begin_rows(int32_t* pitch) {
    if (!gl.context) return nullptr;
    *pitch = gl.frame.width * 4;
    return gl.frame.pixels.data();
}

void present_rows(int32_t first, int32_t end) {
    gl_frame_upload(libgl, gl.frame, first, end);
    draw();
}

void bind_context(bool bound) {
    if (gl.context) libglx.glXMakeCurrent(x11.display, bound ? x11.window : None, bound ? gl.context : nullptr);
}

const WindowOps opengl_ops = {
    .open_surface = open_surface,
    .close_surface = close_surface,
    .paint = draw,
    .thread_main = nullptr,
    .send_palette = nullptr,
    .begin_rows = begin_rows,
    .present_rows = present_rows,
    .read_virtual_keys = x11_read_virtual_keys,
    .held_scan_codes = nullptr,
    .pump_events = x11_pump_events,
    .apply_title = x11_apply_title,
    .warp_pointer = x11_warp_pointer,
    .show_pointer = x11_show_pointer,
    .bind_context = bind_context,
    .restore_surfaces = nullptr,
    .wait_idle = nullptr,
    .wake_idle = nullptr,
    .in_place = false,
};

bool display_named() {
    const char* name = std::getenv("DISPLAY");
    return name && *name;
}

int32_t init(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh, int32_t flags) {
    if (flags < 0 || !(flags & kOpenOpenGl) || !display_named()) return -1;
    // Without the libraries the driver refuses and the search goes on.
    if (!libx11_load() || !libgl_load()) return -1;
    // Another driver of this process may later run Xlib on its own thread.
    static const bool threads = libx11.XInitThreads() != 0;
    if (!threads) return -1;
    return window_init(&opengl_ops, "OpenGL", title, width, height, depth, refresh, flags);
}

// No thread pumps the events while the program waits: wait on the
// connection, then move what came into the key queue at once.
void wait_input(int32_t ms) {
    if (x11_wait_events(ms)) window_poll();
}

// The monitor's current size, whatever the depth: every depth is drawn
// through the same 32-bit texture. A connection of its own, as another
// driver's thread may own the window's.
const int32_t* fetch_modes(int32_t, int32_t* count) {
    static int32_t size[2];
    int32_t none = 0;
    if (!count) count = &none;
    *count = 0;
    if (!display_named() || !libx11_load()) return nullptr;
    Display* d = libx11.XOpenDisplay(nullptr);
    if (!d) return nullptr;
    size[0] = DisplayWidth(d, DefaultScreen(d));
    size[1] = DisplayHeight(d, DefaultScreen(d));
    libx11.XCloseDisplay(d);
    *count = 1;
    return size;
}

}  // namespace

extern const DisplayDriver opengl_driver;
const DisplayDriver opengl_driver = {
    .name = "OpenGL",
    .init = init,
    .exit = window_exit,
    .lock = window_lock,
    .unlock = window_unlock_in_place,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = fetch_modes,
    .poll_events = window_pass_if_due,
    .wait_input = wait_input,
};

}  // namespace pantalla::detail
