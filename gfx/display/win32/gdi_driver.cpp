// The "GDI" driver: the screen in a fixed-size window, drawn with
// SetDIBitsToDevice. 8- and 32-bit pages go to the display as they are; a
// 16-bit page is converted to the 15-bit pixels that every device takes.
#include <windows.h>

#include <cstring>
#include <vector>

#include "gfx/display/display_driver.h"
#include "gfx/display/win32/win_window.h"
#include "gfx/screen.h"

namespace pantalla::detail {

namespace {

struct BitmapInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colours[256];
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct GdiSurface {
    BitmapInfo info;
    // Converted rows when the page cannot be shown as it is.
    std::vector<uint8_t> buffer;
    int32_t pitch;
    // The visible page goes to the device without conversion.
    bool direct;
};

GdiSurface gdi;

constexpr DWORD kStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

int32_t align4(int32_t n) { return (n + 3) & ~3; }

void fill_colours(const uint32_t* palette) {
    for (int i = 0; i < 256; ++i) {
        const uint32_t p = palette[i];
        gdi.info.colours[i] = RGBQUAD{static_cast<BYTE>(p >> 16), static_cast<BYTE>(p >> 8),
                                      static_cast<BYTE>(p), 0};
    }
}

// Shows displayed rows first..end-1 from `rows`, which holds row `first`
// at its start, `row_pixels` pixels per row.
void put_rows(const uint8_t* rows, int32_t row_pixels, int32_t first, int32_t end) {
    HWND hwnd = static_cast<HWND>(window.handle);
    if (!hwnd || end <= first) return;
    HDC dc = GetDC(hwnd);
    if (!dc) return;
    gdi.info.header.biWidth = row_pixels;
    gdi.info.header.biHeight = -(end - first);  // top-down
    const UINT count = static_cast<UINT>(end - first);
    SetDIBitsToDevice(dc, window.view_x, window.view_y + first, static_cast<DWORD>(window.width), count, 0, 0, 0,
                      count, rows, reinterpret_cast<const BITMAPINFO*>(&gdi.info), DIB_RGB_COLORS);
    ReleaseDC(hwnd, dc);
}

bool open_surface() {
    if (window.flags & kOpenFullScreen) return false;
    if (!screen) return false;
    const int32_t src_bits = screen->bytes_per_pixel * 8;
    const int32_t dst_bits = src_bits == 16 ? 15 : src_bits;
    if (!window_choose_blitter(dst_bits, false)) return false;
    window.view_x = window.view_y = 0;
    window.zoom = 1;

    gdi = GdiSurface{};
    BITMAPINFOHEADER& h = gdi.info.header;
    h.biSize = sizeof h;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(src_bits);  // 16 with BI_RGB is 5-5-5
    h.biCompression = BI_RGB;
    h.biClrUsed = src_bits == 8 ? 256 : 0;
    fill_colours(window.palette);

    // A device-independent bitmap's rows are 4-byte aligned; the page can
    // be shown as it is when its pitch is such a row of whole pixels.
    const int32_t bpp = screen->bytes_per_pixel;
    gdi.direct = src_bits != 16 && window.scale == 1 && screen->pitch % 4 == 0 && screen->pitch % bpp == 0;
    if (!gdi.direct) {
        const int32_t width = src_bits == 16 ? (window.width + 1) & ~1 : window.width;
        gdi.pitch = align4(width * (dst_bits == 15 ? 2 : bpp));
        gdi.buffer.assign(static_cast<size_t>(gdi.pitch) * window.height, 0);
    }
    window.refresh_rate = win_display_refresh_rate();
    return win_create_window(kStyle, 0, window.width, window.height, true) != nullptr;
}

void close_surface() {
    win_destroy_window();
    gdi.buffer = {};
}

void paint() {
    if (screen) std::memset(screen->dirty, 1, static_cast<size_t>(screen->height) * screen->scale);
}

void send_palette(const uint32_t* palette) {
    fill_colours(palette);
    // Every pixel on show may have changed colour.
    if (screen && screen->bytes_per_pixel == 1) paint();
}

uint8_t* begin_rows(int32_t* pitch) {
    if (!gdi.direct) {
        *pitch = gdi.pitch;
        return gdi.buffer.data();
    }
    // Straight from the page: nothing for the common conversion to do.
    int32_t first = -1, last = -1;
    for (int32_t y = 0; y < screen->height; ++y) {
        if (!screen->dirty[y]) continue;
        if (first < 0) first = y;
        last = y;
    }
    if (first >= 0)
        put_rows(screen->visible_page + static_cast<size_t>(first) * screen->pitch,
                 screen->pitch / screen->bytes_per_pixel, first, last + 1);
    std::memset(screen->dirty, 0, static_cast<size_t>(screen->height));
    return nullptr;
}

void present_rows(int32_t first, int32_t end) {
    const int32_t bytes = gdi.info.header.biBitCount / 8;
    put_rows(gdi.buffer.data() + static_cast<size_t>(first) * gdi.pitch, gdi.pitch / bytes, first, end);
}

const WindowOps gdi_ops = {
    .open_surface = open_surface,
    .close_surface = close_surface,
    .paint = paint,
    .thread_main = nullptr,
    .send_palette = send_palette,
    .begin_rows = begin_rows,
    .present_rows = present_rows,
    .read_virtual_keys = win_read_virtual_keys,
    .held_scan_codes = nullptr,
    .pump_events = win_pump_messages,
    .apply_title = win_apply_title,
    .warp_pointer = win_warp_pointer,
    .show_pointer = win_show_pointer,
    .bind_context = nullptr,
    .restore_surfaces = nullptr,
    .wait_idle = win_wait_idle,
    .wake_idle = win_wake_idle,
    .in_place = false,
};

int32_t init(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh, int32_t flags) {
    if (flags & kOpenFullScreen) return -1;
    return win_window_init(&gdi_ops, nullptr, "GDI", title, width, height, depth, refresh, flags);
}

}  // namespace

extern const DisplayDriver gdi_driver;
const DisplayDriver gdi_driver = {
    .name = "GDI",
    .init = init,
    .exit = win_window_exit,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = nullptr,
    .poll_events = nullptr,
    .wait_input = nullptr,
};

}  // namespace pantalla::detail
