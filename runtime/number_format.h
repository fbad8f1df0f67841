// Number texts as the print statements show them.
#pragma once

#include <cstdint>

namespace pantalla::detail {

constexpr int kNumberTextSize = 40;

// Formats `value` with `digits` significant digits (1 to 17) into `buffer`
// (kNumberTextSize bytes) and returns the start of the text, which is
// zero-terminated. With `leading_blank` a text that does not begin with "-"
// is preceded by a blank. Never fails.
//
// The form:
//  - plain decimal when the decimal exponent e of the rounded value lies in
//    -5 < e < digits, else exponent form;
//  - trailing zeros of the fraction are removed, and so is a decimal point
//    left at the end ("4", "3.5", "0.001");
//  - exponent form is the mantissa as above, "E", a sign and at least two
//    exponent digits: "1.5E+20", "-2E-07", "1.23456789012346E+100";
//  - negative zero prints as "-0";
//  - infinities print as "inf" and "-inf", not-a-number as "nan" whatever
//    its sign bit (so 0 divided by 0 gives " nan").
// The digits are those of the correctly rounded decimal value, the same on
// every platform.
char* float_to_text(double value, int digits, bool leading_blank, char (&buffer)[kNumberTextSize]);

}  // namespace pantalla::detail
