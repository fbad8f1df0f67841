// Points, lines and boxes.
//
// A line's pixels are fixed by its integer ends alone: drawn from the
// lesser end, pixel i of n along the major axis sits floor(i * minor / n +
// 1/2) off it along the minor one. Clipping only chooses which i to visit,
// found in closed form with 128-bit products, so a clipped line is exactly
// the visible part of the unclipped one and costs what is visible. The style
// counts steps from the first point.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <utility>

#include "gfx/draw.h"
#include "gfx/draw/draw_canvas.h"
#include "gfx/screen.h"
#include "runtime/context.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

// The closed form is exact for ends within this box; a line reaching past
// it is cut to it first, as closely as doubles allow.
constexpr double kLineExact = 0x1p60;

__extension__ typedef __int128 Wide;

// The largest coordinate of two points, in size.
double largest(const double a[2], const double b[2]) {
    return std::max({std::fabs(a[0]), std::fabs(a[1]), std::fabs(b[0]), std::fabs(b[1])});
}

// a * d - b * c with the rounding of b * c put back (Kahan): exact to about
// an ulp of the result however much the products cancel.
double cross(double a, double b, double c, double d) {
    const double w = b * c;
    return std::fma(a, d, -w) + std::fma(-b, c, w);
}

// Where the line through a and b meets the edge `at` of `axis`. The line is
// p[axis] * d[other] - p[other] * d[axis] = a[axis] * b[other] - a[other] *
// b[axis]: from far ends a difference such as d would lose the line's
// offset, the cross product keeps it.
void edge_point(const double a[2], const double b[2], int axis, double at, double out[2]) {
    const int other = 1 - axis;
    const double s = largest(a, b) > 0x1p500 ? 0x1p-600 : 1;  // keeps the products finite
    const double k = cross(a[axis] * s, a[other] * s, b[axis] * s, b[other] * s);
    const double du = b[axis] - a[axis], dv = b[other] - a[other];
    const double v = at * (dv / du) - k / (du * s) / s;
    out[axis] = at;
    // NaN only for a line along the edge, out of sight.
    out[other] = std::isnan(v) ? 0 : std::clamp(v, -kLineExact, kLineExact);
}

// Where the segment crosses an edge, seen from a (t) and from b (u = 1 - t):
// each keeps its precision near its own end, where far ends put them.
struct Crossing {
    double t, u;
    bool before(const Crossing& o) const { return t < 0.5 || o.t < 0.5 ? t < o.t : u > o.u; }
};

// Cuts the segment a-b to the box |x|, |y| <= kLineExact into na-nb; false
// when none of it is left. An end lying outside is moved to the edge the
// segment crosses last (first, for b) before it comes in; the crossings
// only choose the edge, from far ends they are too coarse to place a point.
bool cut_far(const double a[2], const double b[2], double na[2], double nb[2]) {
    Crossing t0{0, 1}, t1{1, 0};
    int in = -1, out = -1;  // edges crossed: axis * 2 + side
    for (int edge = 0; edge < 4; ++edge) {
        const int axis = edge / 2;
        const double side = edge % 2 ? 1 : -1;
        const double qa = kLineExact - side * a[axis], qb = kLineExact - side * b[axis];  // < 0: outside
        if (qa < 0 && qb < 0) return false;
        const Crossing c{qa / (qa - qb), qb / (qb - qa)};
        if (qa < 0 && !c.before(t0)) t0 = c, in = edge;
        if (qb < 0 && !t1.before(c)) t1 = c, out = edge;
    }
    if (t1.before(t0)) return false;
    std::copy(a, a + 2, na);
    std::copy(b, b + 2, nb);
    if (in >= 0) edge_point(a, b, in / 2, in % 2 ? kLineExact : -kLineExact, na);
    if (out >= 0) edge_point(a, b, out / 2, out % 2 ? kLineExact : -kLineExact, nb);
    return true;
}

// Steps from p to q along the major axis, mod 16, for the style; in
// doubles, as p may lie past any integer type.
int32_t far_steps(const double p[2], const double q[2]) {
    auto rounded = [](double v) { return std::floor(v) + (v - std::floor(v) >= 0.5); };
    const double steps = std::max(std::fabs(rounded(p[0]) - rounded(q[0])), std::fabs(rounded(p[1]) - rounded(q[1])));
    return static_cast<int32_t>(std::fmod(steps, 16));
}

template <class Int>
Int ceil_div(Int a, Int b) {  // b > 0
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

struct LineWalk {
    int64_t x0, y0;    // the lesser end
    int64_t major_step_x, major_step_y, minor_step_x, minor_step_y;
    int64_t n, a;      // steps along the major axis, along the minor one
    int64_t first, last;  // the visible steps
    int64_t m, r;      // at the first: the minor offset, and 2n times its fraction
};

// Narrows the visible steps to those whose minor offset floor((2ia + n) /
// 2n) lies in [lo, hi], in Int wide enough for 2n * (|lo| + 1), and finds
// the offset at the first.
template <class Int>
void minor_range(LineWalk& w, int64_t lo, int64_t hi) {
    const Int n = w.n, two_a = 2 * Int(w.a);
    if (w.a == 0) {
        if (lo > 0 || hi < 0) w.first = w.last + 1;
    } else {
        const Int from = ceil_div<Int>(2 * n * lo - n, two_a);
        const Int to = ceil_div<Int>(2 * n * (Int(hi) + 1) - n, two_a) - 1;
        // Either may lie far outside [0, n]; only an empty range is kept then.
        if (from > w.first) w.first = from > w.last ? w.last + 1 : static_cast<int64_t>(from);
        if (to < w.last) w.last = to < w.first ? w.first - 1 : static_cast<int64_t>(to);
    }
    if (w.first > w.last || w.n == 0) return;
    const Int num = 2 * Int(w.first) * w.a + n;
    w.m = static_cast<int64_t>(num / (2 * n));
    w.r = static_cast<int64_t>(num % (2 * n));
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
    const int64_t two_n = 2 * w.n, two_a = 2 * w.a;
    int64_t r = w.r;
    int64_t x = w.x0 + w.first * w.major_step_x + w.m * w.minor_step_x;
    int64_t y = w.y0 + w.first * w.major_step_y + w.m * w.minor_step_y;
    for (int64_t i = w.first; i <= w.last; ++i) {
        const int64_t k = reversed ? w.n - i : i;
        if (style == 0xFFFF || ((style >> (15 - ((phase + k) & 15))) & 1)) {
            pixel_store<Pixel>(c, x, y, value);
            c.mark(y);
        }
        x += w.major_step_x;
        y += w.major_step_y;
        r += two_a;
        if (r >= two_n) {
            r -= two_n;
            x += w.minor_step_x;
            y += w.minor_step_y;
        }
    }
}

// A line with ends within kLineExact; the number of its steps.
int64_t line_exact(const Canvas& c, double ax, double ay, double bx, double by, uint32_t value, uint16_t style,
                   int32_t phase) {
    int64_t x0 = round_half_up(ax), y0 = round_half_up(ay), x1 = round_half_up(bx), y1 = round_half_up(by);
    const bool reversed = x1 < x0 || (x1 == x0 && y1 < y0);
    if (reversed) {
        std::swap(x0, x1);
        std::swap(y0, y1);
    }
    const int64_t dx = x1 - x0, dy = y1 - y0;
    const int64_t sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
    const bool x_major = std::llabs(dx) >= std::llabs(dy);
    LineWalk w{x0, y0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
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
    const int64_t lo = minor_s > 0 ? minor_lo - minor0 : minor0 - minor_hi;
    const int64_t hi = minor_s > 0 ? minor_hi - minor0 : minor0 - minor_lo;
    // Lines of page size need no 128-bit division.
    if (w.n < (int64_t{1} << 28) && lo > -(int64_t{1} << 32) && hi < (int64_t{1} << 32))
        minor_range<int64_t>(w, lo, hi);
    else
        minor_range<Wide>(w, lo, hi);
    if (w.first <= w.last) {
        switch (c.bytes_per_pixel) {
            case 1: walk<uint8_t>(c, w, value, style, phase, reversed); break;
            case 2: walk<uint16_t>(c, w, value, style, phase, reversed); break;
            default: walk<uint32_t>(c, w, value, style, phase, reversed); break;
        }
    }
    return w.n;
}

}  // namespace

void line_pixels(const Canvas& c, double ax, double ay, double bx, double by, uint32_t value, uint16_t style,
                 int32_t* phase) {
    const double a[2] = {ax, ay}, b[2] = {bx, by};
    if (largest(a, b) <= kLineExact) {
        *phase = static_cast<int32_t>((*phase + line_exact(c, ax, ay, bx, by, value, style, *phase) + 1) & 15);
        return;
    }
    const int32_t start = *phase;
    *phase = (start + far_steps(a, b) + 1) & 15;
    double na[2], nb[2];
    if (cut_far(a, b, na, nb)) line_exact(c, na[0], na[1], nb[0], nb[1], value, style, (start + far_steps(a, na)) & 15);
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

}  // namespace pantalla::detail

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

