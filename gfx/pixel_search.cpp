// Vector searches of pixel rows. The lanes are compared with the compiler's
// vector types, one form for SSE2, AVX2, NEON and WebAssembly SIMD; x86
// gathers the lanes' answers in one instruction, the others test the vector
// whole and then look at its pixels.
#include "gfx/pixel_search.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PIXEL_SEARCH_X86 1
#endif

namespace {

constexpr int32_t kBlock = 4;  // vectors tested at once on the way to a hit

template <class Pixel, int kBytes>
struct Lanes {
    typedef Pixel V __attribute__((vector_size(kBytes)));
    static constexpr int32_t kCount = kBytes / static_cast<int32_t>(sizeof(Pixel));
};

// All ones in the lanes of p that equal a or b (kNot: that equal neither).
template <class Pixel, int kBytes, bool kNot>
[[gnu::always_inline]] inline typename Lanes<Pixel, kBytes>::V hits(const Pixel* p, typename Lanes<Pixel, kBytes>::V va,
                                                                   typename Lanes<Pixel, kBytes>::V vb) {
    using V = typename Lanes<Pixel, kBytes>::V;
    V v;
    std::memcpy(&v, p, sizeof v);
    const V m = reinterpret_cast<V>((v == va) | (v == vb));
    return kNot ? ~m : m;
}

template <class Pixel, bool kNot>
int32_t scalar(const Pixel* p, int32_t from, int32_t n, Pixel a, Pixel b) {
    while (from < n && (p[from] == a || p[from] == b) == kNot) ++from;
    return from;
}

// Blocks of vectors, then vectors, then the pixels of the one that hit and
// of the tail.
template <class Pixel, bool kNot>
int32_t search_portable(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    using L = Lanes<Pixel, 16>;
    const typename L::V va = typename L::V{} + a, vb = typename L::V{} + b;
    const auto any = [](const typename L::V& m) {
        uint64_t w[2];
        std::memcpy(w, &m, sizeof w);
        return (w[0] | w[1]) != 0;
    };
    int32_t i = 0;
    for (; i + kBlock * L::kCount <= n; i += kBlock * L::kCount) {
        typename L::V m{};
        for (int32_t j = 0; j < kBlock; ++j) m |= hits<Pixel, 16, kNot>(p + i + j * L::kCount, va, vb);
        if (any(m)) break;
    }
    while (i + L::kCount <= n && !any(hits<Pixel, 16, kNot>(p + i, va, vb))) i += L::kCount;
    return scalar<Pixel, kNot>(p, i, n, a, b);
}

// Backwards: rarer and shorter (a run grown past its parent's end), so one
// form serves every processor.
template <class Pixel>
int32_t search_back(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    using L = Lanes<Pixel, 16>;
    const typename L::V va = typename L::V{} + a, vb = typename L::V{} + b;
    int32_t i = n;
    for (; i >= L::kCount; i -= L::kCount) {
        const typename L::V m = hits<Pixel, 16, false>(p + i - L::kCount, va, vb);
        uint64_t w[2];
        std::memcpy(w, &m, sizeof w);
        if (w[0] | w[1]) break;
    }
    while (--i >= 0 && p[i] != a && p[i] != b) {
    }
    return i;
}

#ifdef PIXEL_SEARCH_X86
// Long stretches are tested a few vectors at once, and only the block that
// hits is searched vector by vector. x86 gathers one bit a byte of the lanes' answers, so the first hit is
// found at once. The last vector is the one that ends at n, overlapping the
// one before: no pixel is looked at alone unless n is under a vector.
template <class Pixel, bool kNot>
int32_t search_sse2(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    using L = Lanes<Pixel, 16>;
    if (n < L::kCount) return scalar<Pixel, kNot>(p, 0, n, a, b);
    const typename L::V va = typename L::V{} + a, vb = typename L::V{} + b;
    int32_t i = 0;
    for (; i + kBlock * L::kCount <= n; i += kBlock * L::kCount) {
        typename L::V any{};
        for (int32_t j = 0; j < kBlock; ++j) any |= hits<Pixel, 16, kNot>(p + i + j * L::kCount, va, vb);
        if (_mm_movemask_epi8(__m128i(any))) break;
    }
    for (;; i += L::kCount) {
        const int32_t at = i + L::kCount <= n ? i : n - L::kCount;
        uint32_t bits = static_cast<uint32_t>(_mm_movemask_epi8(__m128i(hits<Pixel, 16, kNot>(p + at, va, vb))));
        bits &= ~0u << ((i - at) * static_cast<int32_t>(sizeof(Pixel)));
        if (bits) return at + __builtin_ctz(bits) / static_cast<int32_t>(sizeof(Pixel));
        if (at + L::kCount >= n) return n;
    }
}

// The same on 32-byte vectors; the lanes are compared here, not in hits():
// a function of another instruction set may not take or return them.
template <class Pixel, bool kNot>
__attribute__((target("avx2"))) int32_t search_avx2(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    using L = Lanes<Pixel, 32>;
    using V = typename L::V;
    if (n < L::kCount) return scalar<Pixel, kNot>(p, 0, n, a, b);
    const V va = V{} + a, vb = V{} + b;
    int32_t i = 0;
    for (; i + kBlock * L::kCount <= n; i += kBlock * L::kCount) {
        V any{};
        for (int32_t j = 0; j < kBlock; ++j) {
            V v;
            std::memcpy(&v, p + i + j * L::kCount, sizeof v);
            const V m = reinterpret_cast<V>((v == va) | (v == vb));
            any |= kNot ? ~m : m;
        }
        if (_mm256_movemask_epi8(__m256i(any))) break;
    }
    for (;; i += L::kCount) {
        const int32_t at = i + L::kCount <= n ? i : n - L::kCount;
        V v;
        std::memcpy(&v, p + at, sizeof v);
        V m = reinterpret_cast<V>((v == va) | (v == vb));
        if (kNot) m = ~m;
        uint32_t bits = static_cast<uint32_t>(_mm256_movemask_epi8(__m256i(m)));
        bits &= ~0u << ((i - at) * static_cast<int32_t>(sizeof(Pixel)));
        if (bits) return at + __builtin_ctz(bits) / static_cast<int32_t>(sizeof(Pixel));
        if (at + L::kCount >= n) return n;
    }
}
#endif

template <class Pixel>
struct Searches {
#ifdef PIXEL_SEARCH_X86
    static constexpr PixelSearch<Pixel> avx2{
        .first_of = search_avx2<Pixel, false>,
        .first_not_of = search_avx2<Pixel, true>,
        .last_of = search_back<Pixel>,
    };
    static constexpr PixelSearch<Pixel> sse2{
        .first_of = search_sse2<Pixel, false>,
        .first_not_of = search_sse2<Pixel, true>,
        .last_of = search_back<Pixel>,
    };
#endif
    static constexpr PixelSearch<Pixel> portable{
        .first_of = search_portable<Pixel, false>,
        .first_not_of = search_portable<Pixel, true>,
        .last_of = search_back<Pixel>,
    };
};

}  // namespace

template <class Pixel>
int32_t pixel_searches(const PixelSearch<Pixel>** out, int32_t room) {
    int32_t count = 0;
    const auto add = [&](const PixelSearch<Pixel>* s) {
        if (count < room) out[count] = s;
        ++count;
    };
#ifdef PIXEL_SEARCH_X86
    if (__builtin_cpu_supports("avx2")) add(&Searches<Pixel>::avx2);
    add(&Searches<Pixel>::sse2);
#endif
    add(&Searches<Pixel>::portable);
    return count;
}

template <class Pixel>
const PixelSearch<Pixel>& pixel_search() {
    static const PixelSearch<Pixel>* const chosen = [] {
        const PixelSearch<Pixel>* first = nullptr;
        pixel_searches<Pixel>(&first, 1);
        return first;
    }();
    return *chosen;
}

template const PixelSearch<uint8_t>& pixel_search();
template const PixelSearch<uint16_t>& pixel_search();
template const PixelSearch<uint32_t>& pixel_search();
template int32_t pixel_searches(const PixelSearch<uint8_t>**, int32_t);
template int32_t pixel_searches(const PixelSearch<uint16_t>**, int32_t);
template int32_t pixel_searches(const PixelSearch<uint32_t>**, int32_t);
