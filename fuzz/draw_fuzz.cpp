// The drawing calls in the order and with the arguments the input chooses,
// on a small "Null" screen of 8, 16 or 32 bits or into images whose headers
// the input may rewrite. Every call must keep to its target: a refused call
// changes no pixel, and a drawing call none outside the view. Every flood
// fill is held against a plain breadth-first fill of a copy taken before it.
#include <fuzzer/FuzzedDataProvider.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <vector>

#include "gfx/colours.h"
#include "gfx/display/display_driver.h"
#include "gfx/draw.h"
#include "gfx/screen.h"

using namespace pantalla::detail;

namespace {

constexpr int kSlots = 4;

// The pixel of a target coordinate: halves round up. Beyond any page the
// value only has to stay outside it.
int64_t pixel_of(double v) {
    v = std::fmax(-1e15, std::fmin(v, 1e15));
    const double f = std::floor(v);
    return static_cast<int64_t>(f) + (v - f >= 0.5);
}

// The pixels drawing goes to, and a copy of them.
struct Target {
    uint8_t* base;
    int32_t pitch, width, height, bpp;
    int32_t x0, y0, x1, y1;  // the view, ends exclusive
    std::vector<uint8_t> before;

    // `image`: the target image's header as it was made, or null.
    static Target now(const ImageHeader* image) {
        Target t;
        if (image) {
            t = {screen->rows[0], image->pitch, image->width, image->height, image->bytes_per_pixel,
                 0, 0, image->width, image->height, {}};
        } else {
            t = {screen->rows[0], screen->pitch, screen->width, screen->height, screen->bytes_per_pixel,
                 screen->clip_x, screen->clip_y, screen->clip_x + screen->clip_w, screen->clip_y + screen->clip_h, {}};
        }
        t.before.assign(t.base, t.base + static_cast<size_t>(t.pitch) * t.height);
        return t;
    }
    static uint32_t load(const uint8_t* pixels, int32_t pitch, int32_t bpp, int64_t x, int64_t y) {
        uint32_t v = 0;
        std::memcpy(&v, pixels + y * pitch + x * bpp, static_cast<size_t>(bpp));
        return v;
    }
    bool inside(int64_t x, int64_t y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
    bool unchanged() const { return std::memcmp(base, before.data(), before.size()) == 0; }
    bool unchanged_outside_view() const {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                if (!inside(x, y) && load(base, pitch, bpp, x, y) != load(before.data(), pitch, bpp, x, y))
                    return false;
        return true;
    }

    // The picture a fill from the pen's pixel should leave: the 4-connected
    // pixels of the view that were not `border` before, in paint(x, y).
    template <class Paint>
    std::vector<uint8_t> filled(uint32_t border, Paint paint) const {
        std::vector<uint8_t> out = before;
        const int64_t sx = pixel_of(screen->pen_x), sy = pixel_of(screen->pen_y);
        const uint32_t mask = bpp == 4 ? ~0u : (1u << (8 * bpp)) - 1;
        border &= mask;
        std::vector<bool> seen(static_cast<size_t>(width) * height);
        std::vector<std::pair<int64_t, int64_t>> queue;
        const auto visit = [&](int64_t x, int64_t y) {
            if (!inside(x, y) || seen[y * width + x] || load(before.data(), pitch, bpp, x, y) == border) return;
            seen[y * width + x] = true;
            queue.emplace_back(x, y);
        };
        visit(sx, sy);
        for (size_t i = 0; i < queue.size(); ++i) {
            const auto [x, y] = queue[i];
            const uint32_t value = paint(x, y);
            std::memcpy(out.data() + y * pitch + x * bpp, &value, static_cast<size_t>(bpp));
            visit(x - 1, y);
            visit(x + 1, y);
            visit(x, y - 1);
            visit(x, y + 1);
        }
        return out;
    }
    bool equals(const std::vector<uint8_t>& expected) const {
        return std::memcmp(base, expected.data(), expected.size()) == 0;
    }
};

void require(bool ok) {
    if (!ok) std::abort();
}

class Session {
public:
    explicit Session(FuzzedDataProvider& in) : in_(in) {}
    ~Session() {
        for (const Held& held : images_) require(image_free(held.image) == 0);
        screen_open(0, 0, 0, 0, 0);
    }

    void open() {
        static constexpr int32_t kDepths[] = {8, 15, 16, 24, 32};
        screen_open_size(in_.ConsumeIntegralInRange(8, 64), in_.ConsumeIntegralInRange(8, 48),
                         in_.PickValueInArray(kDepths), in_.ConsumeIntegralInRange(1, 2), kOpenNullDriver, 0);
        require(screen != nullptr);
    }

    // One call; false when the input is used up.
    bool step() {
        if (in_.remaining_bytes() == 0) return false;
        const ImageHeader* made = target_made();
        Target t = Target::now(made);
        // Drawing into an image whose header was changed is refused.
        const bool refused = made && std::memcmp(made, screen->target_image, 5 * sizeof(int32_t)) != 0;
        const int op = in_.ConsumeIntegralInRange(0, 14);
        const bool draws = op == 2 || op == 3 || (op >= 5 && op <= 8) || op == 11;
        int32_t rc = 0;
        bool clipped = true;  // draws nothing outside the view
        switch (op) {
            case 0: {
                const DrawBox box = small_box();
                const DrawBox* to = in_.ConsumeBool() ? &box : nullptr;
                rc = view_set(to, colour(), colour(), in_.ConsumeBool() ? kViewAbsolute : 0);
                clipped = false;
                break;
            }
            case 1: {
                const DrawBox box = in_.ConsumeBool() ? small_box() : far_box();
                rc = window_set(in_.ConsumeBool() ? &box : nullptr, in_.ConsumeBool() ? kWindowYDown : 0);
                break;
            }
            case 2: rc = point_set(coord(), coord(), colour(), steps(kDrawStep)); break;
            case 3: rc = point_clear(coord(), coord(), colour(), steps(kDrawStep)); break;
            case 4: point_get(coord(), coord(), steps(kDrawStep)); break;
            case 5: {
                const uint32_t options = steps(kDrawStep | kDrawStepEnd | kDrawFromPen) |
                                         (in_.ConsumeIntegral<uint32_t>() & (kDrawBox | kDrawFilled));
                rc = line_draw(coord(), coord(), coord(), coord(), colour(), options, in_.ConsumeIntegral<int32_t>());
                break;
            }
            case 6: {
                const uint32_t options =
                    steps(kDrawStep) | (in_.ConsumeIntegral<uint32_t>() & (kDrawFilled | kDrawArc | kDrawAspect));
                rc = ellipse_draw(coord(), coord(), coord(), colour(), angle(), angle(), aspect(), options);
                break;
            }
            case 7: rc = fill(t); break;
            case 8: rc = fill_tile(t); break;
            case 9: {
                const int32_t width = in_.ConsumeIntegralInRange(-2, 40), height = in_.ConsumeIntegralInRange(-2, 40);
                keep(image_create(width, height, colour()));
                break;
            }
            case 10: image_get_small(); break;
            case 11: rc = image_put(coord(), coord(), image(), in_.ConsumeIntegralInRange(-1, 7),
                                    in_.ConsumeIntegralInRange(-2, 300), steps(kDrawStep));
                break;
            case 12: {
                const size_t slot = in_.ConsumeIntegralInRange<size_t>(0, kSlots - 1);
                if (slot >= images_.size()) return true;
                require(image_free(images_[slot].image) == 0);
                images_.erase(images_.begin() + static_cast<std::ptrdiff_t>(slot));
                return true;  // the target may be gone
            }
            case 13: rewrite_header(); break;
            default: {
                const void* page = screen->pages[screen->work_page];
                const void* to = in_.ConsumeBool() ? page : image();
                rc = draw_target(to);
                break;
            }
        }
        require(rc == 0 || rc == 1);
        require(!(draws && refused) || rc == 1);
        require(rc == 0 ? !clipped || t.unchanged_outside_view() : t.unchanged());
        return true;
    }

private:
    // The fills check their result against the reference when they drew.
    int32_t fill(const Target& t) {
        const int64_t c = colour(), b = colour();
        const int32_t rc = flood_fill(coord(), coord(), c, b, steps(kDrawStep));
        if (rc != 0) return rc;
        const uint32_t value = c < 0 ? screen->fg_colour : colour_to_pixel(static_cast<uint32_t>(c));
        const uint32_t border = b < 0 ? value : colour_to_pixel(static_cast<uint32_t>(b));
        require(t.equals(t.filled(border, [&](int64_t, int64_t) { return value; })));
        return rc;
    }

    int32_t fill_tile(const Target& t) {
        // A heap block of exactly the size given, so a read past it is
        // caught. Its bytes come from a seed, so that few input bytes make
        // a tile of many rows; small ones often meet the border's.
        const size_t size = in_.ConsumeIntegralInRange<size_t>(0, 8 * 4 * 9);
        std::vector<uint8_t> tile(size);
        uint32_t seed = in_.ConsumeIntegral<uint32_t>();
        const uint8_t bits = seed & 1 ? 3 : 255;
        for (uint8_t& byte : tile) {
            seed = seed * 1664525 + 1013904223;
            byte = static_cast<uint8_t>(seed >> 24) & bits;
        }
        const int64_t b = colour();
        const void* pattern = size ? tile.data() : nullptr;
        const int32_t rc = flood_fill_tile(coord(), coord(), pattern, static_cast<int32_t>(size), b, steps(kDrawStep));
        if (rc != 0) return rc;
        const int64_t row = 8 * t.bpp, rows = static_cast<int64_t>(size) / row;
        const auto paint = [&](int64_t x, int64_t y) {
            uint32_t v = 0;
            std::memcpy(&v, tile.data() + (y % rows) * row + (x & 7) * t.bpp, static_cast<size_t>(t.bpp));
            return v;
        };
        require(t.equals(t.filled(colour_to_pixel(static_cast<uint32_t>(b)), paint)));
        return rc;
    }

    // The corners in view pixels, so the image stays small with any window.
    void image_get_small() {
        const double x1 = world(small(), kViewToWorldX), y1 = world(small(), kViewToWorldY);
        const double x2 = world(small(), kViewToWorldX), y2 = world(small(), kViewToWorldY);
        keep(image_get(x1, y1, x2, y2, 0));
    }
    static double world(double view, int32_t direction) { return point_convert(view, direction); }

    // A header field of the target image, else of any image, written as a
    // program may, or put back.
    void rewrite_header() {
        const size_t slot = in_.ConsumeIntegralInRange<size_t>(0, kSlots - 1);
        const Held* held = slot < images_.size() ? &images_[slot] : nullptr;
        for (const Held& h : images_)
            if ((screen->flags & kScreenToImage) && h.image == screen->target_image) held = &h;
        if (!held) return;
        const size_t at = sizeof(int32_t) * in_.ConsumeIntegralInRange<size_t>(0, 4);
        int32_t value;
        std::memcpy(&value, reinterpret_cast<const uint8_t*>(&held->made) + at, sizeof value);
        if (in_.ConsumeBool()) value += in_.ConsumeBool() ? 1 : -(1 << 30);
        std::memcpy(reinterpret_cast<uint8_t*>(held->image) + at, &value, sizeof value);
    }

    const ImageHeader* target_made() const {
        if (!(screen->flags & kScreenToImage)) return nullptr;
        for (const Held& held : images_)
            if (held.image == screen->target_image) return &held.made;
        std::abort();  // a target that is no live image
    }

    void keep(ImageHeader* image) {
        if (!image) return;
        if (images_.size() == kSlots) {
            require(image_free(images_.front().image) == 0);
            images_.erase(images_.begin());
        }
        images_.push_back({image, *image});
    }
    // A live image, or a pointer that is none: every call must refuse it.
    const ImageHeader* image() {
        const size_t slot = in_.ConsumeIntegralInRange<size_t>(0, kSlots);
        return slot < images_.size() ? images_[slot].image : &fake_;
    }

    double small() { return in_.ConsumeIntegralInRange(-32, 288) / 4.0; }
    DrawBox small_box() { return {small(), small(), small(), small()}; }
    // A window far from zero or of a tiny or huge extent.
    DrawBox far_box() {
        const double at = far(), size = std::ldexp(1.0, in_.ConsumeIntegralInRange(-40, 40));
        return {at + small() * size, at + small() * size, at + small() * size, at + small() * size};
    }
    double far() { return std::ldexp(in_.ConsumeFloatingPointInRange(-1.0, 1.0), in_.ConsumeIntegralInRange(0, 1023)); }
    double coord() {
        switch (in_.ConsumeIntegralInRange(0, 15)) {
            case 0: return far();
            case 1: return in_.ConsumeBool() ? NAN : -INFINITY;
            case 2: return std::ldexp(in_.ConsumeIntegralInRange(-2, 2), in_.ConsumeIntegralInRange(0, 1023));
            default: return small();
        }
    }
    double angle() {
        if (in_.ConsumeIntegralInRange(0, 15) == 0) return in_.ConsumeFloatingPoint<double>();
        return in_.ConsumeFloatingPointInRange(-7.0, 7.0);
    }
    double aspect() {
        static constexpr double kAspects[] = {0, 1e-9, 0.5, 1, 2, 1e9, -1, NAN};
        return in_.ConsumeBool() ? in_.PickValueInArray(kAspects) : in_.ConsumeFloatingPointInRange(0.0, 8.0);
    }
    int64_t colour() {
        switch (in_.ConsumeIntegralInRange(0, 3)) {
            case 0: return -1;
            case 1: return in_.ConsumeIntegral<uint32_t>();
            default: return in_.ConsumeIntegralInRange(0, 15);
        }
    }
    uint32_t steps(uint32_t options) { return in_.ConsumeIntegral<uint32_t>() & options; }

    struct Held {
        ImageHeader* image;
        ImageHeader made;
    };
    FuzzedDataProvider& in_;
    std::vector<Held> images_;
    ImageHeader fake_{kImageVersion, 1, 1, 1, 16, {}};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    null_driver_read_console(false);
    Session session(in);
    session.open();
    for (int calls = 0; calls < 200 && session.step(); ++calls) {
        // A screen of another size or depth now and then, the images kept.
        if (in.ConsumeIntegralInRange(0, 31) == 0) session.open();
    }
    return 0;
}
