#include <gtest/gtest.h>

#include <climits>
#include <cmath>

#include "app/dice.h"
#include "tests/capture.h"

using namespace pantalla::detail;

namespace {

int32_t total(const DiceState& s) {
    int32_t n = 0;
    for (int f = 1; f <= 6; ++f) n += s.face_counts[f];
    return n;
}

TEST(DiceFaces, EveryGeneratorValueMapsToAFace) {
    int32_t from[8] = {};
    for (int32_t k = 0; k < 32768; ++k) ++from[face_of(k * kRandomScale)];
    EXPECT_EQ(from[0], 0);
    EXPECT_EQ(from[7], 0);
    const int32_t expected[8] = {0, 5462, 5461, 5461, 5462, 5461, 5461, 0};
    for (int f = 0; f < 8; ++f) EXPECT_EQ(from[f], expected[f]) << "face " << f;
}

TEST(DiceLoop, ThrowsExactlyTheCount) {
    for (int32_t n : {1, 2, 12, 1000}) {
        DiceState s{};
        int_srand(7);
        throw_dice(s, 1, n);
        EXPECT_EQ(total(s), n);
        double sum = 0;
        for (int f = 1; f <= 6; ++f) sum += f * static_cast<double>(s.face_counts[f]);
        EXPECT_EQ(s.throw_sum, sum);
        EXPECT_EQ(s.face_counts[0] + s.face_counts[7], 0);
    }
    for (int32_t n : {0, -3, INT_MIN}) {
        DiceState s{};
        throw_dice(s, 1, n);
        EXPECT_EQ(total(s), 0);
        EXPECT_EQ(s.throw_sum, 0.0);
    }
}

TEST(DiceLoop, EndsAtTheLargestCountWithoutWrapping) {
    DiceState s{};
    throw_dice(s, INT_MAX - 9, INT_MAX);
    EXPECT_EQ(total(s), 10);
    DiceState one{};
    throw_dice(one, INT_MAX, INT_MAX);
    EXPECT_EQ(total(one), 1);
}

TEST(DiceLoop, SameSeedSameThrows) {
    DiceState a{}, b{};
    random_seed(1234.7);
    throw_dice(a, 1, 500);
    random_seed(1234.2);
    throw_dice(b, 1, 500);
    for (int f = 0; f < 8; ++f) EXPECT_EQ(a.face_counts[f], b.face_counts[f]);
}

class Report : public ::testing::Test {
protected:
    void SetUp() override { Capture::install(); }
    void TearDown() override { Capture::remove(); }
};

TEST_F(Report, TypicalRun) {
    DiceState s{{0, 2, 3, 1, 2, 2, 2, 0}, 41.0, 12, {}};
    print_report(s);
    EXPECT_EQ(Capture::all(),
              "\r\n\r\n"
              "MEDIA ARITMETICA GLOBAL =  3.41666666666667\r\n"
              "\r\n"
              "frecuecia absoluta de  1 =  2\r\n"
              "frecuecia absoluta de  2 =  3\r\n"
              "frecuecia absoluta de  3 =  1\r\n"
              "frecuecia absoluta de  4 =  2\r\n"
              "frecuecia absoluta de  5 =  2\r\n"
              "frecuecia absoluta de  6 =  2\r\n");
}

TEST_F(Report, MeanOfWholeNumberAndOfNoThrows) {
    struct Row { double sum; int32_t count; const char* mean; };
    const Row rows[] = {{8.0, 2, " 4"}, {4.0, 1, " 4"}, {0.0, 0, " nan"}, {0.0, -3, "-0"}};
    for (const Row& r : rows) {
        Capture::writes.clear();
        DiceState s{};
        s.throw_sum = r.sum;
        s.throw_count = r.count;
        print_report(s);
        ASSERT_GE(Capture::writes.size(), 4u);
        EXPECT_EQ(Capture::writes[3], r.mean) << r.count;
    }
}

}  // namespace
