// Sixel images decoded back by a plain reader and compared with the page.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gfx/display/sixel_encoder.h"
#include "sixel_decode.h"

using namespace sixel_decode;

// Random pages at each depth, with runs and few or many colours, random
// rectangles and divisors: exact (through the percent registers) while the
// colours fit the registers, else within the cube's half step (a whole
// one with the dither).
TEST(Sixel, DecodesToThePage) {
    std::mt19937 rng(7);
    SixelEncoder encoder;
    for (int trial = 0; trial < 300; ++trial) {
        const int32_t depth = trial % 3 == 0 ? 8 : trial % 3 == 1 ? 16 : 32, bytes = depth / 8;
        const int32_t w = 1 + rng() % 60, h = 1 + rng() % 40;
        uint32_t palette[256];
        for (uint32_t& e : palette) e = rng() & 0xFFFFFF;
        std::vector<uint32_t> colours(1 + rng() % (trial % 2 ? 600 : 40));
        for (uint32_t& c : colours) c = rng() & (depth == 8 ? 0xFF : depth == 16 ? 0xFFFF : 0xFFFFFFFF);
        std::vector<uint8_t> pixels(static_cast<size_t>(w) * h * bytes);
        for (size_t p = 0; p < pixels.size() / bytes;) {
            const uint32_t v = colours[rng() % colours.size()];
            for (uint32_t run = 1 + rng() % 8; run > 0 && p < pixels.size() / bytes; --run, ++p)
                std::memcpy(&pixels[p * bytes], &v, bytes);
        }
        const SixelPage page{pixels.data(), w * bytes, w, h, depth, palette};
        const SixelRect rect{int32_t(rng() % w), int32_t(rng() % h), 1 + int32_t(rng() % w), 1 + int32_t(rng() % h)};
        const SixelOptions options{1 + int32_t(rng() % 3), trial % 5 == 0 ? 16 : 256, trial % 7 == 0, 0};
        std::string out;
        encoder.encode(page, rect, options, out);
        const Decoded d = decode(out);
        const int32_t rw = std::min(rect.width, w - rect.x), rh = std::min(rect.height, h - rect.y);
        ASSERT_EQ(d.width, (rw + options.divisor - 1) / options.divisor);
        ASSERT_EQ(d.height, (rh + options.divisor - 1) / options.divisor);
        std::vector<uint32_t> expected;
        for (int32_t y = 0; y < d.height; ++y)
            for (int32_t x = 0; x < d.width; ++x) {
                uint32_t v = 0;
                const size_t at = static_cast<size_t>(rect.y + y * options.divisor) * w + rect.x + x * options.divisor;
                std::memcpy(&v, &pixels[at * bytes], bytes);
                expected.push_back(sixel_pixel_rgb(page, v));
            }
        const bool exact = std::set<uint32_t>(expected.begin(), expected.end()).size() <= size_t(options.registers);
        const SixelCube cube = sixel_cube(options.registers);
        const int32_t steps[3] = {cube.r - 1, cube.g - 1, cube.b - 1};
        for (size_t p = 0; p < expected.size(); ++p) {
            ASSERT_GE(d.pixels[p], 0) << "trial " << trial << " pixel " << p;
            if (exact) {
                ASSERT_EQ(d.pixels[p], through_percent(expected[p])) << "trial " << trial << " pixel " << p;
                continue;
            }
            for (int ch = 0; ch < 3; ++ch) {
                const int32_t got = d.pixels[p] >> (16 - 8 * ch) & 0xFF, want = expected[p] >> (16 - 8 * ch) & 0xFF;
                ASSERT_LE(std::abs(got - want), 255 / (options.dither ? steps[ch] : 2 * steps[ch]) + 2) << "trial " << trial << " channel " << ch;
            }
        }
    }
}

// The protocol's details on one-row pictures of palette indices.
TEST(Sixel, Protocol) {
    const uint32_t palette[256] = {0x000000, 0xFF0000, 0x00FF00};
    const struct {
        std::vector<uint8_t> row;
        int32_t height;
        const char* expected;
        int32_t blank_rows = 0;
    } rows[] = {
        // Raster attributes, a register in percent, a run of five repeated.
        {{1, 1, 1, 1, 1}, 1, "\x1bP0;1q\"1;1;5;1#0;2;100;0;0#0!5@\x1b\\"},
        // Runs under four go out as they are.
        {{1, 1, 1}, 1, "\x1bP0;1q\"1;1;3;1#0;2;100;0;0#0@@@\x1b\\"},
        // The commonest colour first as one run; the next returns to the left
        // margin and skips what it lacks.
        {{1, 2, 2, 2, 2, 2, 1}, 1, "\x1bP0;1q\"1;1;7;1#0;2;100;0;0#1;2;0;100;0#1?!5@$#0@!5?@\x1b\\"},
        // Seven rows take two bands; rows share sixels.
        {{2}, 7, "\x1bP0;1q\"1;1;1;7#0;2;0;100;0#0~-#0@\x1b\\", 0},
        // Transparent sixel rows above count in the height.
        {{2}, 1, "\x1bP0;1q\"1;1;1;13#0;2;0;100;0--#0@\x1b\\", 2},
    };
    SixelEncoder encoder;
    for (const auto& r : rows) {
        std::vector<uint8_t> pixels;
        for (int32_t y = 0; y < r.height; ++y) pixels.insert(pixels.end(), r.row.begin(), r.row.end());
        const int32_t w = static_cast<int32_t>(r.row.size());
        std::string out;
        SixelOptions options;
        options.blank_rows = r.blank_rows;
        encoder.encode({pixels.data(), w, w, r.height, 8, palette}, {0, 0, w, r.height}, options, out);
        EXPECT_EQ(out, r.expected);
    }
}
