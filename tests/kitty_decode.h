// A plain reader of kitty images, for tests that compare them with pages.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kitty_decode {

struct Decoded {
    std::string cursor;                  // the move before the image
    std::map<char, std::string> keys;    // of the first escape code
    std::vector<uint8_t> rgb;
    std::vector<size_t> chunks;          // base64 bytes of each code
};

inline std::vector<uint8_t> unbase64(const std::string& s) {
    static const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::vector<uint8_t> out;
    EXPECT_EQ(s.size() % 4, 0u);
    for (size_t i = 0; i + 4 <= s.size(); i += 4) {
        uint32_t v = 0;
        int pad = 0;
        for (size_t k = i; k < i + 4; ++k) {
            const size_t d = digits.find(s[k]);
            pad += s[k] == '=';
            EXPECT_TRUE(d != std::string::npos || s[k] == '=') << s[k];
            v = v << 6 | (d == std::string::npos ? 0 : static_cast<uint32_t>(d));
        }
        for (int b = 0; b < 3 - pad; ++b) out.push_back(static_cast<uint8_t>(v >> (16 - 8 * b)));
    }
    return out;
}

// One escape code from `i` (at its ESC _ G): its keys, its base64
// payload, and where it ends (npos: not all there yet).
struct Code {
    std::map<char, std::string> keys;
    std::string payload;
    size_t end = std::string::npos;  // after its ESC backslash
};

inline Code parse_code(const std::string& s, size_t i) {
    Code c;
    const size_t semi = s.find(';', i), end = s.find("\x1b\\", i);
    if (end == std::string::npos) return c;
    const size_t keys_end = std::min(semi, end);
    for (size_t k = i + 3; k < keys_end;) {
        const size_t comma = std::min(s.find(',', k), keys_end);
        c.keys[s[k]] = s.substr(k + 2, comma - k - 2);
        k = comma + 1;
    }
    if (semi < end) c.payload = s.substr(semi + 1, end - semi - 1);
    c.end = end + 2;
    return c;
}

// One image and the cursor move before it. Checks the chunking rules on
// the way: m=1 on all but the last code, only the m key after the first.
inline Decoded decode(const std::string& s) {
    Decoded d;
    size_t i = s.find("\x1b_G");
    d.cursor = s.substr(0, i);
    for (bool first = true; i != std::string::npos; first = false) {
        const Code c = parse_code(s, i);
        EXPECT_NE(c.end, std::string::npos);
        if (c.end == std::string::npos) break;
        if (first) d.keys = c.keys;
        else EXPECT_EQ(c.keys.size(), 1u);
        d.chunks.push_back(c.payload.size());
        const std::vector<uint8_t> bytes = unbase64(c.payload);
        d.rgb.insert(d.rgb.end(), bytes.begin(), bytes.end());
        i = s.find("\x1b_G", c.end);
        EXPECT_EQ(c.keys.at('m'), i == std::string::npos ? "0" : "1");
        EXPECT_EQ(i == std::string::npos ? s.size() : i, c.end);
    }
    return d;
}

}  // namespace kitty_decode
