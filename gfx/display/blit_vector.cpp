#include "gfx/display/blit_vector.h"

#include "gfx/display/blit_pixel.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace pantalla::detail {

#if defined(__SSE2__)

namespace {

// Eight 5-6-5 pixels into eight 8-8-8 ones: the same shifts as the lookup
// table, eight lanes at a time; the tail goes through the table.
template <bool RedLow>
void rgb565_to_32(const Blitter& b, const uint8_t* src, uint8_t* dst, int32_t width) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i red = _mm_set1_epi32(0xF800);
    const __m128i green = _mm_set1_epi32(0x07E0);
    const __m128i blue = _mm_set1_epi32(0x001F);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * x));
        const __m128i halves[2] = {_mm_unpacklo_epi16(p, zero), _mm_unpackhi_epi16(p, zero)};
        for (int h = 0; h < 2; ++h) {
            const __m128i q = halves[h];
            const __m128i g = _mm_slli_epi32(_mm_and_si128(q, green), 5);
            __m128i r, bl;
            if constexpr (RedLow) {
                r = _mm_srli_epi32(_mm_and_si128(q, red), 8);
                bl = _mm_slli_epi32(_mm_and_si128(q, blue), 19);
            } else {
                r = _mm_slli_epi32(_mm_and_si128(q, red), 8);
                bl = _mm_slli_epi32(_mm_and_si128(q, blue), 3);
            }
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 4 * (x + 4 * h)),
                             _mm_or_si128(_mm_or_si128(r, g), bl));
        }
    }
    for (; x < width; ++x)
        blit::store<4>(dst + 4 * x, b.lut[src[2 * x]] | b.lut[256 + src[2 * x + 1]]);
}

// 5-6-5 to 5-5-5 with red high: green loses its lowest bit.
void rgb565_to_555(const Blitter& b, const uint8_t* src, uint8_t* dst, int32_t width) {
    const __m128i high = _mm_set1_epi16(0x7FE0);
    const __m128i blue = _mm_set1_epi16(0x001F);
    int32_t x = 0;
    for (; x + 8 <= width; x += 8) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 2 * x));
        const __m128i q = _mm_or_si128(_mm_and_si128(_mm_srli_epi16(p, 1), high), _mm_and_si128(p, blue));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 2 * x), q);
    }
    for (; x < width; ++x)
        blit::store<2>(dst + 2 * x, b.lut[src[2 * x]] | b.lut[256 + src[2 * x + 1]]);
}

}  // namespace

RowConverter blit_vector_converter(int32_t dst_depth, bool red_low) {
    if (dst_depth == 32) return red_low ? rgb565_to_32<true> : rgb565_to_32<false>;
    if (dst_depth == 15 && !red_low) return rgb565_to_555;
    return nullptr;
}

#else

RowConverter blit_vector_converter(int32_t, bool) { return nullptr; }

#endif

}  // namespace pantalla::detail
