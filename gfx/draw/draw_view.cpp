// The drawing target and its coordinates: the view, the coordinate window,
// the pen, and switching drawing between the screen and an image.
#include <cfloat>
#include <cmath>
#include <cstdlib>

#include "gfx/colours.h"
#include "gfx/draw.h"
#include "gfx/draw/draw_canvas.h"
#include "gfx/screen.h"
#include "gfx/text_draw.h"
#include "runtime/context.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

// The target image's recorded sizes, never its header: the program may have
// changed that since draw_target.
const ImageHeader* target_header() {
    return (screen->flags & kScreenToImage) ? image_record(screen->target_image) : nullptr;
}

// The view drawing maps onto: the image's whole rectangle, or the clip.
void view_rect(int32_t* x, int32_t* y, int32_t* w, int32_t* h) {
    if (const ImageHeader* image = target_header()) {
        *x = *y = 0;
        *w = image->width;
        *h = image->height;
    } else {
        *x = screen->clip_x;
        *y = screen->clip_y;
        *w = screen->clip_w;
        *h = screen->clip_h;
    }
}

void window_scale(int32_t w, int32_t h, double* sx, double* sy) {
    *sx = (w - 1) / (screen->window_x2 - screen->window_x1);
    *sy = (h - 1) / (screen->window_y2 - screen->window_y1);
}

int32_t fail() { return set_last_error(1); }

bool box_finite(const DrawBox& b) {
    return std::isfinite(b.x1) && std::isfinite(b.y1) && std::isfinite(b.x2) && std::isfinite(b.y2);
}

}  // namespace

DrawCall::DrawCall() {
    if (!screen) {
        set_last_error(1);
        return;
    }
    const ImageHeader* image = target_header();
    // Each call checks again: the header may change while the image is the target.
    if (image && !image_checked(screen->target_image)) {
        set_last_error(1);
        return;
    }
    ok_ = true;
    Canvas& c = canvas_;
    if (!image) {
        locked_ = !(screen->flags & (kScreenLocked | kScreenAutoLocked));
        screen_auto_lock();
        text_settle();
        if (screen->rows[0] == screen->visible_page) c.dirty = screen->dirty;
    }
    c.rows = screen->rows;
    c.bytes_per_pixel = screen->bytes_per_pixel;
    c.colour_mask = screen->colour_mask;
    c.depth = screen->depth;
    int32_t x, y, w, h;
    view_rect(&x, &y, &w, &h);
    c.x0 = x;
    c.y0 = y;
    c.x1 = x + w;
    c.y1 = y + h;
    if (!image && (screen->flags & kScreenViewRelative)) {
        c.origin_x = x;
        c.origin_y = y;
    }
    c.window = screen->flags & kScreenViewWindow;
    if (c.window) {
        // The window maps onto the view wherever its coordinates start.
        c.origin_x = x;
        c.origin_y = y;
        c.wx = screen->window_x1;
        c.wy = screen->window_y1;
        window_scale(w, h, &c.sx, &c.sy);
    }
}

DrawCall::~DrawCall() {
    if (locked_) screen_auto_unlock();
}

namespace {

// Points are kept as placed up to here, far past any page; beyond it they
// are held on their own direction from the target's corner. Sums and
// differences of two held values stay finite.
constexpr double kHold = 0x1p1000;

// origin + (v - w) * s, or base + v * s for a step, every term times f.
double place_axis(double v, bool step, double base, double origin, double w, double s, double f) {
    return step ? base * f + v * f * s : origin * f + (v * f - w * f) * s;
}

}  // namespace

bool place_point(const Canvas& c, double x, double y, bool step, double base_x, double base_y, double* tx,
                 double* ty) {
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    // Halved first so that no term overflows on the way; a point past
    // kHold is reckoned again scaled down (windows keep the scale below
    // 2^931), where its direction survives.
    *tx = 2 * place_axis(x, step, base_x, c.origin_x, c.wx, c.sx, 0.5);
    *ty = 2 * place_axis(y, step, base_y, c.origin_y, c.wy, c.sy, 0.5);
    if (std::fabs(*tx) <= kHold && std::fabs(*ty) <= kHold) return true;
    constexpr double f = 0x1p-1000;
    const double sx = place_axis(x, step, base_x, c.origin_x, c.wx, c.sx, f);
    const double sy = place_axis(y, step, base_y, c.origin_y, c.wy, c.sy, f);
    const double k = kHold / std::fmax(std::fabs(sx), std::fabs(sy));
    *tx = sx * k;
    *ty = sy * k;
    return true;
}

void pen_target(double* x, double* y) {
    *x = screen->pen_x;
    *y = screen->pen_y;
}

void pen_move(double x, double y) {
    screen->pen_x = x;
    screen->pen_y = y;
}

uint32_t colour_argument(int64_t colour, uint32_t fallback) {
    return colour < 0 ? fallback : colour_to_pixel(static_cast<uint32_t>(colour));
}

uint32_t pixel_read(const Canvas& c, int64_t x, int64_t y) {
    switch (c.bytes_per_pixel) {
        case 1: return pixel_load<uint8_t>(c, x, y);
        case 2: return pixel_load<uint16_t>(c, x, y);
        default: return pixel_load<uint32_t>(c, x, y);
    }
}

namespace {
template <class Pixel>
void span_fill_as(const Canvas& c, int64_t y, int64_t x, int64_t x_end, uint32_t value) {
    uint8_t* out = c.rows[y] + x * sizeof(Pixel);
    const size_t bytes = static_cast<size_t>(x_end - x) * sizeof(Pixel);
    if constexpr (sizeof(Pixel) == 1) {
        std::memset(out, static_cast<int>(value & 0xFF), bytes);
    } else {
        // One pixel, then the filled part copied onto the rest, doubling.
        const Pixel p = static_cast<Pixel>(value);
        std::memcpy(out, &p, sizeof p);
        for (size_t done = sizeof p; done < bytes; done *= 2)
            std::memcpy(out + done, out, done < bytes - done ? done : bytes - done);
    }
}
}  // namespace

void span_fill(const Canvas& c, int64_t y, int64_t x, int64_t x_end, uint32_t value) {
    if (y < c.y0 || y >= c.y1) return;
    if (x < c.x0) x = c.x0;
    if (x_end > c.x1) x_end = c.x1;
    if (x >= x_end) return;
    switch (c.bytes_per_pixel) {
        case 1: span_fill_as<uint8_t>(c, y, x, x_end, value); break;
        case 2: span_fill_as<uint16_t>(c, y, x, x_end, value); break;
        default: span_fill_as<uint32_t>(c, y, x, x_end, value); break;
    }
    c.mark(y);
}

void box_fill(const Canvas& c, int64_t y, int64_t y_end, int64_t x, int64_t x_end, uint32_t value) {
    if (y < c.y0) y = c.y0;
    if (y_end > c.y1) y_end = c.y1;
    if (x < c.x0) x = c.x0;
    if (x_end > c.x1) x_end = c.x1;
    if (y >= y_end || x >= x_end) return;
    // A pixel of one repeated byte is set byte-wise (no reads); otherwise
    // the first row is filled and copied to the others: a copy of a row
    // costs less than filling it with pixels wider than a byte.
    const uint32_t bytes_mask = c.bytes_per_pixel >= 4 ? 0xFFFFFFFFu : (1u << (8 * c.bytes_per_pixel)) - 1;
    const bool bytewise = (value & bytes_mask) == ((value & 0xFF) * 0x01010101u & bytes_mask);
    span_fill(c, y, x, x_end, value);
    const size_t offset = static_cast<size_t>(x) * c.bytes_per_pixel;
    const size_t bytes = static_cast<size_t>(x_end - x) * c.bytes_per_pixel;
    for (int64_t row = y + 1; row < y_end; ++row)
        if (bytewise)
            std::memset(c.rows[row] + offset, static_cast<int>(value & 0xFF), bytes);
        else
            std::memcpy(c.rows[row] + offset, c.rows[y] + offset, bytes);
    c.mark_rows(y, y_end);
}

}  // namespace pantalla::detail

int32_t view_set(const DrawBox* box, int64_t fill, int64_t border, uint32_t options) {
    if (!screen) return fail();
    draw_target_drop(nullptr);
    if (!box) {
        screen->clip_x = screen->clip_y = 0;
        screen->clip_w = screen->width;
        screen->clip_h = screen->height;
        screen->flags &= ~(kScreenViewActive | kScreenViewRelative);
        screen->pen_x = screen->width / 2;
        screen->pen_y = screen->height / 2;
        return 0;
    }
    if (!box_finite(*box)) return fail();
    const double v[4] = {box->x1, box->y1, box->x2, box->y2};
    int64_t left = round_far(std::fmin(v[0], v[2])), right = round_far(std::fmax(v[0], v[2]));
    int64_t top = round_far(std::fmin(v[1], v[3])), bottom = round_far(std::fmax(v[1], v[3]));
    // Limited to the screen; one lying wholly outside it is refused.
    if (right < 0 || bottom < 0 || left >= screen->width || top >= screen->height) return fail();
    left = left < 0 ? 0 : left;
    top = top < 0 ? 0 : top;
    right = right >= screen->width ? screen->width - 1 : right;
    bottom = bottom >= screen->height ? screen->height - 1 : bottom;
    const uint32_t fill_pixel = colour_argument(fill, 0), border_pixel = colour_argument(border, 0);
    {
        DrawCall call;
        Canvas c = call.canvas();
        c.x0 = c.y0 = 0;
        c.x1 = screen->width;
        c.y1 = screen->height;
        if (border >= 0) {
            int32_t phase = 0;
            const double l = left - 1.0, t = top - 1.0, r = right + 1.0, b = bottom + 1.0;
            line_pixels(c, l, t, r, t, border_pixel, 0xFFFF, &phase);
            line_pixels(c, r, t, r, b, border_pixel, 0xFFFF, &phase);
            line_pixels(c, r, b, l, b, border_pixel, 0xFFFF, &phase);
            line_pixels(c, l, b, l, t, border_pixel, 0xFFFF, &phase);
        }
        if (fill >= 0) box_fill(c, top, bottom + 1, left, right + 1, fill_pixel);
    }
    screen->clip_x = static_cast<int32_t>(left);
    screen->clip_y = static_cast<int32_t>(top);
    screen->clip_w = static_cast<int32_t>(right - left + 1);
    screen->clip_h = static_cast<int32_t>(bottom - top + 1);
    screen->flags |= kScreenViewActive;
    if (options & kViewAbsolute)
        screen->flags &= ~kScreenViewRelative;
    else
        screen->flags |= kScreenViewRelative;
    screen->pen_x = screen->clip_x + screen->clip_w / 2;
    screen->pen_y = screen->clip_y + screen->clip_h / 2;
    return 0;
}

int32_t window_set(const DrawBox* box, uint32_t options) {
    if (!screen) return fail();
    if (!box) {
        screen->flags &= ~kScreenViewWindow;
        return 0;
    }
    if (!box_finite(*box)) return fail();
    const double x_lo = std::fmin(box->x1, box->x2), x_hi = std::fmax(box->x1, box->x2);
    const double y_lo = std::fmin(box->y1, box->y2), y_hi = std::fmax(box->y1, box->y2);
    // A finite extent, and not so small that a view's scale, at most
    // 2^31 / 2^-900, leaves the range where points are placed.
    const double least = 0x1p-900;
    if (!(x_hi - x_lo >= least) || !(y_hi - y_lo >= least) || !std::isfinite(x_hi - x_lo) ||
        !std::isfinite(y_hi - y_lo))
        return fail();
    // Stored as the world values at the view's left, top, right and bottom.
    const bool down = options & kWindowYDown;
    screen->window_x1 = x_lo;
    screen->window_x2 = x_hi;
    screen->window_y1 = down ? y_lo : y_hi;
    screen->window_y2 = down ? y_hi : y_lo;
    screen->flags |= kScreenViewWindow;
    return 0;
}

double point_convert(double value, int32_t direction) {
    if (!screen) {
        set_last_error(1);
        return NAN;
    }
    if (!(screen->flags & kScreenViewWindow)) return value;
    int32_t x, y, w, h;
    double sx, sy;
    view_rect(&x, &y, &w, &h);
    window_scale(w, h, &sx, &sy);
    double r;
    switch (direction) {
        case kWorldToViewX: r = (value - screen->window_x1) * sx; break;
        case kWorldToViewY: r = (value - screen->window_y1) * sy; break;
        case kViewToWorldX: r = sx != 0 ? value / sx + screen->window_x1 : screen->window_x1; break;
        case kViewToWorldY: r = sy != 0 ? value / sy + screen->window_y1 : screen->window_y1; break;
        default: set_last_error(1); return NAN;
    }
    // A held pen in a vast window can lie past the largest double.
    return r > DBL_MAX ? DBL_MAX : r < -DBL_MAX ? -DBL_MAX : r;
}

int32_t pen_get(double* x, double* y, uint32_t options) {
    if (!screen) return fail();
    int32_t vx = 0, vy = 0, w, h;
    view_rect(&vx, &vy, &w, &h);
    const bool relative = (screen->flags & (kScreenViewRelative | kScreenViewWindow)) || target_header();
    double px = screen->pen_x - (relative ? vx : 0), py = screen->pen_y - (relative ? vy : 0);
    if ((options & kPenWorld) && (screen->flags & kScreenViewWindow)) {
        px = point_convert(px, kViewToWorldX);
        py = point_convert(py, kViewToWorldY);
    }
    if (x) *x = px;
    if (y) *y = py;
    return 0;
}

int32_t draw_target(const void* image) {
    if (!screen) return fail();
    if (!image || image == screen->pages[screen->work_page]) {
        screen_target_screen();
        return 0;
    }
    const ImageHeader* header = image_checked(image);
    if (!header || header->bytes_per_pixel != screen->bytes_per_pixel) return fail();
    if (header->height > screen->row_capacity) {
        void* grown = std::realloc(screen->rows, sizeof(uint8_t*) * static_cast<size_t>(header->height));
        if (!grown) return fail();
        screen->rows = static_cast<uint8_t**>(grown);
        screen->row_capacity = header->height;
    }
    uint8_t* pixels = image_pixels(static_cast<const ImageHeader*>(image));
    for (int32_t y = 0; y < header->height; ++y)
        screen->rows[y] = pixels + static_cast<size_t>(y) * header->pitch;
    screen->target_image = const_cast<void*>(image);
    screen->target_pitch = header->pitch;
    screen->flags |= kScreenToImage;
    return 0;
}

namespace pantalla::detail {

void draw_target_drop(const void* image) {
    if (screen && (screen->flags & kScreenToImage) && (!image || screen->target_image == image))
        screen_target_screen();
}

}  // namespace pantalla::detail
