// A plain reader of sixel images, for tests that compare them with pages.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace sixel_decode {

// The image as 0xRRGGBB per pixel, -1 where nothing was drawn.
struct Decoded {
    int32_t width = 0, height = 0;
    std::vector<int64_t> pixels;
};

inline int32_t number(const std::string& s, size_t& i) {
    int32_t n = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') n = n * 10 + (s[i++] - '0');
    return n;
}

inline Decoded decode(const std::string& s) {
    Decoded d;
    EXPECT_EQ(s.rfind("\x1bP0;1q\"1;1;", 0), 0u);
    size_t i = 11;
    d.width = number(s, i);
    ++i;
    d.height = number(s, i);
    d.pixels.assign(static_cast<size_t>(d.width) * d.height, -1);
    int64_t colours[256] = {};
    int32_t x = 0, y = 0, reg = 0;
    while (i < s.size() && s[i] != '\x1b') {
        const char c = s[i++];
        int32_t repeat = 1;
        if (c == '#') {
            reg = number(s, i);
            if (s[i] != ';') continue;
            ++i;
            EXPECT_EQ(number(s, i), 2);
            int64_t rgb = 0;
            for (int k = 0; k < 3; ++k) rgb = rgb << 8 | (number(s, ++i) * 255 + 50) / 100;
            colours[reg] = rgb;
            continue;
        }
        if (c == '$') { x = 0; continue; }
        if (c == '-') { x = 0, y += 6; continue; }
        char sixel = c;
        if (c == '!') repeat = number(s, i), sixel = s[i++];
        EXPECT_TRUE(sixel >= '?' && sixel <= '~') << int(sixel);
        for (int32_t k = 0; k < repeat; ++k, ++x)
            for (int32_t b = 0; b < 6; ++b)
                if ((sixel - '?') >> b & 1) {
                    EXPECT_TRUE(x < d.width && y + b < d.height) << x << "," << y + b;
                    if (x < d.width && y + b < d.height) d.pixels[static_cast<size_t>(y + b) * d.width + x] = colours[reg];
                }
    }
    EXPECT_EQ(s.substr(i), "\x1b\\");
    return d;
}

inline int64_t through_percent(uint32_t rgb) {
    int64_t out = 0;
    for (int shift = 16; shift >= 0; shift -= 8) out = out << 8 | (((rgb >> shift & 0xFF) * 100 + 127) / 255 * 255 + 50) / 100;
    return out;
}

}  // namespace sixel_decode
