// Vector searches of pixel rows. The lanes are compared with the compiler's
// vector types, one form for SSE2, AVX2, NEON and WebAssembly SIMD. Long
// stretches are tested a block of vectors at once; only the block that hits
// is searched vector by vector. x86 gathers one bit a byte of the lanes'
// answers, so the first hit is found at once; the others test a vector whole
// and then look at its pixels.
#include "gfx/draw/pixel_search.h"

#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define PIXEL_SEARCH_X86 1
#endif

namespace pantalla::detail {

namespace {

constexpr int32_t kBlock = 4;  // vectors tested at once on the way to a hit

template <class Pixel, int kBytes>
struct Lanes {
    typedef Pixel V __attribute__((vector_size(kBytes)));
    static constexpr int32_t kCount = kBytes / static_cast<int32_t>(sizeof(Pixel));
};

// All ones in the lanes of p equal to a or, with kTwo, to b (kNot: in the
// other lanes). One value is one compare: half the work of two. The helpers
// take and give vectors by reference only: a 32-byte vector by value between
// the AVX2 search and a function without AVX has no agreed calling
// convention, and being inlined does not excuse it.
template <class Pixel, int kBytes, bool kNot, bool kTwo>
[[gnu::always_inline]] inline void hits(const Pixel* p, const typename Lanes<Pixel, kBytes>::V& va,
                                        const typename Lanes<Pixel, kBytes>::V& vb,
                                        typename Lanes<Pixel, kBytes>::V& m) {
    using V = typename Lanes<Pixel, kBytes>::V;
    V v;
    std::memcpy(&v, p, sizeof v);
    m = reinterpret_cast<V>(v == va);
    if (kTwo) m |= reinterpret_cast<V>(v == vb);
    if (kNot) m = ~m;
}

// The hits of a block of vectors, or'ed.
template <class Pixel, int kBytes, bool kNot, bool kTwo>
[[gnu::always_inline]] inline void block_hits(const Pixel* p, const typename Lanes<Pixel, kBytes>::V& va,
                                              const typename Lanes<Pixel, kBytes>::V& vb,
                                              typename Lanes<Pixel, kBytes>::V& any) {
    any = typename Lanes<Pixel, kBytes>::V{};
#pragma GCC unroll 4
    for (int32_t j = 0; j < kBlock; ++j) {
        typename Lanes<Pixel, kBytes>::V m;
        hits<Pixel, kBytes, kNot, kTwo>(p + j * Lanes<Pixel, kBytes>::kCount, va, vb, m);
        any |= m;
    }
}

template <class Pixel, int kBytes>
bool any_lane(const typename Lanes<Pixel, kBytes>::V& m) {
    uint64_t w[kBytes / 8];
    std::memcpy(w, &m, sizeof w);
    uint64_t all = 0;
    for (uint64_t x : w) all |= x;
    return all != 0;
}

template <class Pixel, bool kNot>
int32_t scalar(const Pixel* p, int32_t from, int32_t n, Pixel a, Pixel b) {
    while (from < n && (p[from] == a || p[from] == b) == kNot) ++from;
    return from;
}

template <class Pixel, bool kNot, bool kTwo>
int32_t portable(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    using L = Lanes<Pixel, 16>;
    const typename L::V va = typename L::V{} + a, vb = typename L::V{} + b;
    typename L::V m;
    int32_t i = 0;
    for (; i + kBlock * L::kCount <= n; i += kBlock * L::kCount) {
        block_hits<Pixel, 16, kNot, kTwo>(p + i, va, vb, m);
        if (any_lane<Pixel, 16>(m)) break;
    }
    for (; i + L::kCount <= n; i += L::kCount) {
        hits<Pixel, 16, kNot, kTwo>(p + i, va, vb, m);
        if (any_lane<Pixel, 16>(m)) break;
    }
    return scalar<Pixel, kNot>(p, i, n, a, b);
}

template <class Pixel, bool kNot>
int32_t search_portable(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    return a == b ? portable<Pixel, kNot, false>(p, n, a, b) : portable<Pixel, kNot, true>(p, n, a, b);
}

// Backwards: rarer and shorter (a run grown past its parent's end), so one
// form serves every processor.
template <class Pixel>
int32_t search_back(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    using L = Lanes<Pixel, 16>;
    const typename L::V va = typename L::V{} + a, vb = typename L::V{} + b;
    typename L::V m;
    int32_t i = n;
    for (; i >= L::kCount; i -= L::kCount) {
        hits<Pixel, 16, false, true>(p + i - L::kCount, va, vb, m);
        if (any_lane<Pixel, 16>(m)) break;
    }
    while (--i >= 0 && p[i] != a && p[i] != b) {
    }
    return i;
}

#ifdef PIXEL_SEARCH_X86
// The last vector is the one that ends at n, overlapping the one before: no
// pixel is looked at alone unless n is under a vector. The two widths differ
// only in their gathering instruction, which the AVX2 one may only call from
// a function of its own instruction set.
template <class Pixel, bool kNot, bool kTwo>
int32_t sse2(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    using L = Lanes<Pixel, 16>;
    if (n < L::kCount) return scalar<Pixel, kNot>(p, 0, n, a, b);
    const typename L::V va = typename L::V{} + a, vb = typename L::V{} + b;
    typename L::V m;
    int32_t i = 0;
    for (; i + kBlock * L::kCount <= n; i += kBlock * L::kCount) {
        block_hits<Pixel, 16, kNot, kTwo>(p + i, va, vb, m);
        if (_mm_movemask_epi8(__m128i(m))) break;
    }
    for (; i < n; i += L::kCount) {
        const int32_t at = i + L::kCount <= n ? i : n - L::kCount;
        hits<Pixel, 16, kNot, kTwo>(p + at, va, vb, m);
        uint32_t bits = static_cast<uint32_t>(_mm_movemask_epi8(__m128i(m)));
        bits &= ~0u << ((i - at) * static_cast<int32_t>(sizeof(Pixel)));
        if (bits) return at + __builtin_ctz(bits) / static_cast<int32_t>(sizeof(Pixel));
    }
    return n;
}

template <class Pixel, bool kNot, bool kTwo>
__attribute__((target("avx2"))) int32_t avx2(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    using L = Lanes<Pixel, 32>;
    if (n < L::kCount) return scalar<Pixel, kNot>(p, 0, n, a, b);
    const typename L::V va = typename L::V{} + a, vb = typename L::V{} + b;
    typename L::V m;
    int32_t i = 0;
    for (; i + kBlock * L::kCount <= n; i += kBlock * L::kCount) {
        block_hits<Pixel, 32, kNot, kTwo>(p + i, va, vb, m);
        if (_mm256_movemask_epi8(__m256i(m))) break;
    }
    for (; i < n; i += L::kCount) {
        const int32_t at = i + L::kCount <= n ? i : n - L::kCount;
        hits<Pixel, 32, kNot, kTwo>(p + at, va, vb, m);
        uint32_t bits = static_cast<uint32_t>(_mm256_movemask_epi8(__m256i(m)));
        bits &= ~0u << ((i - at) * static_cast<int32_t>(sizeof(Pixel)));
        if (bits) return at + __builtin_ctz(bits) / static_cast<int32_t>(sizeof(Pixel));
    }
    return n;
}

template <class Pixel, bool kNot>
int32_t search_sse2(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    return a == b ? sse2<Pixel, kNot, false>(p, n, a, b) : sse2<Pixel, kNot, true>(p, n, a, b);
}

template <class Pixel, bool kNot>
__attribute__((target("avx2"))) int32_t search_avx2(const Pixel* p, int32_t n, Pixel a, Pixel b) {
    return a == b ? avx2<Pixel, kNot, false>(p, n, a, b) : avx2<Pixel, kNot, true>(p, n, a, b);
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

}  // namespace pantalla::detail
