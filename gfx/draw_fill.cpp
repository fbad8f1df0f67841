// Flood fill.
//
// The region is what the picture held before the fill: the fill records the
// spans it has painted, row by row, and never looks at a painted pixel
// again. So it ends whatever it paints (a tile holding the border colour, a
// region already showing the tile), visits each pixel once, and needs memory
// for the spans and pending seeds, which grow with the region's outline. A
// seed stack instead of recursion: no shape can exhaust the call stack. A
// fill in the border's own colour keeps no record: what it painted reads as
// border.
#include <algorithm>
#include <cstring>
#include <deque>
#include <vector>

#include "gfx/draw.h"
#include "gfx/draw_canvas.h"
#include "gfx/screen.h"
#include "runtime/context.h"

namespace {

struct Span {
    int32_t left, right;  // inclusive
};

// A run left..right of row y, found under a painted run of row y - dy (dy 0:
// the start point). An open end is where the scan stopped: the run may go on
// past it, and past it the row y - dy was not seen.
struct Seed {
    int32_t y, left, right;
    int8_t dy;
    bool open_left, open_right;
};

struct Paint {
    uint32_t value;
    const uint8_t* tile;  // null: one colour
    int64_t tile_rows;
};

// The painted runs of each row, sorted, in one pool: a row that outgrows its
// block moves to one with twice the room. Runs parted by a single
// border pixel are joined, so a finished stretch of row is one entry.
class Painted {
public:
    explicit Painted(int32_t rows) : rows_(static_cast<size_t>(rows)) {}
    const Span* begin(int32_t row) const { return pool_.data() + rows_[static_cast<size_t>(row)].start; }
    const Span* end(int32_t row) const { return begin(row) + rows_[static_cast<size_t>(row)].size; }
    // The first run of `row` ending at or after x. The fill works along a
    // row in small steps, so the row's last answer is tried first.
    const Span* after(int32_t row, int32_t x) {
        Block& r = rows_[static_cast<size_t>(row)];
        const Span* d = pool_.data() + r.start;
        uint32_t i = r.cursor;
        if (i > r.size || (i < r.size && d[i].right < x) || (i > 0 && d[i - 1].right >= x))
            i = static_cast<uint32_t>(
                std::lower_bound(d, d + r.size, x, [](const Span& s, int32_t v) { return s.right < v; }) - d);
        r.cursor = i;
        return d + i;
    }
    // Adds s before `at` (from after()); the pixels beside s are border.
    void add(int32_t row, const Span* at, Span s) {
        Block& r = rows_[static_cast<size_t>(row)];
        size_t i = static_cast<size_t>(at - begin(row));
        Span* d = pool_.data() + r.start;
        const bool join_prev = i > 0 && d[i - 1].right + 2 >= s.left, join_next = i < r.size && d[i].left - 2 <= s.right;
        if (join_prev && join_next) {
            d[i - 1].right = d[i].right;
            std::memmove(d + i, d + i + 1, (r.size - i - 1) * sizeof(Span));
            --r.size;
        } else if (join_prev) {
            d[i - 1].right = s.right;
        } else if (join_next) {
            d[i].left = s.left;
        } else {
            if (r.size == r.room) d = grow(r);
            std::memmove(d + i + 1, d + i, (r.size - i) * sizeof(Span));
            d[i] = s;
            ++r.size;
        }
    }

private:
    struct Block {
        uint32_t start = 0, size = 0, room = 0, cursor = 0;
    };

    // Moves a full row to a block of twice the room; the block it leaves
    // goes on the free list of its size for another row.
    Span* grow(Block& r) {
        const uint32_t room = r.room ? 2 * r.room : 2;
        size_t order = 0;
        while ((2u << order) < room) ++order;
        if (order >= free_.size()) free_.resize(order + 1);
        uint32_t start;
        if (free_[order].empty()) {
            start = static_cast<uint32_t>(pool_.size());
            pool_.resize(pool_.size() + room);
        } else {
            start = free_[order].back();
            free_[order].pop_back();
        }
        std::memcpy(pool_.data() + start, pool_.data() + r.start, r.size * sizeof(Span));
        if (r.room) free_[order - 1].push_back(r.start);
        r.start = start;
        r.room = room;
        return pool_.data() + start;
    }

    std::vector<Block> rows_;
    std::vector<Span> pool_;
    std::vector<std::vector<uint32_t>> free_;  // by log2(room) - 1
};

// Blocks of 128 bytes are tested whole: loops the compiler vectorises,
// long enough to pay for gathering the block's result.
template <class Pixel>
constexpr int32_t kBlock = 128 / sizeof(Pixel);

// Whether a pixel of the block equals b (or, with `other`, differs from it).
// The masks are or'ed in the pixel's width, which vectorises best.
template <class Pixel>
bool any_of_block(const Pixel* p, Pixel b, bool other = false) {
    const Pixel flip = other ? static_cast<Pixel>(~Pixel{0}) : Pixel{0};
    Pixel hits = 0;
    for (int32_t i = 0; i < kBlock<Pixel>; ++i) hits |= static_cast<Pixel>((p[i] == b ? static_cast<Pixel>(~Pixel{0}) : Pixel{0}) ^ flip);
    return hits != 0;
}

// The first x in from..to whose pixel is b, or to + 1.
template <class Pixel>
int32_t find_border(const Pixel* line, int32_t from, int32_t to, Pixel b) {
    if (from > to) return from;
    if (sizeof(Pixel) == 1 && to - from >= kBlock<Pixel>) {
        // The library's search is the widest; short runs are not worth a call.
        const void* hit = std::memchr(line + from, b, static_cast<size_t>(to - from + 1));
        return hit ? static_cast<int32_t>(static_cast<const Pixel*>(hit) - line) : to + 1;
    }
    int32_t x = from;
    for (; x + kBlock<Pixel> <= to + 1; x += kBlock<Pixel>) {
        if (any_of_block(line + x, b)) break;
    }
    while (x <= to && line[x] != b) ++x;
    return x;
}

// The first x in from..to whose pixel is not b, or to + 1.
template <class Pixel>
int32_t find_other(const Pixel* line, int32_t from, int32_t to, Pixel b) {
    // Runs mostly start at once: a few pixels are tried before blocks.
    int32_t x = from;
    for (const int32_t first = std::min(to + 1, from + 4); x < first; ++x)
        if (line[x] != b) return x;
    for (; x + kBlock<Pixel> <= to + 1; x += kBlock<Pixel>) {
        if (any_of_block(line + x, b, true)) break;
    }
    while (x <= to && line[x] == b) ++x;
    return x;
}

// The last x in lo..from whose pixel is b, or lo - 1.
template <class Pixel>
int32_t find_border_back(const Pixel* line, int32_t from, int32_t lo, Pixel b) {
    int32_t x = from;
    for (; x - kBlock<Pixel> + 1 >= lo; x -= kBlock<Pixel>) {
        if (any_of_block(line + x - kBlock<Pixel> + 1, b)) break;
    }
    while (x >= lo && line[x] != b) --x;
    return x;
}

template <class Pixel>
class Fill {
public:
    Fill(const Canvas& c, uint32_t border, const Paint& paint)
        : c_(c),
          border_(static_cast<Pixel>(border)),
          paint_(paint),
          track_(paint.tile || static_cast<Pixel>(paint.value) != border_),
          painted_(track_ ? c.y1 - c.y0 : 0) {}

    void run(int32_t x, int32_t y) {
        if (line(y)[x] == border_) return;
        seeds_.push_back({y, x, x, 0, true, true});
        while (!seeds_.empty()) {
            const Seed s = seeds_.back();
            seeds_.pop_back();
            grow(s);
        }
    }

private:
    Pixel* line(int32_t y) const { return reinterpret_cast<Pixel*>(c_.rows[y]); }

    void grow(const Seed& s) {
        const int32_t y = s.y;
        Pixel* const out = line(y);
        int32_t lo = c_.x0, hi = c_.x1 - 1;
        const Span* next = nullptr;
        if (track_) {
            next = painted_.after(y - c_.y0, s.left);
            const Span* end = painted_.end(y - c_.y0);
            if (next != end && next->left <= s.left) return;
            if (next != painted_.begin(y - c_.y0)) lo = next[-1].right + 1;
            if (next != end) hi = next->left - 1;
        } else if (out[s.left] == border_) {
            return;
        }
        const int32_t l = s.open_left ? find_border_back(out, s.left - 1, lo, border_) + 1 : s.left;
        const int32_t r = s.open_right ? find_border(out, s.right + 1, hi, border_) - 1 : s.right;
        if (track_) painted_.add(y - c_.y0, next, Span{l, r});
        paint(out, y, l, r);
        // Pushed last, taken first: the fill goes on in its direction. Under
        // the seed the row it came from is the painted parent.
        if (s.dy == 0) {
            scan(y - 1, l, r, -1);
            scan(y + 1, l, r, 1);
            return;
        }
        if (l < s.left) scan(y - s.dy, l, s.left - 1, -s.dy);
        if (r > s.right) scan(y - s.dy, s.right + 1, r, -s.dy);
        scan(y + s.dy, l, r, s.dy);
    }

    // Pushes a seed for each run of unpainted, non-border pixels of row y
    // within a..b.
    void scan(int32_t y, int32_t a, int32_t b, int32_t dy) {
        if (y < c_.y0 || y >= c_.y1) return;
        const Pixel* in = line(y);
        const Span *span = nullptr, *end = nullptr;
        if (track_) span = painted_.after(y - c_.y0, a), end = painted_.end(y - c_.y0);
        for (int32_t x = a; x <= b;) {
            if (span != end && span->left <= x) {
                x = span->right + 1;
                ++span;
                continue;
            }
            const int32_t stop = span != end && span->left <= b ? span->left - 1 : b;
            for (x = find_other(in, x, stop, border_); x <= stop; x = find_other(in, x, stop, border_)) {
                const int32_t run_end = find_border(in, x + 1, stop, border_) - 1;
                seeds_.push_back({y, x, run_end, static_cast<int8_t>(dy), x == a, run_end == b});
                x = run_end + 2;
            }
            x = stop + 1;
        }
    }

    void paint(Pixel* out, int32_t y, int32_t l, int32_t r) {
        c_.mark(y);
        if (paint_.tile) {
            const Pixel* pattern = reinterpret_cast<const Pixel*>(paint_.tile) + (y % paint_.tile_rows) * 8;
            for (int32_t x = l; x <= r; ++x) out[x] = pattern[x & 7];
        } else if constexpr (sizeof(Pixel) == 1) {
            std::memset(out + l, static_cast<int>(paint_.value & 0xFF), static_cast<size_t>(r - l + 1));
        } else if (r - l < kShort) {
            std::fill(out + l, out + r + 1, static_cast<Pixel>(paint_.value));
        } else {
            // Long spans are copied from a row of the colour: the library
            // copy moves wider words than a loop of pixel stores.
            if (solid_.empty()) solid_.assign(static_cast<size_t>(c_.x1 - c_.x0), static_cast<Pixel>(paint_.value));
            std::memcpy(out + l, solid_.data(), static_cast<size_t>(r - l + 1) * sizeof(Pixel));
        }
    }

    static constexpr int32_t kShort = 64;
    const Canvas& c_;
    const Pixel border_;
    const Paint paint_;
    const bool track_;
    Painted painted_;
    std::deque<Seed> seeds_;  // in small blocks: no copies as it grows
    std::vector<Pixel> solid_;  // the view's width of the colour, once needed
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
    const int32_t x0 = static_cast<int32_t>(ix), y0 = static_cast<int32_t>(iy);
    switch (c.bytes_per_pixel) {
        case 1: Fill<uint8_t>(c, edge, paint).run(x0, y0); break;
        case 2: Fill<uint16_t>(c, edge, paint).run(x0, y0); break;
        default: Fill<uint32_t>(c, edge, paint).run(x0, y0); break;
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
