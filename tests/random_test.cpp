#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "runtime/random.h"

using namespace pantalla::detail;

namespace {

std::vector<int32_t> sequence(uint32_t seed, int n) {
    int_srand(seed);
    std::vector<int32_t> v;
    for (int i = 0; i < n; ++i) v.push_back(int_rand());
    return v;
}

TEST(Generator, KnownSequences) {
    EXPECT_EQ(sequence(1, 5), (std::vector<int32_t>{41, 18467, 6334, 26500, 19169}));
    EXPECT_EQ(sequence(0, 3), (std::vector<int32_t>{38, 7719, 21238}));
    const auto v = sequence(0x80000000u, 1000);
    for (int32_t k : v) ASSERT_TRUE(k >= 0 && k <= 32767);
}

TEST(RandomValue, SelectorZeroRepeatsWithoutDrawing) {
    int_srand(1);
    const double first = random_value(1);
    EXPECT_EQ(first, 41 / 32768.0);
    EXPECT_EQ(random_value(0), first);
    EXPECT_EQ(random_value(0), first);
    EXPECT_EQ(random_value(-5), 18467 / 32768.0);  // negative selectors draw too
}

TEST(RandomValue, StaysBelowOne) {
    EXPECT_EQ(32767 * kRandomScale, 0.999969482421875);
    int_srand(12345);
    for (int i = 0; i < 100000; ++i) {
        const double v = random_value(1);
        ASSERT_GE(v, 0.0);
        ASSERT_LT(v, 1.0);
    }
}

// After random_seed(x) the first draw is the second value of the sequence
// of the truncated seed.
int32_t first_draw_after(double x) {
    random_seed(x);
    return static_cast<int32_t>(random_value(1) * 32768);
}
int32_t second_of(uint32_t seed) { return sequence(seed, 2)[1]; }

TEST(RandomSeed, TruncatesAndDiscardsOneDraw) {
    struct Row { double x; uint32_t seed; };
    const Row rows[] = {
        {3.9, 3}, {3.0, 3}, {-3.9, static_cast<uint32_t>(-3)}, {0.5, 0},
        {2147483647.5, 2147483647u}, {-2147483648.9, 0x80000000u},
        {1e10, 0x80000000u}, {-1e10, 0x80000000u},
        {std::numeric_limits<double>::infinity(), 0x80000000u},
        {-std::numeric_limits<double>::infinity(), 0x80000000u},
    };
    for (const Row& r : rows) EXPECT_EQ(first_draw_after(r.x), second_of(r.seed)) << r.x;
}

TEST(RandomSeed, MinusOneAndNanAskForTheTimer) {
    for (double x : {-1.0, std::nan("")}) {
        const double before = std::trunc(timer_seconds());
        const int32_t got = first_draw_after(x);
        const double after = std::trunc(timer_seconds());
        EXPECT_TRUE(got == second_of(static_cast<uint32_t>(before)) ||
                    got == second_of(static_cast<uint32_t>(after)));
    }
}

TEST(Timer, UsesTheCounterAndRuns) {
    const double a = timer_seconds();
    EXPECT_EQ(timer_method(), 2);
    double b = timer_seconds();
    while (b == a) b = timer_seconds();
    EXPECT_GT(b, a);
    EXPECT_GT(a, 0.0);
}

}  // namespace
