// Points, lines and boxes.
//
// A line's pixels are fixed by its integer ends alone: drawn from the
// lesser end, pixel i of n along the major axis sits floor(i * minor / n +
// 1/2) off it along the minor one. Clipping only chooses which i to visit,
// found in closed form, so a clipped line is exactly the visible part of the
// unclipped one and costs what is visible.
#include <cmath>
#include <cstdlib>
#include <utility>

#include "gfx/draw.h"
#include "gfx/draw_canvas.h"
#include "gfx/screen.h"
#include "runtime/context.h"

namespace {

// Line ends are brought within this box first, keeping the products below
// within 64 bits.
constexpr double kLineFar = 268435456.0;  // 2^28

// Cuts the segment to the box |x|, |y| <= kLineFar; false when none is left.
bool cut_far(double* ax, double* ay, double* bx, double* by) {
    double t0 = 0, t1 = 1;
    const double dx = *bx - *ax, dy = *by - *ay;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {*ax + kLineFar, kLineFar - *ax, *ay + kLineFar, kLineFar - *ay};
    for (int k = 0; k < 4; ++k) {
        if (p[k] == 0) {
            if (q[k] < 0) return false;
            continue;
        }
        const double t = q[k] / p[k];
        if (p[k] < 0) {
            if (t > t1) return false;
            if (t > t0) t0 = t;
        } else {
            if (t < t0) return false;
            if (t < t1) t1 = t;
        }
    }
    const double x0 = *ax + t0 * dx, y0 = *ay + t0 * dy;
    *bx = *ax + t1 * dx;
    *by = *ay + t1 * dy;
    *ax = x0;
    *ay = y0;
    return true;
}

int64_t ceil_div(int64_t a, int64_t b) {  // b > 0
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

struct LineWalk {
    int64_t x0, y0;    // the lesser end
    int64_t major_step_x, major_step_y, minor_step_x, minor_step_y;
    int64_t n, a;      // steps along the major axis, along the minor one
    int64_t first, last;  // the visible steps
};

// The steps i whose minor offset floor((2ia + n) / 2n) lies in [lo, hi].
void minor_range(const LineWalk& w, int64_t lo, int64_t hi, int64_t* first, int64_t* last) {
    if (w.a == 0) {
        if (lo > 0 || hi < 0) *first = 1, *last = 0;
        return;
    }
    const int64_t from = ceil_div(2 * w.n * lo - w.n, 2 * w.a);
    const int64_t to = ceil_div(2 * w.n * (hi + 1) - w.n, 2 * w.a) - 1;
    if (from > *first) *first = from;
    if (to < *last) *last = to;
}

// Visible steps along one axis: position p0 + i * s must lie in [lo, hi].
void axis_range(int64_t p0, int64_t s, int64_t lo, int64_t hi, int64_t* first, int64_t* last) {
    if (s == 0) {
        if (p0 < lo || p0 > hi) *first = 1, *last = 0;
        return;
    }
    const int64_t a = s > 0 ? lo - p0 : p0 - hi, b = s > 0 ? hi - p0 : p0 - lo;
    if (a > *first) *first = a;
    if (b < *last) *last = b;
}

template <class Pixel>
void walk(const Canvas& c, const LineWalk& w, uint32_t value, uint16_t style, int32_t phase, bool reversed) {
    const int64_t num = 2 * w.first * w.a + w.n;
    const int64_t two_n = 2 * w.n;
    int64_t m = w.n ? num / two_n : 0, r = w.n ? num % two_n : 0;
    for (int64_t i = w.first; i <= w.last; ++i) {
        const int64_t k = reversed ? w.n - i : i;
        if (style == 0xFFFF || ((style >> (15 - ((phase + k) & 15))) & 1)) {
            const int64_t x = w.x0 + i * w.major_step_x + m * w.minor_step_x;
            const int64_t y = w.y0 + i * w.major_step_y + m * w.minor_step_y;
            pixel_store<Pixel>(c, x, y, value);
            c.mark(y);
        }
        r += 2 * w.a;
        if (r >= two_n) {
            r -= two_n;
            ++m;
        }
    }
}

}  // namespace

void line_pixels(const Canvas& c, double ax, double ay, double bx, double by, uint32_t value, uint16_t style,
                 int32_t* phase) {
    if (std::fabs(ax) > kLineFar || std::fabs(ay) > kLineFar || std::fabs(bx) > kLineFar ||
        std::fabs(by) > kLineFar) {
        if (!cut_far(&ax, &ay, &bx, &by)) return;
    }
    int64_t x0 = round_far(ax), y0 = round_far(ay), x1 = round_far(bx), y1 = round_far(by);
    const bool reversed = x1 < x0 || (x1 == x0 && y1 < y0);
    if (reversed) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const bool x_major = std::llabs(dx) >= std::llabs(dy);
    LineWalk w{x0, y0, 0, 0, 0, 0, 0, 0, 0, 0};
    if (x_major) {
        w.major_step_x = sx, w.minor_step_y = sy, w.n = std::llabs(dx), w.a = std::llabs(dy);
    } else {
        w.major_step_y = sy, w.minor_step_x = sx, w.n = std::llabs(dy), w.a = std::llabs(dx);
    }
    w.first = 0;
    w.last = w.n;
    const int64_t major0 = x_major ? x0 : y0, minor0 = x_major ? y0 : x0;
    const int64_t major_s = x_major ? sx : sy, minor_s = x_major ? sy : sx;
    const int64_t major_lo = x_major ? c.x0 : c.y0, major_hi = (x_major ? c.x1 : c.y1) - 1;
    const int64_t minor_lo = x_major ? c.y0 : c.x0, minor_hi = (x_major ? c.y1 : c.x1) - 1;
    axis_range(major0, major_s, major_lo, major_hi, &w.first, &w.last);
    // The minor offset m grows with i; position minor0 + m * minor_s.
    if (minor_s > 0)
        minor_range(w, minor_lo - minor0, minor_hi - minor0, &w.first, &w.last);
    else
        minor_range(w, minor0 - minor_hi, minor0 - minor_lo, &w.first, &w.last);
    const int32_t start = *phase;
    *phase = static_cast<int32_t>((start + w.n + 1) & 15);
    if (w.first > w.last) return;
    switch (c.bytes_per_pixel) {
        case 1: walk<uint8_t>(c, w, value, style, start, reversed); break;
        case 2: walk<uint16_t>(c, w, value, style, start, reversed); break;
        default: walk<uint32_t>(c, w, value, style, start, reversed); break;
    }
}

namespace {

int32_t point_draw(double x, double y, int64_t colour, uint32_t options, bool clear) {
    DrawCall call;
    if (!call.ok()) return 1;
    const Canvas& c = call.canvas();
    double px, py, tx, ty;
    pen_target(&px, &py);
    if (!place_point(c, x, y, options & kDrawStep, px, py, &tx, &ty)) return set_last_error(1);
    const uint32_t value = colour_argument(colour, clear ? screen->bg_colour : screen->fg_colour);
    const int64_t ix = round_far(tx), iy = round_far(ty);
    if (c.inside(ix, iy)) {
        switch (c.bytes_per_pixel) {
            case 1: pixel_store<uint8_t>(c, ix, iy, value); break;
            case 2: pixel_store<uint16_t>(c, ix, iy, value); break;
            default: pixel_store<uint32_t>(c, ix, iy, value); break;
        }
        c.mark(iy);
    }
    pen_move(tx, ty);
    return 0;
}

}  // namespace

int32_t point_set(double x, double y, int64_t colour, uint32_t options) {
    return point_draw(x, y, colour, options, false);
}

int32_t point_clear(double x, double y, int64_t colour, uint32_t options) {
    return point_draw(x, y, colour, options, true);
}

int64_t point_get(double x, double y, uint32_t options) {
    DrawCall call;
    if (!call.ok()) return -1;
    const Canvas& c = call.canvas();
    double px, py, tx, ty;
    pen_target(&px, &py);
    if (!place_point(c, x, y, options & kDrawStep, px, py, &tx, &ty)) {
        set_last_error(1);
        return -1;
    }
    const int64_t ix = round_far(tx), iy = round_far(ty);
    if (!c.inside(ix, iy)) return -1;
    const uint32_t p = pixel_read(c, ix, iy);
    if (c.bytes_per_pixel != 2) return p;
    // 5-6-5 back to 0xRRGGBB, low bits repeating the high ones.
    const uint32_t r = p >> 11, g = (p >> 5) & 63, b = p & 31;
    return static_cast<int64_t>((r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2));
}

int32_t line_draw(double x1, double y1, double x2, double y2, int64_t colour, uint32_t options, int32_t style) {
    DrawCall call;
    if (!call.ok()) return 1;
    const Canvas& c = call.canvas();
    double px, py, ax, ay, bx, by;
    pen_target(&px, &py);
    if (options & kDrawFromPen) {
        ax = px, ay = py;
    } else if (!place_point(c, x1, y1, options & kDrawStep, px, py, &ax, &ay)) {
        return set_last_error(1);
    }
    if (!place_point(c, x2, y2, options & kDrawStepEnd, ax, ay, &bx, &by)) return set_last_error(1);
    const uint32_t value = colour_argument(colour, screen->fg_colour);
    const uint16_t mask = static_cast<uint16_t>(style);
    int32_t phase = 0;
    if (!(options & kDrawBox)) {
        line_pixels(c, ax, ay, bx, by, value, mask, &phase);
    } else {
        const int64_t l = round_far(std::fmin(ax, bx)), r = round_far(std::fmax(ax, bx));
        const int64_t t = round_far(std::fmin(ay, by)), b = round_far(std::fmax(ay, by));
        if (options & kDrawFilled) {
            box_fill(c, t, b + 1, l, r + 1, value);
        } else {
            // Clockwise from the top-left corner, each pixel once.
            const double L = static_cast<double>(l), R = static_cast<double>(r);
            const double T = static_cast<double>(t), B = static_cast<double>(b);
            line_pixels(c, L, T, R, T, value, mask, &phase);
            if (b > t) line_pixels(c, R, T + 1, R, B, value, mask, &phase);
            if (b > t && r > l) line_pixels(c, R - 1, B, L, B, value, mask, &phase);
            if (b > t + 1 && r > l) line_pixels(c, L, B - 1, L, T + 1, value, mask, &phase);
        }
    }
    pen_move(bx, by);
    return 0;
}
