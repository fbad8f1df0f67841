// Images: creating, freeing, getting from the target and putting onto it.
//
// An image pointer from a program is checked against the images alive
// before anything is read through it, so a stale or foreign pointer is an
// error rather than a wild read; its sizes come from the runtime's record,
// since the header in front of the pixels is the program's to write.
#include <cmath>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "gfx/colours.h"
#include "gfx/draw.h"
#include "gfx/draw/draw_canvas.h"
#include "gfx/screen.h"
#include "runtime/context.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

// Each live image and the header it was made with.
std::unordered_map<const void*, ImageHeader> live_images;

constexpr int64_t kImageSideMax = 32768;
constexpr int64_t kImageBytesMax = int64_t{1} << 30;
constexpr std::align_val_t kRowAlign{16};

ImageHeader* image_alloc(int64_t width, int64_t height, int32_t bytes_per_pixel) {
    if (width < 1 || height < 1 || width > kImageSideMax || height > kImageSideMax) return nullptr;
    const int64_t pitch = (width * bytes_per_pixel + 15) / 16 * 16;
    const int64_t bytes = static_cast<int64_t>(sizeof(ImageHeader)) + pitch * height;
    if (bytes > kImageBytesMax) return nullptr;
    void* memory = ::operator new(static_cast<size_t>(bytes), kRowAlign, std::nothrow);
    if (!memory) return nullptr;
    ImageHeader* image = static_cast<ImageHeader*>(memory);
    *image = ImageHeader{kImageVersion, bytes_per_pixel, static_cast<int32_t>(width), static_cast<int32_t>(height),
                         static_cast<int32_t>(pitch), {0, 0, 0}};
    live_images.emplace(image, *image);
    return image;
}

uint8_t* image_row(const ImageHeader* image, int64_t y) {
    return image_pixels(image) + static_cast<size_t>(y) * image->pitch;
}

void image_clear(ImageHeader* image, uint32_t value) {
    for (int32_t y = 0; y < image->height; ++y) {
        uint8_t* row = image_row(image, y);
        for (int32_t x = 0; x < image->width; ++x)
            std::memcpy(row + static_cast<size_t>(x) * image->bytes_per_pixel, &value, image->bytes_per_pixel);
    }
}

uint32_t blend(uint32_t s, uint32_t d, uint32_t a) {
    uint32_t out = d & 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t sc = (s >> shift) & 255, dc = (d >> shift) & 255;
        out |= ((sc * a + dc * (255 - a) + 127) / 255) << shift;
    }
    return out;
}

template <class Pixel>
struct Lanes {
    typedef Pixel V __attribute__((vector_size(16)));
    static constexpr int64_t kCount = 16 / static_cast<int64_t>(sizeof(Pixel));
};

// Copies the pixels of `in` whose colour is not `key` onto `out`; true when
// any was. Whole vectors are chosen lane by lane with masks (one form for
// every processor's vectors), then the tail pixel by pixel.
template <class Pixel>
bool put_transparent(Pixel* out, const Pixel* in, int64_t count, Pixel key) {
    using V = typename Lanes<Pixel>::V;
    const Pixel colour_bits = static_cast<Pixel>(sizeof(Pixel) == 4 ? 0xFFFFFFu : ~0u);
    const V vkey = V{} + key, vbits = V{} + colour_bits;
    V shown{};
    int64_t i = 0;
    for (; i + Lanes<Pixel>::kCount <= count; i += Lanes<Pixel>::kCount) {
        V s, d;
        std::memcpy(&s, in + i, sizeof s);
        std::memcpy(&d, out + i, sizeof d);
        const V skip = reinterpret_cast<V>((s & vbits) == vkey);
        d = (d & skip) | (s & ~skip);
        std::memcpy(out + i, &d, sizeof d);
        shown |= ~skip;
    }
    uint64_t w[2];
    std::memcpy(w, &shown, sizeof w);
    bool any = (w[0] | w[1]) != 0;
    for (; i < count; ++i) {
        if (static_cast<Pixel>(in[i] & colour_bits) == key) continue;
        out[i] = in[i];
        any = true;
    }
    return any;
}

template <class Pixel>
bool put_row(Pixel* out, const Pixel* in, int64_t count, int32_t mode, int32_t alpha, uint32_t mask,
             uint32_t clear) {
    bool wrote = true;
    switch (mode) {
        case kPutCopy: std::memmove(out, in, static_cast<size_t>(count) * sizeof(Pixel)); break;
        case kPutInvert:
            for (int64_t i = 0; i < count; ++i) out[i] = static_cast<Pixel>(~in[i] & mask);
            break;
        case kPutAnd:
            for (int64_t i = 0; i < count; ++i) out[i] &= in[i];
            break;
        case kPutOr:
            for (int64_t i = 0; i < count; ++i) out[i] |= in[i];
            break;
        case kPutXor:
            for (int64_t i = 0; i < count; ++i) out[i] ^= in[i];
            break;
        case kPutTransparent:
            wrote = put_transparent(out, in, count, static_cast<Pixel>(clear));
            break;
        default:
            for (int64_t i = 0; i < count; ++i)
                out[i] = static_cast<Pixel>(blend(in[i], out[i], alpha < 0 ? uint32_t{in[i]} >> 24 : uint32_t(alpha)));
            break;
    }
    return wrote;
}

}  // namespace

const ImageHeader* image_record(const void* image) {
    const auto found = live_images.find(image);
    return found == live_images.end() ? nullptr : &found->second;
}

const ImageHeader* image_checked(const void* image) {
    const ImageHeader* made = image_record(image);
    if (!made) return nullptr;
    const ImageHeader* now = static_cast<const ImageHeader*>(image);
    const bool same = now->version == made->version && now->bytes_per_pixel == made->bytes_per_pixel &&
                      now->width == made->width && now->height == made->height && now->pitch == made->pitch;
    return same ? made : nullptr;
}

uint8_t* image_pixels(const ImageHeader* image) {
    return reinterpret_cast<uint8_t*>(const_cast<ImageHeader*>(image)) + sizeof(ImageHeader);
}

}  // namespace pantalla::detail

uint32_t image_transparent_pixel() {
    if (!screen || screen->bytes_per_pixel == 1) return 0;
    return screen->bytes_per_pixel == 2 ? 0xF81Fu : 0xFF00FFu;
}

ImageHeader* image_create(int32_t width, int32_t height, int64_t colour) {
    if (!screen) {
        set_last_error(1);
        return nullptr;
    }
    ImageHeader* image = image_alloc(width, height, screen->bytes_per_pixel);
    if (!image) {
        set_last_error(1);
        return nullptr;
    }
    image_clear(image, colour_argument(colour, screen->bg_colour));
    return image;
}

int32_t image_free(ImageHeader* image) {
    // A changed header does not matter here: nothing is read through it.
    if (!image_record(image)) return set_last_error(1);
    draw_target_drop(image);
    live_images.erase(image);
    ::operator delete(image, kRowAlign);
    return 0;
}

ImageHeader* image_get(double x1, double y1, double x2, double y2, uint32_t options) {
    DrawCall call;
    if (!call.ok()) return nullptr;
    const Canvas& c = call.canvas();
    double px, py, ax, ay, bx, by;
    pen_target(&px, &py);
    if (!place_point(c, x1, y1, options & kDrawStep, px, py, &ax, &ay) ||
        !place_point(c, x2, y2, options & kDrawStepEnd, ax, ay, &bx, &by)) {
        set_last_error(1);
        return nullptr;
    }
    const int64_t l = round_far(std::fmin(ax, bx)), r = round_far(std::fmax(ax, bx));
    const int64_t t = round_far(std::fmin(ay, by)), b = round_far(std::fmax(ay, by));
    ImageHeader* image = image_alloc(r - l + 1, b - t + 1, c.bytes_per_pixel);
    if (!image) {
        set_last_error(1);
        return nullptr;
    }
    image_clear(image, image_transparent_pixel());
    const int64_t from_x = l < c.x0 ? c.x0 : l, to_x = r >= c.x1 ? c.x1 - 1 : r;
    for (int64_t y = t < c.y0 ? c.y0 : t; y <= b && y < c.y1 && from_x <= to_x; ++y)
        std::memcpy(image_row(image, y - t) + (from_x - l) * c.bytes_per_pixel,
                    c.rows[y] + from_x * c.bytes_per_pixel, static_cast<size_t>(to_x - from_x + 1) * c.bytes_per_pixel);
    return image;
}

int32_t image_put(double x, double y, const ImageHeader* image, int32_t mode, int32_t alpha, uint32_t options) {
    DrawCall call;
    if (!call.ok()) return 1;
    const Canvas& c = call.canvas();
    const ImageHeader* made = image_checked(image);
    if (!made || made->bytes_per_pixel != c.bytes_per_pixel || mode < kPutCopy || mode > kPutAlpha ||
        (mode == kPutAlpha && (c.bytes_per_pixel != 4 || alpha > 255)))
        return set_last_error(1);
    double px, py, tx, ty;
    pen_target(&px, &py);
    if (!place_point(c, x, y, options & kDrawStep, px, py, &tx, &ty)) return set_last_error(1);
    const int64_t l = round_far(tx), t = round_far(ty);
    const int64_t from_x = l < c.x0 ? c.x0 : l, to_x = l + made->width > c.x1 ? c.x1 : l + made->width;
    const int64_t from_y = t < c.y0 ? c.y0 : t, to_y = t + made->height > c.y1 ? c.y1 : t + made->height;
    if (from_x >= to_x || from_y >= to_y) return 0;
    // An image put onto itself reads a copy of itself.
    std::vector<uint8_t> copy;
    const uint8_t* source = image_pixels(image);
    if (screen->target_image == image) {
        copy.assign(source, source + static_cast<size_t>(made->pitch) * made->height);
        source = copy.data();
    }
    const int32_t bpp = c.bytes_per_pixel;
    const uint32_t clear = image_transparent_pixel();
    for (int64_t y = from_y; y < to_y; ++y) {
        uint8_t* out = c.rows[y] + from_x * bpp;
        const uint8_t* in = source + static_cast<size_t>(y - t) * made->pitch + (from_x - l) * bpp;
        const int64_t n = to_x - from_x;
        bool wrote;
        if (bpp == 1)
            wrote = put_row(out, in, n, mode, alpha, c.colour_mask, clear);
        else if (bpp == 2)
            wrote = put_row(reinterpret_cast<uint16_t*>(out), reinterpret_cast<const uint16_t*>(in), n, mode, alpha,
                            c.colour_mask, clear);
        else
            wrote = put_row(reinterpret_cast<uint32_t*>(out), reinterpret_cast<const uint32_t*>(in), n, mode, alpha,
                            c.colour_mask, clear);
        if (wrote) c.mark(y);
    }
    pen_move(tx, ty);
    return 0;
}

