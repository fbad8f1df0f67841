#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "gfx/display/blit.h"

using namespace pantalla::detail;

namespace {

uint32_t convert_one(int32_t src_depth, uint32_t pixel, int32_t dst_depth, bool red_low, bool vector,
                     const uint32_t* palette = nullptr) {
    Blitter b;
    EXPECT_TRUE(blitter_choose(&b, src_depth, dst_depth, red_low, vector));
    if (palette) blitter_set_palette(&b, palette);
    // Sixteen copies so that a vector route sees a full block.
    uint8_t src[16 * 4], dst[16 * 4] = {};
    for (int i = 0; i < 16; ++i) std::memcpy(src + i * (src_depth / 8), &pixel, src_depth / 8);
    b.convert(b, src, dst, 16);
    uint32_t out = 0;
    std::memcpy(&out, dst + 15 * b.dst_bytes, b.dst_bytes);
    return out;
}

// One pixel converted as the display contract states it, apart from the
// converters' own helpers: components narrow by dropping low bits and
// widen by shifting left without filling; red and blue change places when
// the display keeps red low; an 8-bit source on an 8-bit display is copied.
uint32_t reference_pixel(int32_t src_depth, const uint8_t* p, int32_t dst_depth, bool red_low,
                         const uint32_t* palette) {
    if (src_depth == 8 && dst_depth == 8) return p[0];
    struct Component {
        uint32_t value;
        int bits;
    } r, g, b;
    if (src_depth == 16) {
        const uint32_t v = static_cast<uint32_t>(p[0] | p[1] << 8);
        r = {v >> 11, 5}, g = {v >> 5 & 0x3F, 6}, b = {v & 0x1F, 5};
    } else if (src_depth == 8) {
        const uint32_t e = palette[p[0]];  // red in the low byte
        r = {e & 0xFF, 8}, g = {e >> 8 & 0xFF, 8}, b = {e >> 16 & 0xFF, 8};
    } else {
        r = {p[2], 8}, g = {p[1], 8}, b = {p[0], 8};  // the top byte is not colour
    }
    if (red_low) std::swap(r, b);
    const int outer = dst_depth <= 16 ? 5 : 8;
    const int middle = dst_depth == 15 ? 5 : dst_depth == 16 ? 6 : 8;
    const auto fit = [](Component c, int bits) {
        return bits < c.bits ? c.value >> (c.bits - bits) : c.value << (bits - c.bits);
    };
    return fit(r, outer) << (middle + outer) | fit(g, middle) << outer | fit(b, outer);
}

struct Case {
    int32_t src_depth;
    uint32_t pixel;
    int32_t dst_depth;
    bool red_low;
    uint32_t expected;
};

TEST(Blit, WideningShiftsWithoutFillingAndNarrowingDrops) {
    const Case cases[] = {
        // 16-bit white
        {16, 0xFFFF, 32, false, 0xF8FCF8},
        {16, 0xFFFF, 15, false, 0x7FFF},
        {16, 0xFFFF, 16, false, 0xFFFF},
        {16, 0xFFFF, 24, false, 0xF8FCF8},
        // 16-bit pure red, both component orders
        {16, 0xF800, 32, false, 0xF80000},
        {16, 0xF800, 32, true, 0x0000F8},
        {16, 0xF800, 15, true, 0x001F},
        {16, 0xF800, 16, true, 0x001F},
        // green loses its lowest bit at 15 bits
        {16, 0x0020, 15, false, 0x0000},
        {16, 0x0040, 15, false, 0x0020},
        {16, 0x07E0, 32, false, 0x00FC00},
        // 32-bit sources: the top byte is not colour
        {32, 0xAAFF8040, 16, false, 0xFC08},
        {32, 0xAAFF8040, 32, false, 0xFF8040},
        {32, 0xAAFF8040, 32, true, 0x4080FF},
        {32, 0xAAFF8040, 15, false, 0x7E08},
        {32, 0x00070307, 16, false, 0x0000},  // below every kept bit
        // an 8-bit source on an 8-bit display is copied
        {8, 0xC7, 8, false, 0xC7},
    };
    for (const Case& c : cases) {
        uint8_t bytes[4];
        std::memcpy(bytes, &c.pixel, 4);
        EXPECT_EQ(reference_pixel(c.src_depth, bytes, c.dst_depth, c.red_low, nullptr), c.expected)
            << "reference " << c.src_depth << " -> " << c.dst_depth << " pixel " << std::hex << c.pixel;
        for (bool vector : {false, true})
            EXPECT_EQ(convert_one(c.src_depth, c.pixel, c.dst_depth, c.red_low, vector), c.expected)
                << c.src_depth << " -> " << c.dst_depth << " red low " << c.red_low << " pixel " << std::hex
                << c.pixel << " vector " << vector;
    }
}

TEST(Blit, EightBitPixelsTakeThePalette) {
    uint32_t palette[256] = {};
    palette[5] = 0xFF | 0x80 << 8 | 0x10 << 16;  // red 255, green 128, blue 16
    EXPECT_EQ(convert_one(8, 5, 32, false, false, palette), 0xFF8010u);
    EXPECT_EQ(convert_one(8, 5, 32, true, false, palette), 0x1080FFu);
    EXPECT_EQ(convert_one(8, 5, 16, false, false, palette), 0xFC02u);
    EXPECT_EQ(convert_one(8, 4, 32, false, false, palette), 0u);
}

TEST(Blit, DeeperSourcesHaveNoEightBitDisplay) {
    Blitter b;
    EXPECT_FALSE(blitter_choose(&b, 16, 8, false, false));
    EXPECT_FALSE(blitter_choose(&b, 32, 8, false, false));
    EXPECT_FALSE(blitter_choose(&b, 16, 12, false, false));
    EXPECT_FALSE(blitter_choose(&b, 4, 32, false, false));
}

// Every fast combination against the reference, on random pixels, for the
// marked rows only, at both scales.
TEST(Blit, EveryCombinationMatchesTheReference) {
    constexpr int32_t width = 37, height = 9;  // odd width: vector tails
    std::mt19937 random(7);
    uint32_t palette[256];
    for (uint32_t& p : palette) p = random() & 0xFFFFFF;
    const uint8_t dirty[height] = {1, 0, 0, 1, 1, 0, 0, 0, 1};
    for (int32_t src_depth : {8, 16, 32}) {
        const int32_t src_bytes = src_depth / 8;
        std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * src_bytes);
        for (uint8_t& p : pixels) p = static_cast<uint8_t>(random());
        for (int32_t dst_depth : {8, 15, 16, 24, 32})
            for (bool red_low : {false, true})
                for (bool vector : {false, true})
                    for (int32_t scale : {1, 2}) {
                        Blitter b;
                        if (!blitter_choose(&b, src_depth, dst_depth, red_low, vector)) {
                            EXPECT_TRUE(dst_depth == 8 && src_depth != 8);
                            continue;
                        }
                        blitter_set_palette(&b, palette);
                        const int32_t pitch = width * 4 + 3;
                        std::vector<uint8_t> out(static_cast<size_t>(pitch) * height * scale, 0xEE);
                        const BlitSource src{pixels.data(), width * src_bytes, width, height, scale, dirty};
                        int32_t first = -1, end = -1;
                        ASSERT_TRUE(blit_dirty_rows(b, src, out.data(), pitch, &first, &end));
                        EXPECT_EQ(first, 0);
                        EXPECT_EQ(end, height * scale);
                        std::vector<uint8_t> want(static_cast<size_t>(width) * b.dst_bytes);
                        for (int32_t y = 0; y < height * scale; ++y) {
                            const uint8_t* row = out.data() + static_cast<size_t>(y) * pitch;
                            SCOPED_TRACE(testing::Message() << src_depth << " -> " << dst_depth << " red low "
                                                            << red_low << " vector " << vector << " scale "
                                                            << scale << " row " << y);
                            if (!dirty[y / scale]) {
                                EXPECT_EQ(row[0], 0xEE);
                                continue;
                            }
                            const uint8_t* source = pixels.data() + static_cast<size_t>(y / scale) * width * src_bytes;
                            for (int32_t x = 0; x < width; ++x) {
                                const uint32_t v =
                                    reference_pixel(src_depth, source + x * src_bytes, dst_depth, red_low, palette);
                                for (int32_t i = 0; i < b.dst_bytes; ++i)
                                    want[static_cast<size_t>(x * b.dst_bytes + i)] = static_cast<uint8_t>(v >> (8 * i));
                            }
                            ASSERT_EQ(std::memcmp(row, want.data(), static_cast<size_t>(width) * b.dst_bytes), 0);
                        }
                    }
    }
}

TEST(Blit, NothingMarkedConvertsNothing) {
    Blitter b;
    ASSERT_TRUE(blitter_choose(&b, 16, 32, false, false));
    const uint8_t dirty[4] = {};
    const uint16_t pixels[8] = {};
    uint8_t out[64];
    int32_t first, end;
    const BlitSource src{reinterpret_cast<const uint8_t*>(pixels), 4, 2, 4, 1, dirty};
    EXPECT_FALSE(blit_dirty_rows(b, src, out, 8, &first, &end));
}

TEST(Blit, EnlargingMakesSquares) {
    // Two 16-bit pixels in one row, enlarged three times.
    const uint16_t src[2] = {0x1111, 0x2222};
    uint16_t dst[3][6] = {};
    blit_enlarge_rows(reinterpret_cast<const uint8_t*>(src), 4, 2, 2, 0, 1, reinterpret_cast<uint8_t*>(dst), 12, 3);
    for (const auto& row : dst)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(row[x], x < 3 ? 0x1111 : 0x2222);
}

}  // namespace
