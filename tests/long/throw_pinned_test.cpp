// The largest count, pinned: the counts were taken once from the program's
// loop as written (about four seconds of one core) and are kept here.
#include <gtest/gtest.h>

#include <climits>

#include "runtime/random.h"
#include "runtime/throw_dice.h"

using namespace pantalla::detail;

namespace {

TEST(ThrowPinned, LargestCount) {
    const int32_t expected[8] = {0, 357957632, 357892095, 357892096, 357957632, 357892096, 357892096, 0};
    // The scalar path, and the threads' shares, meet the loop in the unit
    // tests; the widest path and the one without AVX2 are checked here.
    for (ThrowPath path : {ThrowPath::automatic, ThrowPath::sse2}) {
        if (!throw_path_available(path)) continue;
        random_seed(12345.0);
        int32_t counts[8] = {};
        double sum = 0;
        throw_dice_using(path, 0, INT_MAX, counts, &sum);
        for (int f = 0; f < 8; ++f) EXPECT_EQ(counts[f], expected[f]) << "path " << static_cast<int>(path) << " face " << f;
        EXPECT_EQ(sum, 7516061694.0);
        EXPECT_EQ(int_generator.state, 2147495993u);
        EXPECT_EQ(random_value(0), 0.0);
    }
}

}  // namespace
