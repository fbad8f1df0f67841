// Ellipses, arcs and pie slices.
//
// Each pixel is computed where it is, not walked to: where the curve is
// flatter than 45 degrees one pixel per column, its row the rounded curve;
// where steeper one pixel per row. So the four quadrants mirror exactly,
// every pixel is within half a pixel of the curve, and only the columns and
// rows inside the view are visited, however large the radius.
#include <cmath>
#include <utility>

#include "gfx/draw.h"
#include "gfx/draw/draw_canvas.h"
#include "gfx/screen.h"
#include "runtime/context.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

constexpr double kTwoPi = 6.283185307179586;

struct Ellipse {
    int64_t cx, cy;
    double a, b;  // radii in whole pixels
    int64_t last_column, last_row;  // ends of the column-wise and row-wise parts
    bool arc;
    double start, end;  // in [0, 2 pi)
};

// Rounded offsets on the curve: the row at column u, the column at row v.
int64_t row_at(const Ellipse& e, double u) { return static_cast<int64_t>(std::floor(e.b / e.a * std::sqrt((e.a - u) * (e.a + u)) + 0.5)); }
int64_t column_at(const Ellipse& e, double v) { return static_cast<int64_t>(std::floor(e.a / e.b * std::sqrt((e.b - v) * (e.b + v)) + 0.5)); }

bool in_arc(const Ellipse& e, int64_t x, int64_t y) {
    if (!e.arc) return true;
    if (x == e.cx && y == e.cy) return true;
    double t = std::atan2(static_cast<double>(e.cy - y), static_cast<double>(x - e.cx));
    if (t < 0) t += kTwoPi;
    return e.start <= e.end ? t >= e.start && t <= e.end : t >= e.start || t <= e.end;
}

template <class Pixel>
void plot4(const Canvas& c, const Ellipse& e, int64_t u, int64_t v, uint32_t value) {
    const int64_t xs[2] = {e.cx + u, e.cx - u}, ys[2] = {e.cy + v, e.cy - v};
    for (int64_t y : ys) {
        if (y < c.y0 || y >= c.y1) continue;
        for (int64_t x : xs) {
            if (x < c.x0 || x >= c.x1 || !in_arc(e, x, y)) continue;
            pixel_store<Pixel>(c, x, y, value);
            c.mark(y);
        }
    }
}

// Calls f(offset) for each offset in [0, last] whose mirror centre +- offset
// falls in [lo, hi).
template <class F>
void visible_offsets(int64_t centre, int64_t last, int64_t lo, int64_t hi, F f) {
    int64_t a0 = lo - centre, a1 = hi - 1 - centre;  // centre + o
    int64_t b0 = centre - hi + 1, b1 = centre - lo;  // centre - o
    if (a0 > b0) std::swap(a0, b0), std::swap(a1, b1);
    if (a1 >= b0 - 1) a1 = a1 > b1 ? a1 : b1, b0 = 1, b1 = 0;  // one interval
    for (auto [from, to] : {std::pair{a0, a1}, std::pair{b0, b1}}) {
        if (from < 0) from = 0;
        if (to > last) to = last;
        for (int64_t o = from; o <= to; ++o) f(o);
    }
}

template <class Pixel>
void outline(const Canvas& c, const Ellipse& e, uint32_t value) {
    if (e.a == 0 || e.b == 0) {
        const bool vertical = e.a == 0;
        const int64_t last = static_cast<int64_t>(vertical ? e.b : e.a);
        if (vertical)
            visible_offsets(e.cy, last, c.y0, c.y1, [&](int64_t v) { plot4<Pixel>(c, e, 0, v, value); });
        else
            visible_offsets(e.cx, last, c.x0, c.x1, [&](int64_t u) { plot4<Pixel>(c, e, u, 0, value); });
        return;
    }
    const int64_t r = static_cast<int64_t>(e.a);
    if (e.a == e.b && !e.arc && e.cx - r >= c.x0 && e.cx + r < c.x1 && e.cy - r >= c.y0 && e.cy + r < c.y1) {
        // A whole circle in view: its rows are the columns turned over.
        for (int64_t u = 0; u <= e.last_column; ++u) {
            const int64_t v = row_at(e, static_cast<double>(u));
            for (auto [p, q] : {std::pair{u, v}, std::pair{v, u}}) {
                pixel_store<Pixel>(c, e.cx + p, e.cy + q, value);
                pixel_store<Pixel>(c, e.cx - p, e.cy + q, value);
                pixel_store<Pixel>(c, e.cx + p, e.cy - q, value);
                pixel_store<Pixel>(c, e.cx - p, e.cy - q, value);
            }
        }
        c.mark_rows(e.cy - r, e.cy + r + 1);
        return;
    }
    visible_offsets(e.cx, e.last_column, c.x0, c.x1,
                    [&](int64_t u) { plot4<Pixel>(c, e, u, row_at(e, static_cast<double>(u)), value); });
    visible_offsets(e.cy, e.last_row, c.y0, c.y1,
                    [&](int64_t v) { plot4<Pixel>(c, e, column_at(e, static_cast<double>(v)), v, value); });
}

// The outline's widest column offset in row offset v (0 <= v <= b).
int64_t row_extent(const Ellipse& e, int64_t v) {
    if (e.a == 0 || e.b == 0) return static_cast<int64_t>(e.a);
    int64_t widest = v <= e.last_row ? column_at(e, static_cast<double>(v)) : -1;
    // The column-wise part: the last column whose row is still v.
    const double h = static_cast<double>(v) - 0.5;
    int64_t u = h <= 0 ? e.last_column : column_at(e, h) - 1;
    if (u > e.last_column) u = e.last_column;
    if (u < 0) u = 0;
    while (u < e.last_column && row_at(e, static_cast<double>(u + 1)) >= v) ++u;
    while (u > 0 && row_at(e, static_cast<double>(u)) < v) --u;
    if (row_at(e, static_cast<double>(u)) == v && u > widest) widest = u;
    return widest;
}

template <class Pixel>
void filled(const Canvas& c, const Ellipse& e, uint32_t value) {
    const int64_t b = static_cast<int64_t>(e.b);
    int64_t from = e.cy - b, to = e.cy + b;
    if (from < c.y0) from = c.y0;
    if (to > c.y1 - 1) to = c.y1 - 1;
    for (int64_t y = from; y <= to; ++y) {
        const int64_t w = row_extent(e, y < e.cy ? e.cy - y : y - e.cy);
        if (!e.arc) {
            span_fill(c, y, e.cx - w, e.cx + w + 1, value);
            continue;
        }
        const int64_t l = e.cx - w < c.x0 ? c.x0 : e.cx - w, r = e.cx + w >= c.x1 ? c.x1 - 1 : e.cx + w;
        for (int64_t x = l; x <= r; ++x)
            if (in_arc(e, x, y)) {
                pixel_store<Pixel>(c, x, y, value);
                c.mark(y);
            }
    }
}

double angle_norm(double t) {
    t = std::fmod(std::fabs(t), kTwoPi);
    return t < 0 ? t + kTwoPi : t;
}

// The arc's end at angle t, for a pie slice's side.
void arc_end(const Canvas& c, const Ellipse& e, double t, uint32_t value) {
    const double ct = std::cos(t), st = std::sin(t);
    const double r = e.a * e.b / std::sqrt(e.b * ct * e.b * ct + e.a * st * e.a * st);
    const double x = static_cast<double>(e.cx), y = static_cast<double>(e.cy);
    int32_t phase = 0;
    if (std::isfinite(r)) line_pixels(c, x, y, x + r * ct, y - r * st, value, 0xFFFF, &phase);
}

}  // namespace

}  // namespace pantalla::detail

double ellipse_aspect_default() {
    if (!screen) return 1;
    return static_cast<double>(screen->height) / screen->width * 4.0 / 3.0;
}

int32_t ellipse_draw(double x, double y, double radius, int64_t colour, double start, double end, double aspect,
                     uint32_t options) {
    DrawCall call;
    if (!call.ok()) return 1;
    const Canvas& c = call.canvas();
    if (!(options & kDrawAspect)) aspect = ellipse_aspect_default();
    aspect = std::fabs(aspect);
    const bool arc = options & kDrawArc;
    if (!std::isfinite(radius) || radius < 0 || !std::isfinite(aspect) ||
        (arc && (!std::isfinite(start) || !std::isfinite(end))))
        return set_last_error(1);
    double px, py, tx, ty;
    pen_target(&px, &py);
    if (!place_point(c, x, y, options & kDrawStep, px, py, &tx, &ty)) return set_last_error(1);
    if (c.window) radius *= std::fabs(c.sx);
    const double rx = aspect <= 1 ? radius : radius / aspect, ry = aspect <= 1 ? radius * aspect : radius;
    Ellipse e{};
    e.cx = round_far(tx);
    e.cy = round_far(ty);
    e.a = std::floor(clamp_far(rx) + 0.5);
    e.b = std::floor(clamp_far(ry) + 0.5);
    // The parts meet where the curve runs at 45 degrees; each takes one more
    // step so that they overlap.
    const double diagonal = std::sqrt(e.a * e.a + e.b * e.b);
    if (e.a > 0 && e.b > 0) {
        e.last_column = static_cast<int64_t>(std::fmin(e.a, std::floor(e.a * e.a / diagonal) + 1));
        e.last_row = static_cast<int64_t>(std::fmin(e.b, std::floor(e.b * e.b / diagonal) + 1));
    }
    e.arc = arc;
    e.start = angle_norm(start);
    e.end = angle_norm(end);
    const uint32_t value = colour_argument(colour, screen->fg_colour);
    const bool fill = options & kDrawFilled;
    switch (c.bytes_per_pixel) {
        case 1: fill ? filled<uint8_t>(c, e, value) : outline<uint8_t>(c, e, value); break;
        case 2: fill ? filled<uint16_t>(c, e, value) : outline<uint16_t>(c, e, value); break;
        default: fill ? filled<uint32_t>(c, e, value) : outline<uint32_t>(c, e, value); break;
    }
    if (arc && start < 0) arc_end(c, e, e.start, value);
    if (arc && end < 0) arc_end(c, e, e.end, value);
    pen_move(tx, ty);
    return 0;
}

