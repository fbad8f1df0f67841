// Flood fill.
//
// The region is what the picture held before the fill, and no painted pixel
// is taken for region again, so the fill ends whatever it paints (a tile
// holding the border colour, a region already showing the tile) and paints
// each pixel once. A row where the fill colour was nowhere before tells its
// painted pixels by that colour, as a plain scanline fill does; a row that
// held the colour, and every row of a tiled fill, keeps a record of its
// painted runs. The records and the pending seeds stay within the view's own
// size on any picture (draw_fill_records.h); when even that cannot be had,
// the fill stops with error 1, its painted part a connected part of the
// region with its rows marked changed. A seed stack instead of recursion: no
// shape can exhaust the call stack.
#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "gfx/draw.h"
#include "gfx/draw/draw_canvas.h"
#include "gfx/draw/draw_fill_records.h"
#include "gfx/draw/pixel_search.h"
#include "gfx/screen.h"
#include "runtime/context.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

struct Paint {
    uint32_t value;
    const uint8_t* tile;  // null: one colour; else rows of 8 pixels, as the caller gave them
    int32_t tile_rows;
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
SeedStack& spare_seeds() {
    thread_local SeedStack spare;
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
          rows_(c.y1 - c.y0),
          waiting_(c.y0, rows_, c.x0, c.x1) {
        seeds_.swap(spare_seeds());
        seeds_.limit(seed_budget());
    }
    ~Fill() {
        seeds_.resize_down(0);
        if (seeds_.capacity() <= kSpareSeeds) seeds_.swap(spare_seeds());
    }
    Fill(const Fill&) = delete;
    Fill& operator=(const Fill&) = delete;

    // False when memory ran out: what is painted by then is a connected part
    // of the region, and its rows are marked changed.
    bool run(int32_t x, int32_t y) {
        if (!allocate()) return false;
        if (line(y)[x] == border_) return true;
        classify(y, holds_colour(y, c_.x0, c_.x1));
        push({y, x, x, 0, true, true});
        for (Seed waited; !failed_; push(waited)) {
            while (!seeds_.empty() && !failed_) {
                // Field by field: the seed was most often stored just now, and
                // a wider load than its stores would wait for them to retire.
                const Seed& top = seeds_.back();
                const Seed s{top.y, top.left, top.right, top.dy, top.open_left, top.open_right};
                seeds_.pop_back();
                if (kind(s.y) == kClean) grow_first<false>(clean_, s);
                else grow_first<true>(plain_, s);
            }
            if (failed_ || !waiting_.take(&waited)) break;
        }
        return !failed_;
    }

private:
    // How a row tells painted pixels: by colour where the fill colour was
    // nowhere in the row's view before the fill, else by a record of runs.
    enum Kind : uint8_t { kUnseen, kClean, kRecorded };

    Pixel* line(int32_t y) const { return reinterpret_cast<Pixel*>(c_.rows[y]); }
    Kind& kind(int32_t y) { return kind_[static_cast<size_t>(y - c_.y0)]; }

    // What the stack may take: the view's own size, less the most the rest
    // can come to (row kinds, records, waiting seeds, a row of the colour),
    // halved for the copy a growing stack makes.
    size_t seed_budget() const {
        const size_t rows = static_cast<size_t>(rows_), width = static_cast<size_t>(c_.x1 - c_.x0);
        const size_t bitmap = rows * ((width + 63) / 64) * sizeof(uint64_t);
        const size_t rest = 2 * bitmap + rows * (sizeof(Kind) + sizeof(Span) + sizeof(uint32_t)) + width * sizeof(Pixel);
        const size_t view = rows * width * sizeof(Pixel);
        return std::max<size_t>(view > rest ? (view - rest) / 2 / sizeof(Seed) : 0, 1024);
    }

    // The row kinds and the records, before anything is painted.
    bool allocate() {
        kind_.reset(new (std::nothrow) Kind[static_cast<size_t>(rows_)]());
        return kind_ && painted_.allocate(rows_, c_.x0, c_.x1);
    }

    // Whether the fill colour is in x0..x1-1 of row y.
    bool holds_colour(int32_t y, int32_t x0, int32_t x1) const {
        return x0 < x1 && Stops<Pixel>{colour_, colour_}.template find<false>(line(y), x0, x1 - 1) < x1;
    }

    // Called before anything is painted in row y; `colour` says whether the
    // fill colour is in the row's view.
    void classify(int32_t y, bool colour) {
        Kind& k = kind(y);
        k = paint_.tile || (colour && colour_ != border_) ? kRecorded : kClean;  // kClean when the colour is the border's
        if (k == kRecorded) painted_.start(y - c_.y0);
    }

    void push(Seed s) {
        if (!seeds_.push(s)) [[unlikely]]
            make_room(s);
    }
    // The stack is full: its older half waits as bits.
    [[gnu::noinline]] void make_room(Seed s) {
        const size_t older = (seeds_.size() + 1) / 2;
        for (size_t i = 0; i < older; ++i)
            if (!waiting_.add(seeds_[i])) {
                failed_ = true;
                return;
            }
        seeds_.drop_front(older);
        failed_ = !seeds_.push(s);
    }

    // Grows the first run of the seed's range that is not painted, the rest
    // of the range pushed back first. In a row with records, one pixel
    // tells whether its run is painted.
    template <bool kRecords>
    void grow_first(const Stops<Pixel>& stops, const Seed& s) {
        const Pixel* in = line(s.y);
        for (int32_t x = stops.template find<true>(in, s.left, s.right); x <= s.right;
             x = stops.template find<true>(in, x, s.right)) {
            const int32_t end = stops.template find<false>(in, x + 1, s.right) - 1;
            if (!kRecords || !painted_.at(s.y - c_.y0, x)) {
                if (end + 2 <= s.right) push({s.y, end + 2, s.right, s.dy, false, s.open_right});
                grow<kRecords>(stops, {s.y, x, end, s.dy, x == s.left && s.open_left, end == s.right && s.open_right});
                return;
            }
            x = end + 2;
        }
    }

    // Paints the run, out to the stops past its open ends, and pushes what
    // it borders.
    template <bool kRecords>
    void grow(const Stops<Pixel>& stops, const Seed& s) {
        const int32_t y = s.y;
        Pixel* const out = line(y);
        const int32_t l = s.open_left ? stops.find_back(out, s.left - 1, c_.x0) + 1 : s.left;
        const int32_t r = s.open_right ? stops.template find<false>(out, s.right + 1, c_.x1 - 1) - 1 : s.right;
        if (kRecords) painted_.add(y - c_.y0, Span{l, r});
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
            if (kind(y) == kRecorded) painted_.add(y - c_.y0, Span{l, r});
            paint(row, y, l, r);
        }
        return y;
    }

    // Pushes a seed for the runs of unpainted, non-border pixels of row y
    // within a..b: one seed for them all, so that the stack grows with the
    // scans still to finish rather than with the runs they hold. A row
    // scanned first is told its kind then; a wide scan looks for no colour
    // and gives the row records, where runs are long and records cost
    // little, and the search for one value makes half the compares of one
    // for two.
    void scan(int32_t y, int32_t a, int32_t b, int32_t dy) {
        if (y < c_.y0 || y >= c_.y1) return;
        if (kind(y) == kUnseen) {
            const bool wide = b - a >= kWide;
            classify(y, wide || (!paint_.tile && colour_ != border_ && holds_colour(y, c_.x0, c_.x1)));
        }
        push({y, a, b, static_cast<int8_t>(dy), true, true});
    }

    void paint(Pixel* out, int32_t y, int32_t l, int32_t r) {
        c_.mark(y);
        if (paint_.tile) {
            // Read as each row is painted: only the rows used are read, and
            // a copy has the alignment the caller's bytes may lack.
            Pixel pattern[8];
            std::memcpy(pattern, paint_.tile + static_cast<size_t>(y % paint_.tile_rows) * sizeof pattern, sizeof pattern);
            for (int32_t x = l; x <= r; ++x) out[x] = pattern[x & 7];
        } else if constexpr (sizeof(Pixel) == 1) {
            std::memset(out + l, colour_, static_cast<size_t>(r - l + 1));
        } else if (r - l < kShort || !solid()) {
            std::fill(out + l, out + r + 1, colour_);
        } else {
            std::memcpy(out + l, solid_.get(), static_cast<size_t>(r - l + 1) * sizeof(Pixel));
        }
    }

    // Long spans are copied from a row of the colour: the library copy
    // moves wider words than a loop of pixel stores.
    bool solid() {
        if (!solid_ && !no_solid_) {
            const size_t width = static_cast<size_t>(c_.x1 - c_.x0);
            solid_.reset(new (std::nothrow) Pixel[width]);
            if (solid_) std::fill(solid_.get(), solid_.get() + width, colour_);
            no_solid_ = !solid_;
        }
        return solid_ != nullptr;
    }

    static constexpr int32_t kShort = 64;
    static constexpr int32_t kWide = 256;
    const Canvas& c_;
    const Pixel border_, colour_;
    const Paint paint_;
    const Stops<Pixel> plain_, clean_;
    const int32_t rows_;
    std::unique_ptr<Kind[]> kind_;
    Painted painted_;
    SeedStack seeds_;
    Waiting waiting_;         // seeds the stack had no room for
    bool failed_ = false;     // memory ran out
    std::unique_ptr<Pixel[]> solid_;
    bool no_solid_ = false;
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
    bool done;
    switch (c.bytes_per_pixel) {
        case 1: done = Fill<uint8_t>(c, edge, paint).run(x0, y0); break;
        case 2: done = Fill<uint16_t>(c, edge, paint).run(x0, y0); break;
        default: done = Fill<uint32_t>(c, edge, paint).run(x0, y0); break;
    }
    return done ? 0 : set_last_error(1);
}

}  // namespace

}  // namespace pantalla::detail

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
    const Paint paint{0, static_cast<const uint8_t*>(tile), size / row_bytes};
    return fill_region(x, y, options, border, paint, 0, c);
}

