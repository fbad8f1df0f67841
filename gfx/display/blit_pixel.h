// Per-pixel conversion steps shared by the row converters.
#pragma once

#include <cstdint>
#include <cstring>

namespace pantalla::detail {

namespace blit {

struct Rgb {
    uint32_t r, g, b;  // 8-bit components
};

// Widening without filling the low bits.
inline Rgb from_565(uint32_t p) { return {(p >> 11 & 0x1F) << 3, (p >> 5 & 0x3F) << 2, (p & 0x1F) << 3}; }
inline Rgb from_888(uint32_t p) { return {p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF}; }
// A palette entry: red in the low byte.
inline Rgb from_palette(uint32_t e) { return {e & 0xFF, e >> 8 & 0xFF, e >> 16 & 0xFF}; }

// Narrowing by dropping low bits; red_low swaps red and blue.
inline uint32_t to_display(Rgb c, int32_t dst_depth, bool red_low) {
    const uint32_t hi = red_low ? c.b : c.r;
    const uint32_t lo = red_low ? c.r : c.b;
    switch (dst_depth) {
        case 15: return (hi >> 3) << 10 | (c.g >> 3) << 5 | lo >> 3;
        case 16: return (hi >> 3) << 11 | (c.g >> 2) << 5 | lo >> 3;
        default: return hi << 16 | c.g << 8 | lo;
    }
}

template <int Bytes>
inline uint32_t load(const uint8_t* p) {
    if constexpr (Bytes == 1) {
        return *p;
    } else if constexpr (Bytes == 2) {
        uint16_t v;
        std::memcpy(&v, p, 2);
        return v;
    } else {
        uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
}

template <int Bytes>
inline void store(uint8_t* p, uint32_t v) {
    if constexpr (Bytes == 1) {
        *p = static_cast<uint8_t>(v);
    } else if constexpr (Bytes == 2) {
        const uint16_t w = static_cast<uint16_t>(v);
        std::memcpy(p, &w, 2);
    } else if constexpr (Bytes == 3) {
        p[0] = static_cast<uint8_t>(v);
        p[1] = static_cast<uint8_t>(v >> 8);
        p[2] = static_cast<uint8_t>(v >> 16);
    } else {
        std::memcpy(p, &v, 4);
    }
}

inline int32_t display_bytes(int32_t dst_depth) {
    return dst_depth == 8 ? 1 : dst_depth <= 16 ? 2 : dst_depth == 24 ? 3 : 4;
}

}  // namespace blit

}  // namespace pantalla::detail
