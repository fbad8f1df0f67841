// The largest count, pinned: the counts were taken once from the program's
// loop as written (about four seconds of one core) and are kept here.
#include <gtest/gtest.h>

#include <climits>

#include "runtime/random.h"
#include "runtime/throw_dice.h"

namespace {

TEST(ThrowPinned, LargestCountOnEveryPath) {
    const int32_t expected[8] = {0, 357957632, 357892095, 357892096, 357957632, 357892096, 357892096, 0};
    // The scalar path meets the loop in the unit tests; here it would take
    // as long as the loop.
    for (ThrowPath path : {ThrowPath::automatic, ThrowPath::sse2, ThrowPath::avx2}) {
        if (!throw_path_available(path)) continue;
        for (int32_t threads : {0, 1}) {
            random_seed(12345.0);
            int32_t counts[8] = {};
            double sum = 0;
            throw_dice_using(path, threads, INT_MAX, counts, &sum);
            for (int f = 0; f < 8; ++f)
                EXPECT_EQ(counts[f], expected[f]) << "path " << static_cast<int>(path) << " face " << f;
            EXPECT_EQ(sum, 7516061694.0);
            EXPECT_EQ(int_generator.state, 2147495993u);
            EXPECT_EQ(random_value(0), 0.0);
        }
    }
}

}  // namespace
