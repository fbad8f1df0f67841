// Kitty images read back by a plain reader and compared with the page.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gfx/display/kitty_encoder.h"
#include "kitty_decode.h"

using namespace pantalla::detail;

using kitty_decode::decode;
using kitty_decode::Decoded;

// Random pages at each depth, of noise (sent as it is) or of runs and
// repeated rows (deflated), random rectangles, divisors and placements:
// the pixels come back exact.
TEST(Kitty, DecodesToThePage) {
    std::mt19937 rng(11);
    KittyEncoder encoder;
    int32_t deflated = 0;
    for (int trial = 0; trial < 200; ++trial) {
        const int32_t depth = trial % 3 == 0 ? 8 : trial % 3 == 1 ? 16 : 32, bytes = depth / 8;
        const int32_t w = 1 + rng() % 90, h = 1 + rng() % 70;
        uint32_t palette[256];
        for (uint32_t& e : palette) e = rng() & 0xFFFFFF;
        std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * bytes);
        for (size_t p = 0; p < pixels.size(); p += bytes) {
            const size_t run = trial % 2 ? 1 + rng() % 12 : 1, row = static_cast<size_t>(w) * bytes;
            if (trial % 2 && p >= row && rng() % 3 == 0) {
                std::copy_n(&pixels[p - row], std::min(row, pixels.size() - p), &pixels[p]);  // the row above
                p += std::min(row, pixels.size() - p) - bytes;
                continue;
            }
            const uint32_t v = static_cast<uint32_t>(rng());
            for (size_t k = 0; k < run && p < pixels.size(); ++k, p += bytes) std::memcpy(&pixels[p], &v, bytes);
            p -= bytes;
        }
        const SixelPage page{pixels.data(), w * bytes, w, h, depth, palette};
        const SixelRect rect{int32_t(rng() % w), int32_t(rng() % h), 1 + int32_t(rng() % w), 1 + int32_t(rng() % h)};
        const int32_t divisor = 1 + int32_t(rng() % 3);
        const KittyPlacement at{uint32_t(1 + rng() % 1000), 1 + int32_t(rng() % 50), 1 + int32_t(rng() % 200),
                                int32_t(rng() % 8), int32_t(rng() % 16)};
        std::string out;
        encoder.encode(page, rect, divisor, at, out);
        const Decoded d = decode(out);
        deflated += d.keys.count('o') && d.keys.at('o') == "z";
        const int32_t rw = std::min(rect.width, w - rect.x), rh = std::min(rect.height, h - rect.y);
        const int32_t ow = (rw + divisor - 1) / divisor, oh = (rh + divisor - 1) / divisor;
        ASSERT_EQ(d.cursor, "\x1b[" + std::to_string(at.row) + ";" + std::to_string(at.col) + "H");
        const std::string place = (at.offset_x ? ",X=" + std::to_string(at.offset_x) : "") +
                                  (at.offset_y ? ",Y=" + std::to_string(at.offset_y) : "");
        ASSERT_NE(out.find("s=" + std::to_string(ow) + ",v=" + std::to_string(oh) + ",i=" + std::to_string(at.image_id) +
                           ",p=1" + place + ",m="),
                  std::string::npos);
        ASSERT_EQ(d.rgb.size(), static_cast<size_t>(ow) * oh * 3) << "trial " << trial;
        for (int32_t y = 0; y < oh; ++y)
            for (int32_t x = 0; x < ow; ++x) {
                uint32_t v = 0;
                const size_t at_page = static_cast<size_t>(rect.y + y * divisor) * w + rect.x + x * divisor;
                std::memcpy(&v, &pixels[at_page * bytes], bytes);
                const uint32_t want = sixel_pixel_rgb(page, v);
                const uint8_t* got = &d.rgb[(static_cast<size_t>(y) * ow + x) * 3];
                ASSERT_EQ(uint32_t(got[0]) << 16 | uint32_t(got[1]) << 8 | got[2], want) << "trial " << trial;
            }
    }
    EXPECT_GT(deflated, 50);
    EXPECT_LT(deflated, 100);
}

// Chunks of at most 4096 base64 bytes, each whole pixels (1024 a chunk) of
// noise, and the keys the terminal needs.
TEST(Kitty, Protocol) {
    std::mt19937 rng(3);
    std::vector<uint32_t> pixels(2100);
    for (uint32_t& p : pixels) p = static_cast<uint32_t>(rng());
    KittyEncoder encoder;
    const struct {
        int32_t width, height;
        std::vector<size_t> chunks;
    } rows[] = {
        {1, 1, {4}},
        {2, 1, {8}},
        {1024, 1, {4096}},
        {1025, 1, {4096, 4}},
        {700, 3, {4096, 4096, 208}},
        // One colour: a literal pixel, then matches of 258 bytes at the
        // pixel before, 13 bits each.
        {2100, 1, {72}},
    };
    for (const auto& r : rows) {
        if (r.width == 2100) std::fill(pixels.begin(), pixels.end(), 0x123456);
        const SixelPage page{reinterpret_cast<const uint8_t*>(pixels.data()), r.width * 4, r.width, r.height, 32, nullptr};
        std::string out;
        encoder.encode(page, {0, 0, r.width, r.height}, 1, {7, 2, 3, 0, 0}, out);
        const Decoded d = decode(out);
        EXPECT_EQ(d.chunks, r.chunks) << r.width << "x" << r.height;
        EXPECT_EQ(out.rfind(r.width < 2100 ? "\x1b[2;3H\x1b_Ga=T,f=24,q=2,C=1,s=" : "\x1b[2;3H\x1b_Ga=T,f=24,o=z,q=2,C=1,s=", 0), 0u);
        EXPECT_EQ(d.keys.at('p'), "1");
    }
    // Nothing to show, nothing sent.
    std::string out;
    encoder.encode({reinterpret_cast<const uint8_t*>(pixels.data()), 40, 10, 10, 32, nullptr}, {10, 0, 5, 5}, 1, {}, out);
    EXPECT_EQ(out, "");
    kitty_delete(42, out);
    EXPECT_EQ(out, "\x1b_Ga=d,d=I,q=2,i=42\x1b\\");
}
