#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "runtime/number_format.h"

using namespace pantalla::detail;

namespace {

std::string text(double v, int digits = 15, bool blank = true) {
    char buffer[kNumberTextSize];
    return float_to_text(v, digits, blank, buffer);
}

TEST(FloatToText, PlainDecimal) {
    struct Row { double value; const char* expected; };
    const Row rows[] = {
        {4.0, " 4"}, {3.5, " 3.5"}, {-2.25, "-2.25"}, {41.0 / 12.0, " 3.41666666666667"},
        {0.0, " 0"}, {1.0, " 1"}, {6.0, " 6"}, {0.1, " 0.1"}, {-0.5, "-0.5"},
        {123456789012345.0, " 123456789012345"}, {0.0001, " 0.0001"},
        {2.0 / 3.0, " 0.666666666666667"}, {1e14, " 100000000000000"},
        {9.999999999999999, " 10"},  // rounds up past the digits
    };
    for (const Row& r : rows) EXPECT_EQ(text(r.value), r.expected) << r.value;
}

TEST(FloatToText, ExponentForm) {
    struct Row { double value; const char* expected; };
    const Row rows[] = {
        {1e15, " 1E+15"}, {1.5e20, " 1.5E+20"}, {-2e-7, "-2E-07"}, {0.00001, " 1E-05"},
        {1.23456789012346e100, " 1.23456789012346E+100"}, {5e-324, " 4.94065645841247E-324"},
        {std::numeric_limits<double>::max(), " 1.79769313486232E+308"},
    };
    for (const Row& r : rows) EXPECT_EQ(text(r.value), r.expected) << r.value;
}

TEST(FloatToText, SpecialValues) {
    EXPECT_EQ(text(-0.0), "-0");  // the mean of no throws over a negative count
    EXPECT_EQ(text(std::nan("")), " nan");
    EXPECT_EQ(text(-std::nan("")), " nan");
    volatile double zero = 0.0;
    EXPECT_EQ(text(zero / zero), " nan");  // the mean of no throws over 0
    EXPECT_EQ(text(std::numeric_limits<double>::infinity()), " inf");
    EXPECT_EQ(text(-std::numeric_limits<double>::infinity()), "-inf");
}

TEST(FloatToText, SevenDigitsForSingles) {
    EXPECT_EQ(text(static_cast<double>(10.0f / 3.0f), 7), " 3.333333");
    EXPECT_EQ(text(static_cast<double>(0.1f), 7), " 0.1");
    EXPECT_EQ(text(1234567.0, 7), " 1234567");
    EXPECT_EQ(text(12345678.0, 7), " 1.234568E+07");
}

TEST(FloatToText, BlankOnlyOnRequest) {
    EXPECT_EQ(text(2.5, 15, false), "2.5");
    EXPECT_EQ(text(-2.5, 15, false), "-2.5");
}

TEST(FloatToText, NeverOverrunsItsBuffer) {
    const double values[] = {-1.7976931348623157e308, -2.2250738585072014e-308, -1e-300, -123456.789};
    for (double v : values)
        for (int digits = 1; digits <= 17; ++digits) EXPECT_LT(text(v, digits).size(), size_t(kNumberTextSize));
}

}  // namespace
