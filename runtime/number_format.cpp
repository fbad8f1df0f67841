#include "runtime/number_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace pantalla::detail {

namespace {

// `value` with `precision` digits after the point, in scientific or fixed
// form; returns the end. The libc++ of the web build has no floating-point
// to_chars; its printf rounds exactly as well.
char* format_double(char* first, char* last, double value, bool scientific, int precision) {
#if defined(_LIBCPP_VERSION) && !defined(__cpp_lib_to_chars)
    const int n = std::snprintf(first, static_cast<size_t>(last - first), scientific ? "%.*e" : "%.*f", precision,
                                value);
    return n < 0 ? first : first + std::min(n, static_cast<int>(last - first) - 1);
#else
    return std::to_chars(first, last, value, scientific ? std::chars_format::scientific : std::chars_format::fixed,
                         precision)
        .ptr;
#endif
}

// Removes trailing zeros of a fraction and then a trailing decimal point,
// in the text between begin and end; returns the new end.
char* trim_fraction(char* begin, char* end) {
    if (!std::memchr(begin, '.', static_cast<size_t>(end - begin))) return end;
    while (end > begin && end[-1] == '0') --end;
    if (end > begin && end[-1] == '.') --end;
    return end;
}

}  // namespace

char* float_to_text(double value, int digits, bool leading_blank, char (&buffer)[kNumberTextSize]) {
    if (digits < 1) digits = 1;
    if (digits > 17) digits = 17;
    char* const start = buffer + 1;  // room for the blank in front
    char* const limit = buffer + kNumberTextSize - 1;
    char* end = start;

    if (std::isnan(value)) {
        std::memcpy(start, "nan", 3);
        end = start + 3;
    } else if (std::isinf(value)) {
        const char* text = value < 0 ? "-inf" : "inf";
        const size_t n = std::strlen(text);
        std::memcpy(start, text, n);
        end = start + n;
    } else {
        // Scientific form first: it gives the rounded digits and exponent.
        char sci[kNumberTextSize];
        char* const sci_end = format_double(sci, sci + sizeof sci, value, true, digits - 1);
        char* e = static_cast<char*>(std::memchr(sci, 'e', static_cast<size_t>(sci_end - sci)));
        int exponent = 0;
        std::from_chars(e + 1 + (e[1] == '+'), sci_end, exponent);
        if (exponent > -5 && exponent < digits) {
            end = trim_fraction(start, format_double(start, limit, value, false, digits - 1 - exponent));
        } else {
            const size_t mantissa = static_cast<size_t>(e - sci);
            std::memcpy(start, sci, mantissa);
            end = trim_fraction(start, start + mantissa);
            *end++ = 'E';
            *end++ = exponent < 0 ? '-' : '+';
            const int magnitude = exponent < 0 ? -exponent : exponent;
            if (magnitude < 10) *end++ = '0';
            end = std::to_chars(end, limit, magnitude).ptr;
        }
    }
    *end = 0;
    if (leading_blank && *start != '-') {
        buffer[0] = ' ';
        return buffer;
    }
    return start;
}

}  // namespace pantalla::detail
