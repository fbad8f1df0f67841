#include "gfx/display/blit.h"

#include <cstddef>
#include <cstring>

#include "gfx/display/blit_pixel.h"
#include "gfx/display/blit_vector.h"

namespace pantalla::detail {

using namespace blit;

namespace {

template <int Bytes>
void copy_row(const Blitter&, const uint8_t* src, uint8_t* dst, int32_t width) {
    std::memcpy(dst, src, static_cast<size_t>(width) * Bytes);
}

template <int DstBytes>
void palette_row(const Blitter& b, const uint8_t* src, uint8_t* dst, int32_t width) {
    for (int32_t x = 0; x < width; ++x) store<DstBytes>(dst + x * DstBytes, b.palette[src[x]]);
}

template <int DstBytes>
void lut16_row(const Blitter& b, const uint8_t* src, uint8_t* dst, int32_t width) {
    for (int32_t x = 0; x < width; ++x)
        store<DstBytes>(dst + x * DstBytes, b.lut[src[2 * x]] | b.lut[256 + src[2 * x + 1]]);
}

template <int DstDepth, bool RedLow>
void rgb32_row(const Blitter&, const uint8_t* src, uint8_t* dst, int32_t width) {
    constexpr int bytes = DstDepth == 24 ? 3 : DstDepth == 32 ? 4 : 2;
    for (int32_t x = 0; x < width; ++x)
        store<bytes>(dst + x * bytes, to_display(from_888(load<4>(src + 4 * x)), DstDepth, RedLow));
}

int src_index(int32_t depth) { return depth == 8 ? 0 : depth == 16 ? 1 : depth == 32 ? 2 : -1; }
int dst_index(int32_t depth) {
    switch (depth) {
        case 8: return 0;
        case 15: return 1;
        case 16: return 2;
        case 24: return 3;
        case 32: return 4;
        default: return -1;
    }
}

// [source][destination][red low]; null where unsupported.
const RowConverter converters[3][5][2] = {
    {
        {copy_row<1>, copy_row<1>},
        {palette_row<2>, palette_row<2>},
        {palette_row<2>, palette_row<2>},
        {palette_row<3>, palette_row<3>},
        {palette_row<4>, palette_row<4>},
    },
    {
        {nullptr, nullptr},
        {lut16_row<2>, lut16_row<2>},
        {lut16_row<2>, lut16_row<2>},
        {lut16_row<3>, lut16_row<3>},
        {lut16_row<4>, lut16_row<4>},
    },
    {
        {nullptr, nullptr},
        {rgb32_row<15, false>, rgb32_row<15, true>},
        {rgb32_row<16, false>, rgb32_row<16, true>},
        {rgb32_row<24, false>, rgb32_row<24, true>},
        {rgb32_row<32, false>, rgb32_row<32, true>},
    },
};

}  // namespace

bool blitter_choose(Blitter* b, int32_t src_depth, int32_t dst_depth, bool red_low, bool vector) {
    const int s = src_index(src_depth);
    const int d = dst_index(dst_depth);
    if (s < 0 || d < 0 || !converters[s][d][red_low]) return false;
    b->convert = converters[s][d][red_low];
    b->src_depth = src_depth;
    b->dst_depth = dst_depth;
    b->dst_bytes = display_bytes(dst_depth);
    b->red_low = red_low;
    b->vector = false;
    // Each output bit comes from one input bit, so the two bytes of a
    // pixel convert separately and combine with OR.
    for (uint32_t v = 0; v < 256; ++v) {
        b->lut[v] = to_display(from_565(v), dst_depth, red_low);
        b->lut[256 + v] = to_display(from_565(v << 8), dst_depth, red_low);
    }
    std::memset(b->palette, 0, sizeof b->palette);
    if (vector && src_depth == 16) {
        if (RowConverter fast = blit_vector_converter(dst_depth, red_low)) {
            b->convert = fast;
            b->vector = true;
        }
    }
    return true;
}

void blitter_set_palette(Blitter* b, const uint32_t* palette) {
    if (b->dst_depth == 8) return;
    for (int i = 0; i < 256; ++i) b->palette[i] = to_display(from_palette(palette[i]), b->dst_depth, b->red_low);
}

bool blit_dirty_rows(const Blitter& b, const BlitSource& src, uint8_t* dst, int32_t dst_pitch,
                     int32_t* first, int32_t* end) {
    int32_t top = 0;
    while (top < src.height && !src.dirty[top]) ++top;
    if (top == src.height) return false;
    int32_t bottom = src.height - 1;
    while (!src.dirty[bottom]) --bottom;
    const size_t row_bytes = static_cast<size_t>(src.width) * b.dst_bytes;
    for (int32_t y = top; y <= bottom; ++y) {
        if (!src.dirty[y]) continue;
        uint8_t* out = dst + static_cast<ptrdiff_t>(y) * src.scale * dst_pitch;
        b.convert(b, src.pixels + static_cast<ptrdiff_t>(y) * src.pitch, out, src.width);
        for (int32_t r = 1; r < src.scale; ++r) std::memcpy(out + r * dst_pitch, out, row_bytes);
    }
    *first = top * src.scale;
    *end = (bottom + 1) * src.scale;
    return true;
}

void blit_enlarge_rows(const uint8_t* src, int32_t src_pitch, int32_t bytes_per_pixel, int32_t width,
                       int32_t first, int32_t end, uint8_t* dst, int32_t dst_pitch, int32_t zoom) {
    const size_t out_bytes = static_cast<size_t>(width) * zoom * bytes_per_pixel;
    for (int32_t y = first; y < end; ++y) {
        const uint8_t* in = src + static_cast<ptrdiff_t>(y) * src_pitch;
        uint8_t* out = dst + static_cast<ptrdiff_t>(y) * zoom * dst_pitch;
        uint8_t* o = out;
        for (int32_t x = 0; x < width; ++x, in += bytes_per_pixel)
            for (int32_t k = 0; k < zoom; ++k, o += bytes_per_pixel) std::memcpy(o, in, bytes_per_pixel);
        for (int32_t k = 1; k < zoom; ++k) std::memcpy(out + k * dst_pitch, out, out_bytes);
    }
}

}  // namespace pantalla::detail
