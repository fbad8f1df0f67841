// The "OpenGL" driver: the "X11" driver's window with a GLX context, the
// converted frame kept in a texture and drawn as one quad. It has no update
// thread: the passes run on the program's thread, from poll_events before
// every key read and from unlock, each once the pass interval has gone by
// (a program polling without pause would otherwise present at every poll),
// so that printing without reading keys still shows.
#include <cstdlib>
#include <vector>

#include "gfx/display/display_driver.h"
#include "gfx/display/window.h"
#include "gfx/display/x11/gl_api.h"
#include "gfx/display/x11/x11_window.h"
#include "gfx/screen.h"

namespace {

struct GlSurface {
    GLXContext context;
    GLuint texture;
    // The texture's size: powers of two, for GL 1.1, holding the frame.
    int32_t texture_width, texture_height;
    // The converted frame: 32-bit pixels, red in the low byte, tightly packed.
    std::vector<uint8_t> frame;
};

GlSurface gl;

int32_t power_of_two_above(int32_t n) {
    int32_t p = 1;
    while (p < n) p *= 2;
    return p;
}

void draw() {
    if (!gl.context) return;
    const float u = static_cast<float>(window.width) / static_cast<float>(gl.texture_width);
    const float v = static_cast<float>(window.height) / static_cast<float>(gl.texture_height);
    const float x0 = static_cast<float>(window.view_x), y0 = static_cast<float>(window.view_y);
    const float x1 = x0 + static_cast<float>(window.width * window.zoom);
    const float y1 = y0 + static_cast<float>(window.height * window.zoom);
    libgl.glClear(GL_COLOR_BUFFER_BIT);
    libgl.glBegin(GL_QUADS);
    libgl.glTexCoord2f(0, 0);
    libgl.glVertex2f(x0, y0);
    libgl.glTexCoord2f(u, 0);
    libgl.glVertex2f(x1, y0);
    libgl.glTexCoord2f(u, v);
    libgl.glVertex2f(x1, y1);
    libgl.glTexCoord2f(0, v);
    libgl.glVertex2f(x0, y1);
    libgl.glEnd();
    libglx.glXSwapBuffers(x11.display, x11.window);
}

// Client pixels map one to one onto the projection, top row first.
void set_up_pipeline() {
    libgl.glViewport(0, 0, x11.client_width, x11.client_height);
    libgl.glMatrixMode(GL_PROJECTION);
    libgl.glLoadIdentity();
    libgl.glOrtho(0, x11.client_width, x11.client_height, 0, -1, 1);
    libgl.glMatrixMode(GL_MODELVIEW);
    libgl.glLoadIdentity();
    libgl.glDisable(GL_DEPTH_TEST);
    libgl.glDisable(GL_BLEND);
    libgl.glDisable(GL_DITHER);  // a 16-bit display would otherwise speckle the text
    libgl.glClearColor(0, 0, 0, 1);
    libgl.glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    libgl.glGenTextures(1, &gl.texture);
    libgl.glBindTexture(GL_TEXTURE_2D, gl.texture);
    // Nearest texels keep an enlarged screen's pixels square and sharp.
    libgl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    libgl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    libgl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    libgl.glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    libgl.glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    libgl.glEnable(GL_TEXTURE_2D);
    gl.texture_width = power_of_two_above(window.width);
    gl.texture_height = power_of_two_above(window.height);
    libgl.glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, gl.texture_width, gl.texture_height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 nullptr);
    libgl.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, window.width, window.height, GL_RGBA, GL_UNSIGNED_BYTE,
                    gl.frame.data());
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
    gl.frame.assign(static_cast<size_t>(window.width) * window.height * 4, 0);
    set_up_pipeline();
    x11_map_window();
    return libgl.glGetError() == GL_NO_ERROR;
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
    *pitch = window.width * 4;
    return gl.frame.data();
}

void present_rows(int32_t first, int32_t end) {
    const size_t pitch = static_cast<size_t>(window.width) * 4;
    libgl.glTexSubImage2D(GL_TEXTURE_2D, 0, 0, first, window.width, end - first, GL_RGBA, GL_UNSIGNED_BYTE,
                    gl.frame.data() + static_cast<size_t>(first) * pitch);
    draw();
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

void unlock() {
    window_unlock();
    window_pass_if_due();
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
    .unlock = unlock,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = fetch_modes,
    .poll_events = window_pass_if_due,
};
