// Throws at the speed of the machine, with exactly the results of drawing
// random_value(1) once per throw.
//
// Jump-ahead. The generator is affine: state' = a * state + c (mod 2^32).
// Composing k steps gives another affine map, state_k = A_k * state + C_k,
// with A_k = a^k and C_k = c * (a^(k-1) + ... + a + 1), all mod 2^32; the
// pair for any k comes from squaring, like a power. So L lanes can start
// on states 1 to L of the sequence and each advance by A_L, C_L: side by
// side they visit every state of the one serial chain exactly once. A
// thread given the throws from j on starts from the state after j steps.
//
// Faces without floating point. A draw is k = bits 16 to 30 of the state
// and its face is floor(k * 6 / 32768) + 1, so the face exceeds f exactly
// when k reaches the threshold ceil(f * 32768 / 6). Counting, for each of
// the five thresholds, the draws at or above it gives all six counts (the
// differences of neighbours) and the sum of the faces (the throws plus the
// five tallies). The vector paths compare 16-bit k values, sixteen at a
// time, and keep the tallies in 16-bit lanes that are emptied into wide
// totals before they can overflow.
#include "runtime/throw_dice.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/random.h"
#include "runtime/thread_start.h"

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define DICE_X86 1
#endif

namespace {

constexpr int kTallies = 5;
constexpr uint16_t kThreshold[kTallies] = {5462, 10923, 16384, 21846, 27307};

// Below this many throws a second thread costs more than it saves.
constexpr int64_t kThreadMinimum = int64_t{1} << 22;

// The affine map of some number of generator steps.
struct Jump {
    uint32_t mul;
    uint32_t add;
};

uint32_t apply(Jump j, uint32_t state) { return j.mul * state + j.add; }

// `first`, then `then`.
Jump compose(Jump first, Jump then) { return {then.mul * first.mul, then.mul * first.add + then.add}; }

Jump jump_of(uint64_t steps) {
    Jump result{1, 0};
    Jump power{214013u, 2531011u};
    for (; steps; steps >>= 1) {
        if (steps & 1) result = compose(result, power);
        power = compose(power, power);
    }
    return result;
}

// For each threshold, how many draws reached it.
struct Tally {
    uint64_t above[kTallies];
};

void add_tally(Tally& into, const Tally& more) {
    for (int f = 0; f < kTallies; ++f) into.above[f] += more.above[f];
}

// `n` draws that start after `state`.
Tally tally_scalar(uint32_t state, int64_t n) {
    Tally t{};
    for (int64_t i = 0; i < n; ++i) {
        state = state * 214013u + 2531011u;
        const uint32_t k = (state >> 16) & 0x7FFF;
        for (int f = 0; f < kTallies; ++f) t.above[f] += k >= kThreshold[f];
    }
    return t;
}

#ifdef DICE_X86

// Steps per emptying of the 16-bit tallies: each step adds at most two to
// a lane (two state vectors are packed into one of k values).
constexpr int64_t kFlushSteps = 16000;

// 32-bit lanes multiplied: SSE2 multiplies only the even lanes to 64 bits.
__attribute__((target("sse2"))) __m128i mullo_sse2(__m128i a, __m128i b, __m128i b_odd) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), b_odd);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

__attribute__((target("sse2"))) void flush_sse2(__m128i* counters, Tally& t) {
    for (int f = 0; f < kTallies; ++f) {
        alignas(16) uint16_t lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counters[f]);
        for (uint16_t v : lanes) t.above[f] += v;
        counters[f] = _mm_setzero_si128();
    }
}

// 16 lanes in four vectors; `steps` rounds of all of them, the first lane
// starting after `state`.
__attribute__((target("sse2"))) Tally tally_sse2(uint32_t state, int64_t steps) {
    constexpr int kLanes = 16;
    alignas(16) uint32_t start[kLanes];
    for (int i = 0; i < kLanes; ++i) start[i] = apply(jump_of(static_cast<uint64_t>(i) + 1), state);
    __m128i s[4];
    for (int v = 0; v < 4; ++v) s[v] = _mm_load_si128(reinterpret_cast<const __m128i*>(start + 4 * v));
    const Jump j = jump_of(kLanes);
    const __m128i mul = _mm_set1_epi32(static_cast<int32_t>(j.mul));
    const __m128i mul_odd = _mm_srli_epi64(mul, 32);
    const __m128i add = _mm_set1_epi32(static_cast<int32_t>(j.add));
    const __m128i mask = _mm_set1_epi32(0x7FFF0000);
    __m128i limit[kTallies], counters[kTallies];
    for (int f = 0; f < kTallies; ++f) {
        limit[f] = _mm_set1_epi16(static_cast<int16_t>(kThreshold[f] - 1));
        counters[f] = _mm_setzero_si128();
    }
    Tally t{};
    for (int64_t done = 0; done < steps;) {
        const int64_t run = std::min(kFlushSteps, steps - done);
        for (int64_t i = 0; i < run; ++i) {
            const __m128i k[2] = {
                _mm_packs_epi32(_mm_srli_epi32(_mm_and_si128(s[0], mask), 16),
                                _mm_srli_epi32(_mm_and_si128(s[1], mask), 16)),
                _mm_packs_epi32(_mm_srli_epi32(_mm_and_si128(s[2], mask), 16),
                                _mm_srli_epi32(_mm_and_si128(s[3], mask), 16))};
            for (int f = 0; f < kTallies; ++f)
                counters[f] = _mm_sub_epi16(_mm_sub_epi16(counters[f], _mm_cmpgt_epi16(k[0], limit[f])),
                                            _mm_cmpgt_epi16(k[1], limit[f]));
            for (__m128i& v : s) v = _mm_add_epi32(mullo_sse2(v, mul, mul_odd), add);
        }
        flush_sse2(counters, t);
        done += run;
    }
    return t;
}

__attribute__((target("avx2"))) void flush_avx2(__m256i* counters, Tally& t) {
    for (int f = 0; f < kTallies; ++f) {
        alignas(32) uint16_t lanes[16];
        _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), counters[f]);
        for (uint16_t v : lanes) t.above[f] += v;
        counters[f] = _mm256_setzero_si256();
    }
}

// 32 lanes in four vectors, as tally_sse2.
__attribute__((target("avx2"))) Tally tally_avx2(uint32_t state, int64_t steps) {
    constexpr int kLanes = 32;
    alignas(32) uint32_t start[kLanes];
    for (int i = 0; i < kLanes; ++i) start[i] = apply(jump_of(static_cast<uint64_t>(i) + 1), state);
    __m256i s[4];
    for (int v = 0; v < 4; ++v) s[v] = _mm256_load_si256(reinterpret_cast<const __m256i*>(start + 8 * v));
    const Jump j = jump_of(kLanes);
    const __m256i mul = _mm256_set1_epi32(static_cast<int32_t>(j.mul));
    const __m256i add = _mm256_set1_epi32(static_cast<int32_t>(j.add));
    const __m256i mask = _mm256_set1_epi32(0x7FFF7FFF);
    __m256i limit[kTallies], counters[kTallies];
    for (int f = 0; f < kTallies; ++f) {
        limit[f] = _mm256_set1_epi16(static_cast<int16_t>(kThreshold[f] - 1));
        counters[f] = _mm256_setzero_si256();
    }
    Tally t{};
    for (int64_t done = 0; done < steps;) {
        const int64_t run = std::min(kFlushSteps, steps - done);
        for (int64_t i = 0; i < run; ++i) {
            // The high halves of two vectors' lanes side by side.
            const __m256i k[2] = {
                _mm256_and_si256(_mm256_blend_epi16(_mm256_srli_epi32(s[0], 16), s[1], 0xAA), mask),
                _mm256_and_si256(_mm256_blend_epi16(_mm256_srli_epi32(s[2], 16), s[3], 0xAA), mask)};
            for (int f = 0; f < kTallies; ++f)
                counters[f] = _mm256_sub_epi16(_mm256_sub_epi16(counters[f], _mm256_cmpgt_epi16(k[0], limit[f])),
                                               _mm256_cmpgt_epi16(k[1], limit[f]));
            for (__m256i& v : s) v = _mm256_add_epi32(_mm256_mullo_epi32(v, mul), add);
        }
        flush_avx2(counters, t);
        done += run;
    }
    return t;
}

#endif

int lanes_of(ThrowPath path) {
    switch (path) {
        case ThrowPath::sse2: return 16;
        case ThrowPath::avx2: return 32;
        default: return 1;
    }
}

ThrowPath resolve(ThrowPath path) {
    if (path != ThrowPath::automatic) return throw_path_available(path) ? path : ThrowPath::scalar;
    if (throw_path_available(ThrowPath::avx2)) return ThrowPath::avx2;
    if (throw_path_available(ThrowPath::sse2)) return ThrowPath::sse2;
    return ThrowPath::scalar;
}

// `n` draws after `state`: whole rounds of lanes, then the rest one by one.
Tally tally(ThrowPath path, uint32_t state, int64_t n) {
    const int lanes = lanes_of(path);
    const int64_t steps = n / lanes;
    Tally t{};
#ifdef DICE_X86
    if (steps > 0 && path == ThrowPath::avx2) t = tally_avx2(state, steps);
    if (steps > 0 && path == ThrowPath::sse2) t = tally_sse2(state, steps);
#endif
    if (lanes == 1) return tally_scalar(state, n);
    add_tally(t, tally_scalar(apply(jump_of(static_cast<uint64_t>(steps * lanes)), state), n - steps * lanes));
    return t;
}

// Shares the draws among threads, each from its own jumped-ahead state.
Tally tally_threaded(ThrowPath path, int32_t threads, uint32_t state, int64_t n) {
    if (threads <= 0) threads = static_cast<int32_t>(std::max(1u, std::thread::hardware_concurrency()));
    threads = static_cast<int32_t>(std::min<int64_t>(threads, std::max<int64_t>(1, n / kThreadMinimum)));
    std::vector<Tally> parts(static_cast<size_t>(threads));
    std::vector<std::thread> workers;
    const int64_t share = n / threads;
    int64_t first = 0;
    for (int32_t i = 0; i < threads; ++i) {
        const int64_t count = i + 1 == threads ? n - first : share;
        const uint32_t from = apply(jump_of(static_cast<uint64_t>(first)), state);
        Tally& part = parts[static_cast<size_t>(i)];
        auto work = [&part, path, from, count] { part = tally(path, from, count); };
        std::thread worker;
        // The calling thread takes the last share, and any share no
        // thread could be had for.
        if (i + 1 == threads || thread_start(&worker, work) != 0)
            work();
        else
            workers.push_back(std::move(worker));
        first += count;
    }
    for (std::thread& w : workers) w.join();
    Tally total{};
    for (const Tally& part : parts) add_tally(total, part);
    return total;
}

// The random_value loop itself, for a sum that is not a whole number.
void throw_one_by_one(int32_t throws, int32_t counts[8], double* sum) {
    for (int32_t i = 0; i < throws; ++i) {
        const int32_t face = static_cast<int32_t>(random_value(1) * 6.0) + 1;
        counts[face] = static_cast<int32_t>(static_cast<uint32_t>(counts[face]) + 1u);
        *sum += face;
    }
}

}  // namespace

bool throw_path_available(ThrowPath path) {
    switch (path) {
#ifdef DICE_X86
        case ThrowPath::sse2: return __builtin_cpu_supports("sse2");
        case ThrowPath::avx2: return __builtin_cpu_supports("avx2");
#else
        case ThrowPath::sse2:
        case ThrowPath::avx2: return false;
#endif
        default: return true;
    }
}

void throw_dice_using(ThrowPath path, int32_t threads, int32_t throws, int32_t counts[8], double* sum) {
    if (throws < 1) return;
    constexpr double kExact = 9007199254740992.0;  // 2^53
    if (*sum != std::floor(*sum) || std::fabs(*sum) + 6.0 * throws >= kExact) {
        throw_one_by_one(throws, counts, sum);
        return;
    }
    const uint32_t state = int_generator.state;
    const int64_t n = throws;
    const Tally t = tally_threaded(resolve(path), threads, state, n);
    const uint64_t face_count[7] = {0,
                                    static_cast<uint64_t>(n) - t.above[0],
                                    t.above[0] - t.above[1],
                                    t.above[1] - t.above[2],
                                    t.above[2] - t.above[3],
                                    t.above[3] - t.above[4],
                                    t.above[4]};
    uint64_t total = static_cast<uint64_t>(n);
    for (int face = 1; face <= 6; ++face)
        counts[face] = static_cast<int32_t>(static_cast<uint32_t>(counts[face]) + static_cast<uint32_t>(face_count[face]));
    for (uint64_t above : t.above) total += above;
    *sum += static_cast<double>(total);
    int_generator.state = apply(jump_of(static_cast<uint64_t>(n)), state);
    last_random_value = static_cast<int32_t>((int_generator.state >> 16) & 0x7FFF) * kRandomScale;
}

void throw_dice_into(int32_t throws, int32_t counts[8], double* sum) {
    throw_dice_using(ThrowPath::automatic, 0, throws, counts, sum);
}
