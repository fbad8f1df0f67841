// The "OpenGL" driver: the converted frame kept in a texture and drawn as
// one quad scaled to the client area, presented with SwapBuffers. It has
// no update thread: window, context and passes all live on the program's
// thread, run from poll_events before every key read and from unlock, each
// once the pass interval has gone by (a program polling without pause
// would otherwise pay the system's round trips at every poll), and at once
// when messages end a wait for input. A drawing made before the interval has
// gone by is shown by the window module's deferred pass from its helper
// thread, which borrows the context for the moment of drawing and shares
// the screen lock with the program.
#include <windows.h>

#include "gfx/display/display_driver.h"
#include "gfx/display/gl_frame.h"
#include "gfx/display/win32/display_modes.h"
#include "gfx/display/win32/gl_api.h"
#include "gfx/display/win32/win_window.h"
#include "gfx/display/window.h"
#include "gfx/screen.h"

namespace pantalla::detail {

namespace {

struct GlSurface {
    HDC dc;
    HGLRC context;
    bool mode_changed;  // ChangeDisplaySettingsA is in force
    int32_t client_width, client_height;
    GlFrame frame;
};

GlSurface gl;

void draw() {
    if (!gl.context) return;
    gl_frame_draw(gl_api.functions, gl.frame, 0, 0, static_cast<float>(gl.client_width),
                  static_cast<float>(gl.client_height));
    SwapBuffers(gl.dc);
}

bool change_display_mode() {
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    dm.dmPelsWidth = static_cast<DWORD>(window.width);
    dm.dmPelsHeight = static_cast<DWORD>(window.height);
    dm.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
    if (window.refresh_rate > 0) {
        dm.dmDisplayFrequency = static_cast<DWORD>(window.refresh_rate);
        dm.dmFields |= DM_DISPLAYFREQUENCY;
    }
    gl.mode_changed = ChangeDisplaySettingsA(&dm, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
    return gl.mode_changed;
}

bool create_context(HWND hwnd) {
    gl.dc = GetDC(hwnd);
    if (!gl.dc) return false;
    PIXELFORMATDESCRIPTOR pfd{};
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.iLayerType = PFD_MAIN_PLANE;
    const int format = ChoosePixelFormat(gl.dc, &pfd);
    if (format == 0 || !SetPixelFormat(gl.dc, format, &pfd)) return false;
    gl.context = gl_api.create_context(gl.dc);
    return gl.context && gl_api.make_current(gl.dc, gl.context);
}

bool open_surface() {
    const bool full = (window.flags & kOpenFullScreen) != 0;
    if (full && !change_display_mode()) return false;
    const HWND hwnd = full ? win_create_window(WS_POPUP, WS_EX_TOPMOST, window.width, window.height, false)
                           : win_create_window(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 0, window.width,
                                               window.height, true);
    if (!hwnd || !create_context(hwnd)) return false;
    RECT client{};
    GetClientRect(hwnd, &client);
    gl.client_width = client.right > 0 ? client.right : window.width;
    gl.client_height = client.bottom > 0 ? client.bottom : window.height;
    if (!window_choose_blitter(32, true)) return false;
    gl_frame_set_up(gl_api.functions, gl.frame, window.width, window.height, gl.client_width, gl.client_height);
    if (window.refresh_rate <= 0) window.refresh_rate = win_display_refresh_rate();
    return gl_api.functions.get_error() == GL_NO_ERROR;
}

void close_surface() {
    if (gl.context) {
        gl_api.make_current(nullptr, nullptr);
        gl_api.delete_context(gl.context);  // takes the texture with it
    }
    if (gl.dc && window.handle) ReleaseDC(static_cast<HWND>(window.handle), gl.dc);
    if (gl.mode_changed) ChangeDisplaySettingsA(nullptr, 0);
    gl = GlSurface{};
    win_destroy_window();
}

uint8_t* begin_rows(int32_t* pitch) {
    if (!gl.context) return nullptr;
    *pitch = gl.frame.width * 4;
    return gl.frame.pixels.data();
}

void present_rows(int32_t first, int32_t end) {
    gl_frame_upload(gl_api.functions, gl.frame, first, end);
    draw();
}

void bind_context(bool bound) {
    if (gl.context) gl_api.make_current(bound ? gl.dc : nullptr, bound ? gl.context : nullptr);
}

const WindowOps opengl_ops = {
    .open_surface = open_surface,
    .close_surface = close_surface,
    .paint = draw,
    .thread_main = nullptr,
    .send_palette = nullptr,
    .begin_rows = begin_rows,
    .present_rows = present_rows,
    .read_virtual_keys = win_read_virtual_keys,
    .held_scan_codes = nullptr,
    .pump_events = win_pump_messages,
    .apply_title = win_apply_title,
    .warp_pointer = win_warp_pointer,
    .show_pointer = win_show_pointer,
    .bind_context = bind_context,
    .restore_surfaces = nullptr,
    .wait_idle = nullptr,
    .wake_idle = nullptr,
    .in_place = false,
};

int32_t init(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh, int32_t flags) {
    if (flags < 0 || !(flags & kOpenOpenGl) || !gl_api_load()) return -1;
    return win_window_init(&opengl_ops, nullptr, "OpenGL", title, width, height, depth, refresh, flags);
}

}  // namespace

extern const DisplayDriver opengl_driver;
const DisplayDriver opengl_driver = {
    .name = "OpenGL",
    .init = init,
    .exit = win_window_exit,
    .lock = window_lock,
    .unlock = window_unlock_in_place,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = win_fetch_modes,
    .poll_events = window_pass_if_due,
    .wait_input = win_wait_messages,
};

}  // namespace pantalla::detail
