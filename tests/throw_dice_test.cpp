#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "app/dice.h"
#include "runtime/thread_start.h"
#include "runtime/throw_dice.h"

using namespace pantalla::detail;

namespace {

// What a run leaves behind: everything the program can see afterwards.
struct Outcome {
    int32_t counts[8];
    double sum;
    uint32_t state;
    double last;
    double next;  // the draw after the run
};

bool operator==(const Outcome& a, const Outcome& b) {
    return std::memcmp(a.counts, b.counts, sizeof a.counts) == 0 && a.sum == b.sum && a.state == b.state &&
           a.last == b.last && a.next == b.next;
}

void PrintTo(const Outcome& o, std::ostream* os) {
    *os << "counts";
    for (int32_t c : o.counts) *os << ' ' << c;
    *os << " sum " << o.sum << " state " << o.state << " last " << o.last << " next " << o.next;
}

Outcome finish(const DiceState& s) {
    Outcome o{};
    std::memcpy(o.counts, s.face_counts, sizeof o.counts);
    o.sum = s.throw_sum;
    o.state = int_generator.state;
    o.last = random_value(0);
    o.next = random_value(1);
    return o;
}

// The program's loop as written, one random_value(1) per throw.
Outcome reference(uint32_t seed, double last, int32_t throws, double sum = 0) {
    int_srand(seed);
    last_random_value = last;
    DiceState s{};
    s.throw_sum = sum;
    throw_dice(s, 1, throws);
    return finish(s);
}

Outcome fast(ThrowPath path, int32_t threads, uint32_t seed, double last, int32_t throws, double sum = 0) {
    int_srand(seed);
    last_random_value = last;
    DiceState s{};
    s.throw_sum = sum;
    throw_dice_using(path, threads, throws, s.face_counts, &s.throw_sum);
    return finish(s);
}

const ThrowPath kPaths[] = {ThrowPath::automatic, ThrowPath::scalar, ThrowPath::sse2,
                            ThrowPath::avx2,      ThrowPath::neon,   ThrowPath::simd128};

// The tests below skip a path the machine lacks, so a vector path left out
// of the build would pass unseen.
TEST(ThrowDice, TheProcessorsOwnLanesAreBuilt) {
#if defined(__x86_64__)
    EXPECT_TRUE(throw_path_available(ThrowPath::sse2));
#elif defined(__aarch64__)
    EXPECT_TRUE(throw_path_available(ThrowPath::neon));
#elif defined(__wasm_simd128__)
    EXPECT_TRUE(throw_path_available(ThrowPath::simd128));
#endif
}

// Around every lane count, the steps at which the 16-bit tallies are
// emptied, and thread shares.
std::vector<int32_t> boundary_counts() {
    std::vector<int32_t> counts = {-2147483647 - 1, -5, -1, 0, 1, 2, 7, 8, 9, 15, 16, 17, 31, 32, 33, 63, 64, 65,
                                   1000};
    for (int32_t edge : {16 * 16000, 32 * 16000, 2 * 32 * 16000})
        for (int32_t d = -33; d <= 33; d += 11) counts.push_back(edge + d);
    // Where a second thread starts to take a share, and an odd share.
    for (int32_t n : {(1 << 22) - 1, 1 << 22, (2 << 22) + 1}) counts.push_back(n);
    return counts;
}

TEST(ThrowDice, EveryPathMatchesTheLoopAtTheBoundaries) {
    std::mt19937 pick(20261208);
    for (int32_t n : boundary_counts()) {
        const uint32_t seed = pick();
        const Outcome expected = reference(seed, 0.25, n);
        for (ThrowPath path : kPaths) {
            if (!throw_path_available(path)) continue;
            for (int32_t threads : {1, 3})
                EXPECT_EQ(fast(path, threads, seed, 0.25, n), expected)
                    << "path " << static_cast<int>(path) << " threads " << threads << " count " << n
                    << " seed " << seed;
        }
    }
}

// A process allowed no more threads throws the refused shares itself.
TEST(ThrowDice, SharesWithoutAThreadAreThrownHere) {
    const int32_t n = (2 << 22) + 1;
    const Outcome expected = reference(11, 0.25, n);
    for (int32_t refused : {1, 2}) {
        thread_start_refuse(refused);
        EXPECT_EQ(fast(ThrowPath::automatic, 3, 11, 0.25, n), expected) << refused << " refused";
    }
    thread_start_refuse(0);
}

TEST(ThrowDice, RandomSeedsAndCounts) {
    std::mt19937 pick(7);
    for (int trial = 0; trial < 200; ++trial) {
        const uint32_t seed = pick();
        const int32_t n = static_cast<int32_t>(pick() % (trial < 150 ? 300 : 300000));
        EXPECT_EQ(fast(ThrowPath::automatic, 0, seed, 0, n), reference(seed, 0, n)) << "count " << n << " seed " << seed;
    }
}

TEST(ThrowDice, AddsToWhatTheCountsAndSumHold) {
    const struct {
        double sum;
    } rows[] = {{0}, {41}, {-7}, {0.5}, {1e300}, {9007199254740000.0}};
    for (const auto& row : rows) {
        int_srand(5);
        DiceState expected{{0, 1, 2, 3, 4, 5, 6, 0}, row.sum, 0, {}};
        throw_dice(expected, 1, 77);
        const uint32_t state = int_generator.state;
        int_srand(5);
        DiceState got{{0, 1, 2, 3, 4, 5, 6, 0}, row.sum, 0, {}};
        throw_dice_into(77, got.face_counts, &got.throw_sum);
        EXPECT_EQ(got.throw_sum, expected.throw_sum) << row.sum;
        for (int f = 0; f < 8; ++f) EXPECT_EQ(got.face_counts[f], expected.face_counts[f]) << row.sum;
        EXPECT_EQ(int_generator.state, state);
    }
}

}  // namespace
