// Flood fill.
//
// The region is what the picture held before the fill, and no painted pixel
// is looked at again, so the fill ends whatever it paints (a tile holding the
// border colour, a region already showing the tile) and visits each pixel
// once. A row where the fill colour was nowhere before tells its painted
// pixels by that colour, as a plain scanline fill does; a row that held the
// colour, and every row of a tiled fill, keeps a record of its painted runs.
// Memory grows with the region's outline: the records, the pending seeds and
// a byte a row. A seed stack instead of recursion: no shape can exhaust the
// call stack.
#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

#include "gfx/draw.h"
#include "gfx/draw_canvas.h"
#include "gfx/pixel_search.h"
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
    // Room for two runs a row is kept ready: most rows of most regions
    // need no more.
    explicit Painted(int32_t rows) : rows_(static_cast<size_t>(rows)) { pool_.reserve(2 * rows_.size()); }
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
    // Adds s to a row that has no run yet.
    void add_first(int32_t row, Span s) {
        Block& r = rows_[static_cast<size_t>(row)];
        Span* d = r.room ? pool_.data() + r.start : grow(r);
        d[0] = s;
        r.size = 1;
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
        if (!r.room) {
            r.start = static_cast<uint32_t>(pool_.size());
            r.room = 2;
            pool_.resize(pool_.size() + 2);
            return pool_.data() + r.start;
        }
        const uint32_t room = 2 * r.room;
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

// The pixel values that end a run: the border, and in a row without the
// fill colour before the fill, that colour too (there, it is painted).
template <class Pixel>
struct Stops {
    Pixel a, b;
    const PixelSearch<Pixel>& search = pixel_search<Pixel>();

    bool at(Pixel p) const { return p == a || p == b; }
    // The first x in from..to where at() is !kGo, or to + 1.
    template <bool kGo>
    int32_t find(const Pixel* line, int32_t from, int32_t to) const {
        // Runs in a busy picture are short: a few pixels before a search.
        int32_t x = from;
        for (const int32_t first = std::min(to + 1, from + 4); x < first; ++x)
            if (at(line[x]) != kGo) return x;
        if (x > to) return x;
        return x + (kGo ? search.first_not_of : search.first_of)(line + x, to + 1 - x, a, b);
    }
    // The last x in lo..from where at() holds, or lo - 1.
    int32_t find_back(const Pixel* line, int32_t from, int32_t lo) const {
        int32_t x = from;
        for (const int32_t last = std::max(lo - 1, from - 4); x > last; --x)
            if (at(line[x])) return x;
        if (x < lo) return x;
        return lo + search.last_of(line + lo, x + 1 - lo, a, b);
    }
};

// The seed stack of the thread's last fill, kept: a maze's stack runs to
// hundreds of kilobytes, and a series of fills would otherwise ask the
// system for its pages each time.
std::vector<Seed>& spare_seeds() {
    thread_local std::vector<Seed> spare;
    return spare;
}
constexpr size_t kSpareSeeds = (size_t{4} << 20) / sizeof(Seed);  // a bigger one goes back

template <class Pixel>
class Fill {
public:
    Fill(const Canvas& c, uint32_t border, const Paint& paint)
        : c_(c),
          border_(static_cast<Pixel>(border)),
          colour_(static_cast<Pixel>(paint.value)),
          paint_(paint),
          plain_{border_, border_},
          clean_{border_, colour_},
          kind_(static_cast<size_t>(c.y1 - c.y0), kUnseen) {
        seeds_.swap(spare_seeds());
    }
    ~Fill() {
        seeds_.clear();
        if (seeds_.capacity() <= kSpareSeeds) seeds_.swap(spare_seeds());
    }
    Fill(const Fill&) = delete;
    Fill& operator=(const Fill&) = delete;

    void run(int32_t x, int32_t y) {
        if (line(y)[x] == border_) return;
        classify(y, holds_colour(y, c_.x0, c_.x1));
        seeds_.push_back({y, x, x, 0, true, true});
        while (!seeds_.empty()) {
            // Field by field: the seed was most often stored just now, and a
            // wider load than its stores would wait for them to retire.
            const Seed& top = seeds_.back();
            const Seed s{top.y, top.left, top.right, top.dy, top.open_left, top.open_right};
            seeds_.pop_back();
            grow(s);
        }
    }

private:
    // How a row tells painted pixels: by colour where the fill colour was
    // nowhere in the row's view before the fill, else by a record of runs.
    enum Kind : uint8_t { kUnseen, kClean, kRecorded };

    Pixel* line(int32_t y) const { return reinterpret_cast<Pixel*>(c_.rows[y]); }
    Kind& kind(int32_t y) { return kind_[static_cast<size_t>(y - c_.y0)]; }

    // Whether the fill colour is in x0..x1-1 of row y.
    bool holds_colour(int32_t y, int32_t x0, int32_t x1) const {
        return x0 < x1 && Stops<Pixel>{colour_, colour_}.template find<false>(line(y), x0, x1 - 1) < x1;
    }

    // Called before anything is painted in row y; `colour` says whether the
    // fill colour is in the row's view.
    void classify(int32_t y, bool colour) {
        Kind& k = kind(y);
        k = paint_.tile || (colour && colour_ != border_) ? kRecorded : kClean;  // kClean when the colour is the border's
        if (k == kRecorded && !painted_) painted_.emplace(c_.y1 - c_.y0);
    }

    void grow(const Seed& s) {
        const int32_t y = s.y;
        Pixel* const out = line(y);
        int32_t lo = c_.x0, hi = c_.x1 - 1;
        const bool clean = kind(y) == kClean;
        const Stops<Pixel>& stops = clean ? clean_ : plain_;
        const Span* next = nullptr;
        if (clean) {
            // Runs are painted whole: a seed whose first pixel is painted is.
            if (stops.at(out[s.left])) return;
        } else {
            next = painted_->after(y - c_.y0, s.left);
            const Span* end = painted_->end(y - c_.y0);
            if (next != end && next->left <= s.left) return;
            if (next != painted_->begin(y - c_.y0)) lo = next[-1].right + 1;
            if (next != end) hi = next->left - 1;
        }
        const int32_t l = s.open_left ? stops.find_back(out, s.left - 1, lo) + 1 : s.left;
        const int32_t r = s.open_right ? stops.template find<false>(out, s.right + 1, hi) - 1 : s.right;
        if (!clean) painted_->add(y - c_.y0, next, Span{l, r});
        paint(out, y, l, r);
        // Pushed last, taken first: the fill goes on in its direction. Under
        // the seed the row it came from is the painted parent.
        if (s.dy == 0) {
            scan(sweep(y, l, r, -1), l, r, -1);
            scan(sweep(y, l, r, 1), l, r, 1);
            return;
        }
        if (l < s.left) scan(y - s.dy, l, s.left - 1, -s.dy);
        if (r > s.right) scan(y - s.dy, s.right + 1, r, -s.dy);
        scan(sweep(y, l, r, s.dy), l, r, s.dy);
    }

    // Paints, row after row from y + dy on, the same wide run l..r as long
    // as each row holds it whole with the border (or the view's edge) on
    // both sides and was not looked at before: a large area takes no seeds.
    // Returns the first row it left.
    int32_t sweep(int32_t y, int32_t l, int32_t r, int32_t dy) {
        if (r - l < kWide) return y + dy;
        for (y += dy; y >= c_.y0 && y < c_.y1 && kind(y) == kUnseen; y += dy) {
            Pixel* const row = line(y);
            if ((l > c_.x0 && row[l - 1] != border_) || (r + 1 < c_.x1 && row[r + 1] != border_)) break;
            if (plain_.template find<false>(row, l, r) <= r) break;
            classify(y, true);  // records, as for any wide first scan
            if (kind(y) == kRecorded) painted_->add_first(y - c_.y0, Span{l, r});
            paint(row, y, l, r);
        }
        return y;
    }

    // Pushes a seed for each run of unpainted, non-border pixels of row y
    // within a..b.
    void scan(int32_t y, int32_t a, int32_t b, int32_t dy) {
        if (y < c_.y0 || y >= c_.y1) return;
        const Pixel* in = line(y);
        if (kind(y) == kUnseen) {
            first_scan(in, y, a, b, dy);
            return;
        }
        if (kind(y) == kClean) {
            push_runs(clean_, in, y, a, b, a, b, dy);
            return;
        }
        const Span* span = painted_->after(y - c_.y0, a);
        const Span* end = painted_->end(y - c_.y0);
        for (int32_t x = a; x <= b;) {
            if (span != end && span->left <= x) {
                x = span->right + 1;
                ++span;
                continue;
            }
            const int32_t stop = span != end && span->left <= b ? span->left - 1 : b;
            push_runs(plain_, in, y, x, stop, a, b, dy);
            x = stop + 1;
        }
    }

    // A row's first scan: nothing in it is painted yet, so its runs end at
    // the border. Every pixel of a..b is looked at once, so the same pass
    // tells whether the fill colour is there; the rest of the row is
    // searched for it only when a..b is not the whole view.
    // A wide first scan instead looks for the border alone and the row keeps
    // records: where runs are long, records cost little, and a search for
    // one value makes half the compares of one for two.
    void first_scan(const Pixel* in, int32_t y, int32_t a, int32_t b, int32_t dy) {
        const bool wide = b - a >= kWide;
        if (paint_.tile || colour_ == border_ || wide) {
            classify(y, wide);
            push_runs(plain_, in, y, a, b, a, b, dy);
            return;
        }
        const size_t pushed = seeds_.size();
        for (int32_t x = plain_.template find<true>(in, a, b); x <= b; x = plain_.template find<true>(in, x, b)) {
            const int32_t end = in[x] == colour_ ? x : clean_.template find<false>(in, x + 1, b);
            if (end <= b && in[end] == colour_) {
                // The colour was here before the fill: runs do not end at it.
                seeds_.resize(pushed);
                classify(y, true);
                push_runs(plain_, in, y, a, b, a, b, dy);
                return;
            }
            seeds_.push_back({y, x, end - 1, static_cast<int8_t>(dy), x == a, end - 1 == b});
            x = end + 1;
        }
        classify(y, holds_colour(y, c_.x0, a) || holds_colour(y, b + 1, c_.x1));
    }

    // The runs of x..stop between stops; their ends at a or b are open.
    void push_runs(const Stops<Pixel>& stops, const Pixel* in, int32_t y, int32_t x, int32_t stop, int32_t a, int32_t b,
                   int32_t dy) {
        for (x = stops.template find<true>(in, x, stop); x <= stop; x = stops.template find<true>(in, x, stop)) {
            const int32_t run_end = stops.template find<false>(in, x + 1, stop) - 1;
            seeds_.push_back({y, x, run_end, static_cast<int8_t>(dy), x == a, run_end == b});
            x = run_end + 2;
        }
    }

    void paint(Pixel* out, int32_t y, int32_t l, int32_t r) {
        c_.mark(y);
        if (paint_.tile) {
            const Pixel* pattern = reinterpret_cast<const Pixel*>(paint_.tile) + (y % paint_.tile_rows) * 8;
            for (int32_t x = l; x <= r; ++x) out[x] = pattern[x & 7];
        } else if constexpr (sizeof(Pixel) == 1) {
            std::memset(out + l, colour_, static_cast<size_t>(r - l + 1));
        } else if (r - l < kShort) {
            std::fill(out + l, out + r + 1, colour_);
        } else {
            // Long spans are copied from a row of the colour: the library
            // copy moves wider words than a loop of pixel stores.
            if (solid_.empty()) solid_.assign(static_cast<size_t>(c_.x1 - c_.x0), colour_);
            std::memcpy(out + l, solid_.data(), static_cast<size_t>(r - l + 1) * sizeof(Pixel));
        }
    }

    static constexpr int32_t kShort = 64;
    static constexpr int32_t kWide = 256;
    const Canvas& c_;
    const Pixel border_, colour_;
    const Paint paint_;
    const Stops<Pixel> plain_, clean_;
    std::vector<Kind> kind_;
    std::optional<Painted> painted_;  // once a row needs records
    std::vector<Seed> seeds_;
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
