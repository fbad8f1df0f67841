// Flood fill.
//
// The region is what the picture held before the fill: the fill records the
// spans it has painted, row by row, and never looks at a painted pixel
// again. So it ends whatever it paints (a tile holding the border colour, a
// region already showing the tile), visits each pixel once, and needs memory
// for the spans and pending seeds, which grow with the region's outline. A
// seed stack instead of recursion: no shape can exhaust the call stack.
#include <algorithm>
#include <vector>

#include "gfx/draw.h"
#include "gfx/draw_canvas.h"
#include "gfx/screen.h"
#include "runtime/context.h"

namespace {

struct Span {
    int64_t left, right;  // inclusive
};

struct Seed {
    int64_t x, y;
};

struct Paint {
    uint32_t value;
    const uint8_t* tile;  // null: one colour
    int64_t tile_rows;
};

template <class Pixel>
class Fill {
public:
    Fill(const Canvas& c, uint32_t border, const Paint& paint)
        : c_(c), border_(static_cast<Pixel>(border)), paint_(paint), painted_(static_cast<size_t>(c.y1 - c.y0)) {}

    void run(int64_t x, int64_t y) {
        seeds_.push_back({x, y});
        while (!seeds_.empty()) {
            const Seed s = seeds_.back();
            seeds_.pop_back();
            grow(s.x, s.y);
        }
    }

private:
    Pixel at(int64_t x, int64_t y) const { return static_cast<Pixel>(pixel_load<Pixel>(c_, x, y)); }

    void grow(int64_t x, int64_t y) {
        std::vector<Span>& row = painted_[static_cast<size_t>(y - c_.y0)];
        const auto next = std::upper_bound(row.begin(), row.end(), x, [](int64_t v, const Span& s) { return v < s.left; });
        if (next != row.begin() && std::prev(next)->right >= x) return;
        if (at(x, y) == border_) return;
        const int64_t lo = next != row.begin() ? std::prev(next)->right + 1 : c_.x0;
        const int64_t hi = next != row.end() ? next->left - 1 : c_.x1 - 1;
        const Pixel* line = reinterpret_cast<const Pixel*>(c_.rows[y]);
        const int64_t l = find_back(line, x - 1, lo) + 1, r = find(line, x + 1, hi, true) - 1;
        row.insert(next, Span{l, r});
        paint(y, l, r);
        if (y > c_.y0) scan(y - 1, l, r);
        if (y + 1 < c_.y1) scan(y + 1, l, r);
    }

    // Pushes one seed for each run of unpainted, non-border pixels of row y
    // within l..r.
    void scan(int64_t y, int64_t l, int64_t r) {
        const std::vector<Span>& row = painted_[static_cast<size_t>(y - c_.y0)];
        auto span = std::lower_bound(row.begin(), row.end(), l, [](const Span& s, int64_t v) { return s.right < v; });
        const Pixel* line = reinterpret_cast<const Pixel*>(c_.rows[y]);
        for (int64_t x = l; x <= r;) {
            if (span != row.end() && span->left <= x) {
                x = span->right + 1;
                ++span;
                continue;
            }
            const int64_t end = span != row.end() && span->left <= r ? span->left - 1 : r;
            while (x <= end) {
                x = find(line, x, end, false);
                if (x > end) break;
                seeds_.push_back({x, y});
                x = find(line, x, end, true) + 1;
            }
            x = end + 1;
        }
    }

    // The first x in from..to whose pixel is (or, with !border, is not) the
    // border, or to + 1. Blocks are tested whole, a loop that vectorises.
    int64_t find(const Pixel* line, int64_t from, int64_t to, bool border) const {
        constexpr int64_t kBlock = 32;
        int64_t x = from;
        const Pixel b = border_;
        for (; x + kBlock <= to + 1; x += kBlock) {
            int hits = 0;
            for (int64_t i = 0; i < kBlock; ++i) hits += line[x + i] == b;
            if (border ? hits != 0 : hits != kBlock) break;
        }
        while (x <= to && (line[x] == border_) != border) ++x;
        return x;
    }

    // The last x in lo..from whose pixel is the border, or lo - 1.
    int64_t find_back(const Pixel* line, int64_t from, int64_t lo) const {
        constexpr int64_t kBlock = 32;
        int64_t x = from;
        const Pixel b = border_;
        for (; x - kBlock + 1 >= lo; x -= kBlock) {
            int hits = 0;
            for (int64_t i = 0; i < kBlock; ++i) hits += line[x - kBlock + 1 + i] == b;
            if (hits) break;
        }
        while (x >= lo && line[x] != border_) --x;
        return x;
    }

    void paint(int64_t y, int64_t l, int64_t r) {
        if (!paint_.tile) {
            span_fill(c_, y, l, r + 1, paint_.value);
            return;
        }
        const Pixel* pattern = reinterpret_cast<const Pixel*>(paint_.tile) + (y % paint_.tile_rows) * 8;
        Pixel* out = reinterpret_cast<Pixel*>(c_.rows[y]);
        for (int64_t x = l; x <= r; ++x) out[x] = pattern[x & 7];
        c_.mark(y);
    }

    const Canvas& c_;
    const Pixel border_;
    const Paint paint_;
    std::vector<std::vector<Span>> painted_;  // per row of the clip, sorted
    std::vector<Seed> seeds_;
};

int32_t fill_region(double x, double y, uint32_t options, int64_t border, const Paint& paint, uint32_t border_default,
                    const Canvas& c) {
    double px, py, tx, ty;
    pen_target(&px, &py);
    if (!place_point(c, x, y, options & kDrawStep, px, py, &tx, &ty)) return set_last_error(1);
    pen_move(tx, ty);
    const int64_t ix = round_far(tx), iy = round_far(ty);
    if (!c.inside(ix, iy)) return 0;
    const uint32_t edge = colour_argument(border, border_default);
    switch (c.bytes_per_pixel) {
        case 1: Fill<uint8_t>(c, edge, paint).run(ix, iy); break;
        case 2: Fill<uint16_t>(c, edge, paint).run(ix, iy); break;
        default: Fill<uint32_t>(c, edge, paint).run(ix, iy); break;
    }
    return 0;
}

}  // namespace

int32_t flood_fill(double x, double y, int64_t colour, int64_t border, uint32_t options) {
    DrawCall call;
    if (!call.ok()) return 1;
    const uint32_t value = colour_argument(colour, screen->fg_colour);
    return fill_region(x, y, options, border, Paint{value, nullptr, 0}, value, call.canvas());
}

int32_t flood_fill_tile(double x, double y, const void* tile, int32_t size, int64_t border, uint32_t options) {
    DrawCall call;
    if (!call.ok()) return 1;
    const Canvas& c = call.canvas();
    const int32_t row_bytes = 8 * c.bytes_per_pixel;
    if (!tile || size < row_bytes || border < 0) return set_last_error(1);
    // A tile whose pixels are not aligned for the depth is copied first.
    std::vector<uint32_t> copy(static_cast<size_t>(size) / 4 + 1);
    std::memcpy(copy.data(), tile, static_cast<size_t>(size / row_bytes * row_bytes));
    const Paint paint{0, reinterpret_cast<const uint8_t*>(copy.data()), size / row_bytes};
    return fill_region(x, y, options, border, paint, 0, c);
}
