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
// five tallies). The vector paths compare 16-bit k values, a vector's
// width at a time, and keep the tallies in 16-bit lanes that are emptied
// into wide totals before they can overflow.
#include "runtime/throw_dice.h"

#include <algorithm>
#include <cmath>
#include <thread>
#include <utility>
#include <vector>

#include "runtime/platform.h"
#include "runtime/random.h"
#include "runtime/thread_start.h"

namespace pantalla::detail {

#if defined(__x86_64__) || defined(__i386__)
#define DICE_X86 1
#endif
// Every AArch64 processor has NEON.
#ifdef __aarch64__
#define DICE_NEON 1
#endif
// A WebAssembly build has SIMD where it was compiled for it; a browser
// without it refuses the whole module.
#ifdef __wasm_simd128__
#define DICE_WASM_SIMD 1
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

// Steps per emptying of the 16-bit tallies: each step adds at most two to
// a lane (two state vectors are packed into one of k values).
constexpr int64_t kFlushSteps = 16000;

// The lanes, written once in the compilers' vector extensions: the same
// code becomes SSE2, AVX2, NEON or WebAssembly SIMD by the width asked for
// and the target it is compiled for. Four vectors of 32-bit states, kBytes
// lanes in all, give enough independent multiplies to hide their latency.
// Always inlined, so that it takes the target of its caller.
template <int kBytes>
struct Vector {
    typedef uint32_t u32 __attribute__((vector_size(kBytes)));
    typedef int16_t i16 __attribute__((vector_size(kBytes)));
    typedef uint16_t u16 __attribute__((vector_size(kBytes)));
};

template <int kBytes>
[[gnu::always_inline]] inline Tally tally_lanes(uint32_t state, int64_t steps) {
    using u32v = typename Vector<kBytes>::u32;
    using i16v = typename Vector<kBytes>::i16;
    using u16v = typename Vector<kBytes>::u16;
    constexpr int kLanes = kBytes;  // four vectors of kBytes / 4 lanes
    u32v s[4];
    for (int i = 0; i < kLanes; ++i)
        s[i / (kLanes / 4)][i % (kLanes / 4)] = apply(jump_of(static_cast<uint64_t>(i) + 1), state);
    const Jump j = jump_of(kLanes);
    const u32v mul = u32v{} + j.mul;
    const u32v add = u32v{} + j.add;
    i16v limit[kTallies];
    u16v counters[kTallies];
    for (int f = 0; f < kTallies; ++f) {
        limit[f] = i16v{} + static_cast<int16_t>(kThreshold[f] - 1);
        counters[f] = u16v{};
    }
    Tally t{};
    for (int64_t done = 0; done < steps;) {
        const int64_t run = std::min(kFlushSteps, steps - done);
        for (int64_t i = 0; i < run; ++i) {
            // The high halves of two vectors' lanes side by side; k is at
            // most 0x7FFF, so a signed compare serves.
            const i16v k[2] = {(i16v)(((s[0] >> 16) | (s[1] & 0xFFFF0000u)) & 0x7FFF7FFFu),
                               (i16v)(((s[2] >> 16) | (s[3] & 0xFFFF0000u)) & 0x7FFF7FFFu)};
            for (int f = 0; f < kTallies; ++f) counters[f] -= (u16v)(k[0] > limit[f]) + (u16v)(k[1] > limit[f]);
            for (u32v& v : s) v = v * mul + add;
        }
        for (int f = 0; f < kTallies; ++f) {
            for (int i = 0; i < kBytes / 2; ++i) t.above[f] += counters[f][i];
            counters[f] = u16v{};
        }
        done += run;
    }
    return t;
}

#ifdef DICE_X86
__attribute__((target("sse2"))) Tally tally_sse2(uint32_t state, int64_t steps) { return tally_lanes<16>(state, steps); }
__attribute__((target("avx2"))) Tally tally_avx2(uint32_t state, int64_t steps) { return tally_lanes<32>(state, steps); }
#endif
#ifdef DICE_NEON
Tally tally_neon(uint32_t state, int64_t steps) { return tally_lanes<16>(state, steps); }
#endif
#ifdef DICE_WASM_SIMD
Tally tally_simd128(uint32_t state, int64_t steps) { return tally_lanes<16>(state, steps); }
#endif

int lanes_of(ThrowPath path) {
    switch (path) {
        case ThrowPath::sse2: return 16;
        case ThrowPath::avx2: return 32;
        case ThrowPath::neon: return 16;
        case ThrowPath::simd128: return 16;
        default: return 1;
    }
}

ThrowPath resolve(ThrowPath path) {
    if (path != ThrowPath::automatic) return throw_path_available(path) ? path : ThrowPath::scalar;
    if (throw_path_available(ThrowPath::simd128)) return ThrowPath::simd128;
    if (throw_path_available(ThrowPath::neon)) return ThrowPath::neon;
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
#ifdef DICE_NEON
    if (steps > 0 && path == ThrowPath::neon) t = tally_neon(state, steps);
#endif
#ifdef DICE_WASM_SIMD
    if (steps > 0 && path == ThrowPath::simd128) t = tally_simd128(state, steps);
#endif
    if (lanes == 1) return tally_scalar(state, n);
    add_tally(t, tally_scalar(apply(jump_of(static_cast<uint64_t>(steps * lanes)), state), n - steps * lanes));
    return t;
}

// Without threads the program shares its one thread with a page: the draws
// go in runs (about a millisecond each), and the page gets its turn
// whenever about kTurnMs have passed, so that it keeps drawing and taking
// keys. A turn ends a little before every second frame of a 60 Hz display:
// a frame is not missed, and the wait for the next one stays short.
Tally tally_in_turns(ThrowPath path, uint32_t state, int64_t n) {
    constexpr int64_t kRun = int64_t{1} << 21;
    constexpr int64_t kTurnMs = 25;
    int64_t frequency = 0;
    const bool timed = platform_counter_frequency(&frequency) && frequency >= 1000;
    int64_t turn_start = timed ? platform_counter() : 0;
    Tally total{};
    for (int64_t first = 0; first < n; first += kRun) {
        const int64_t count = std::min(kRun, n - first);
        add_tally(total, tally(path, apply(jump_of(static_cast<uint64_t>(first)), state), count));
        if (!timed || (platform_counter() - turn_start) * 1000 >= kTurnMs * frequency) {
            platform_yield();
            if (timed) turn_start = platform_counter();
        }
    }
    return total;
}

// Shares the draws among threads, each from its own jumped-ahead state.
Tally tally_threaded(ThrowPath path, int32_t threads, uint32_t state, int64_t n) {
    if (!platform_threads_available()) return tally_in_turns(path, state, n);
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
#ifdef DICE_NEON
        case ThrowPath::neon: return true;
#else
        case ThrowPath::neon: return false;
#endif
#ifdef DICE_WASM_SIMD
        case ThrowPath::simd128: return true;
#else
        case ThrowPath::simd128: return false;
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

}  // namespace pantalla::detail
