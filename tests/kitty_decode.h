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
    EXPECT_EQ(s.size() % 4, 0u);
    std::vector<uint8_t> out;
    uint32_t v = 0;
    int bits = 0;
    for (size_t i = 0; i < s.size() && s[i] != '='; ++i) {
        EXPECT_NE(digits.find(s[i]), std::string::npos) << s[i];
        v = v << 6 | static_cast<uint32_t>(digits.find(s[i]) & 63);
        if ((bits += 6) >= 8) out.push_back(static_cast<uint8_t>(v >> (bits -= 8)));
    }
    return out;
}

// The zlib streams pixel_deflate makes: fixed codes only. Checks the
// header and the checksum.
inline std::vector<uint8_t> inflate_fixed(const std::vector<uint8_t>& in) {
    std::vector<uint8_t> out;
    size_t bit = 16;
    auto take = [&](int count) {  // least significant bit first
        uint32_t v = 0;
        for (int i = 0; i < count && bit / 8 < in.size(); ++i, ++bit) v |= uint32_t(in[bit / 8] >> bit % 8 & 1) << i;
        return v;
    };
    auto code = [&](int count, uint32_t v) {  // more bits of a Huffman code
        for (int i = 0; i < count; ++i) v = v << 1 | take(1);
        return v;
    };
    static const uint16_t length_base[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                             31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const uint16_t distance_base[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,
                                               33,  49,  65,  97,  129, 193,  257,  385,  513,  769,
                                               1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    EXPECT_EQ((in.at(0) << 8 | in.at(1)) % 31, 0);
    EXPECT_EQ(take(3), 3u);  // the last block, fixed codes
    for (;;) {
        uint32_t s = code(7, 0);
        if (s <= 0x17) s += 256;
        else if ((s = code(1, s)) >= 0x30 && s < 0xC0) s -= 0x30;
        else if (s >= 0xC0 && s < 0xC8) s = s - 0xC0 + 280;
        else s = code(1, s) - 0x190 + 144;
        if (s < 256) { out.push_back(static_cast<uint8_t>(s)); continue; }
        if (s == 256 || bit / 8 >= in.size()) break;
        const uint32_t li = s - 257;
        const uint32_t length = length_base[li] + take(li >= 8 && li < 28 ? int(li / 4 - 1) : 0);
        const uint32_t di = code(5, 0);
        const uint32_t distance = distance_base[di] + take(di < 4 ? 0 : int(di / 2 - 1));
        EXPECT_LE(distance, out.size());
        if (distance > out.size()) break;
        for (uint32_t k = 0; k < length; ++k) out.push_back(out[out.size() - distance]);
    }
    uint32_t a = 1, b = 0;
    for (const uint8_t v : out) a = (a + v) % 65521, b = (b + a) % 65521;
    const size_t end = (bit + 7) / 8;
    EXPECT_EQ(in.size(), end + 4);
    if (in.size() == end + 4) {
        EXPECT_EQ(uint32_t(in[end]) << 24 | uint32_t(in[end + 1]) << 16 | uint32_t(in[end + 2]) << 8 | in[end + 3],
                  b << 16 | a);
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
    if (d.keys.count('o')) d.rgb = inflate_fixed(d.rgb);
    return d;
}

}  // namespace kitty_decode
