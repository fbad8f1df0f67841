// Searches along a row of pixels for the first one that equals one of two
// values, or that equals neither: where a flood fill spends its time. The
// search is chosen once for the processor.
#pragma once

#include <cstdint>

namespace pantalla::detail {

template <class Pixel>
struct PixelSearch {
    // The index of the first of p[0..n) equal to a or b, or n.
    int32_t (*first_of)(const Pixel* p, int32_t n, Pixel a, Pixel b);
    // The index of the first of p[0..n) equal to neither a nor b, or n.
    int32_t (*first_not_of)(const Pixel* p, int32_t n, Pixel a, Pixel b);
    // The index of the last of p[0..n) equal to a or b, or -1.
    int32_t (*last_of)(const Pixel* p, int32_t n, Pixel a, Pixel b);
};

// The widest search this processor runs: 32-byte vectors where x86 has
// AVX2, else 16-byte ones.
template <class Pixel>
const PixelSearch<Pixel>& pixel_search();

// Every search this build has for this processor, the widest first; the
// tests hold each one against the others.
template <class Pixel>
int32_t pixel_searches(const PixelSearch<Pixel>** out, int32_t room);

}  // namespace pantalla::detail
