// Pixel conversion from the framebuffer to a display's format.
//
// Three layers: blit_dirty_rows walks the dirty framebuffer rows, a row
// converter chosen once by blitter_choose converts one row, and inline
// per-pixel functions (blit_pixel.h) do the arithmetic.
//
// Components are narrowed by dropping low bits and widened by shifting
// left without filling, so 16-bit white 0xFFFF becomes 0xF8FCF8 at 32 bits
// and 0x7FFF at 15 bits. Destination depths: 8 (only from an 8-bit
// source, copied), 15, 16 (two bytes per pixel), 24 (three bytes) and 32.
#pragma once

#include <cstdint>

namespace pantalla::detail {

struct Blitter;
using RowConverter = void (*)(const Blitter& b, const uint8_t* src, uint8_t* dst, int32_t width);

struct Blitter {
    RowConverter convert;
    int32_t src_depth;   // 8, 16 or 32
    int32_t dst_depth;   // 8, 15, 16, 24 or 32
    int32_t dst_bytes;   // bytes per destination pixel
    bool red_low;        // the display keeps red in the low bits
    bool vector;         // a vectorised converter was taken
    // 16-bit source: destination pixel = lut[low byte] | lut[256 + high byte].
    uint32_t lut[512];
    // 8-bit source: each palette entry as a destination pixel.
    uint32_t palette[256];
};

// Picks the converter for the combination and builds its tables; false
// when the combination is not supported (a deeper source on an 8-bit
// display). `vector` allows a vectorised converter with equal results.
bool blitter_choose(Blitter* b, int32_t src_depth, int32_t dst_depth, bool red_low, bool vector);

// Takes a palette of red | green << 8 | blue << 16 entries for 8-bit
// sources; other sources ignore it.
void blitter_set_palette(Blitter* b, const uint32_t* palette);

// The framebuffer side of a conversion.
struct BlitSource {
    const uint8_t* pixels;  // the visible page
    int32_t pitch;
    int32_t width;
    int32_t height;         // framebuffer rows
    int32_t scale;          // displayed rows per framebuffer row
    const uint8_t* dirty;   // one mark per framebuffer row
};

// Converts the marked rows: displayed row y shows framebuffer row
// y / scale. Returns false when nothing is marked; otherwise the displayed
// rows from *first up to *end (exclusive) span everything converted.
// Leaves the marks alone.
bool blit_dirty_rows(const Blitter& b, const BlitSource& src, uint8_t* dst, int32_t dst_pitch,
                     int32_t* first, int32_t* end);

// Enlarges displayed rows first..end-1 of a converted image by a whole
// factor into a larger one: every pixel becomes a zoom x zoom square.
void blit_enlarge_rows(const uint8_t* src, int32_t src_pitch, int32_t bytes_per_pixel, int32_t width,
                       int32_t first, int32_t end, uint8_t* dst, int32_t dst_pitch, int32_t zoom);

}  // namespace pantalla::detail
