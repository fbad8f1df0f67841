// What every drawing call works on: the target's rows, its clip, the mapping
// from the caller's coordinates, and the rows to mark changed.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#include "gfx/draw.h"

namespace pantalla::detail {

struct Canvas {
    uint8_t* const* rows = nullptr;
    int32_t bytes_per_pixel = 1;
    int32_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // clip, ends exclusive
    double origin_x = 0, origin_y = 0;       // where view coordinates start
    bool window = false;
    double wx = 0, wy = 0, sx = 1, sy = 1;   // view = (world - w) * s
    uint8_t* dirty = nullptr;                // null: the target is not shown
    uint32_t colour_mask = 0xFF;
    int32_t depth = 8;

    bool inside(int64_t x, int64_t y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    void mark(int64_t y) const {
        if (dirty) dirty[y] = 1;
    }
    void mark_rows(int64_t first, int64_t end) const {
        if (dirty && first < end) std::memset(dirty + first, 1, static_cast<size_t>(end - first));
    }
};

// Opens a drawing call: no screen is error 1; otherwise takes the lock when
// drawing to the screen, settles pending text and fills the canvas. The
// destructor releases what it took.
class DrawCall {
public:
    DrawCall();
    ~DrawCall();
    DrawCall(const DrawCall&) = delete;
    DrawCall& operator=(const DrawCall&) = delete;
    bool ok() const { return ok_; }
    const Canvas& canvas() const { return canvas_; }

private:
    Canvas canvas_;
    bool ok_ = false;
    bool locked_ = false;
};

// Coordinates far beyond any page are held here, so integer arithmetic on
// them cannot overflow.
constexpr double kFar = 1099511627776.0;  // 2^40
inline double clamp_far(double v) { return v < -kFar ? -kFar : v > kFar ? kFar : v; }
// Halves round up. v + 0.5 would round itself first: up for the double just
// below 0.5, and for odd integers from 2^52 on.
inline int64_t round_half_up(double v) {
    const double f = std::floor(v);
    return static_cast<int64_t>(f) + (v - f >= 0.5);
}
inline int64_t round_far(double v) { return round_half_up(clamp_far(v)); }

// The target coordinates of a caller's point: relative to `base` (the pen or
// the first point) when `step`. False for NaN or infinite input.
bool place_point(const Canvas& c, double x, double y, bool step, double base_x, double base_y, double* tx,
                 double* ty);
// The pen in target coordinates, and moving it.
void pen_target(double* x, double* y);
void pen_move(double x, double y);

// The pixel of a colour argument; negative takes `fallback` (already a pixel).
uint32_t colour_argument(int64_t colour, uint32_t fallback);

// Stores `value` at (x, y), which must be inside the clip.
template <class Pixel>
inline void pixel_store(const Canvas& c, int64_t x, int64_t y, uint32_t value) {
    const Pixel p = static_cast<Pixel>(value);
    std::memcpy(c.rows[y] + static_cast<size_t>(x) * sizeof(Pixel), &p, sizeof p);
}
template <class Pixel>
inline uint32_t pixel_load(const Canvas& c, int64_t x, int64_t y) {
    Pixel p;
    std::memcpy(&p, c.rows[y] + static_cast<size_t>(x) * sizeof(Pixel), sizeof p);
    return p;
}
uint32_t pixel_read(const Canvas& c, int64_t x, int64_t y);
// Fills x..x_end-1 of row y (clipped) and marks the row.
void span_fill(const Canvas& c, int64_t y, int64_t x, int64_t x_end, uint32_t value);

// Fills the rectangle x..x_end-1, y..y_end-1 (clipped) and marks its rows.
void box_fill(const Canvas& c, int64_t y, int64_t y_end, int64_t x, int64_t x_end, uint32_t value);

// The header `image` was made with while it is alive (from image_create or
// image_get, not freed), else null. The program may write the image's own
// header, so its pixels are reached through this record alone.
const ImageHeader* image_record(const void* image);
// The record while the image's header still matches it, else null (error 1).
const ImageHeader* image_checked(const void* image);
// The start of an image's pixel rows.
uint8_t* image_pixels(const ImageHeader* image);
// Drawing goes back to the screen if it was going to `image` (or any image
// when null).
void draw_target_drop(const void* image);

// A line between target points (within 2^1000, as place_point gives them)
// without touching the pen; `phase` is the style bit of the first pixel and
// comes back advanced past the last.
void line_pixels(const Canvas& c, double ax, double ay, double bx, double by, uint32_t value, uint16_t style,
                 int32_t* phase);

}  // namespace pantalla::detail
