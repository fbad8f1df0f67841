#include "gfx/pixels.h"

#include <cstring>

#include "gfx/screen.h"

namespace pantalla::detail {

PixelRoutines pixel_routines;

void row_fill_plain(uint8_t* destination, uint8_t byte, size_t count) {
    for (size_t i = 0; i < count; ++i) destination[i] = byte;
}
void row_copy_plain(uint8_t* destination, const uint8_t* source, size_t count) {
    for (size_t i = 0; i < count; ++i) destination[i] = source[i];
}
void row_fill_fast(uint8_t* destination, uint8_t byte, size_t count) { std::memset(destination, byte, count); }
void row_copy_fast(uint8_t* destination, const uint8_t* source, size_t count) {
    std::memmove(destination, source, count);
}

namespace {

template <class Pixel>
void put(int32_t x, int32_t y, uint32_t value) {
    Pixel p = static_cast<Pixel>(value);
    std::memcpy(screen->rows[y] + static_cast<size_t>(x) * sizeof(Pixel), &p, sizeof p);
}

template <class Pixel>
uint32_t get(int32_t x, int32_t y) {
    Pixel p;
    std::memcpy(&p, screen->rows[y] + static_cast<size_t>(x) * sizeof(Pixel), sizeof p);
    return p;
}

void fill8(uint8_t* destination, uint32_t value, int32_t count) {
    pixel_routines.row_fill(destination, static_cast<uint8_t>(value), static_cast<size_t>(count));
}

template <class Pixel>
void fill(uint8_t* destination, uint32_t value, int32_t count) {
    const Pixel p = static_cast<Pixel>(value);
    for (int32_t i = 0; i < count; ++i) std::memcpy(destination + static_cast<size_t>(i) * sizeof p, &p, sizeof p);
}

template <class Pixel>
void copy(uint8_t* destination, const uint8_t* source, int32_t count) {
    pixel_routines.row_copy(destination, source, static_cast<size_t>(count) * sizeof(Pixel));
}

}  // namespace

void pixel_routines_choose() {
    if (cpu_features() & kCpuMmx) {
        screen->flags |= kScreenMmx;
        pixel_routines.row_fill = row_fill_fast;
        pixel_routines.row_copy = row_copy_fast;
    } else {
        pixel_routines.row_fill = row_fill_plain;
        pixel_routines.row_copy = row_copy_plain;
    }
    if (screen->depth <= 8) {
        pixel_routines.pixel_put = put<uint8_t>;
        pixel_routines.pixel_get = get<uint8_t>;
        pixel_routines.pixels_fill = fill8;
        pixel_routines.pixels_copy = copy<uint8_t>;
    } else if (screen->depth <= 16) {
        pixel_routines.pixel_put = put<uint16_t>;
        pixel_routines.pixel_get = get<uint16_t>;
        pixel_routines.pixels_fill = fill<uint16_t>;
        pixel_routines.pixels_copy = copy<uint16_t>;
    } else {
        pixel_routines.pixel_put = put<uint32_t>;
        pixel_routines.pixel_get = get<uint32_t>;
        pixel_routines.pixels_fill = fill<uint32_t>;
        pixel_routines.pixels_copy = copy<uint32_t>;
    }
}

}  // namespace pantalla::detail
