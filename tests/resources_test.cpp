#include "gfx/resources.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

using namespace pantalla::detail;

namespace {

// Glyph rows as usually written, bit 7 leftmost; the fonts store them mirrored.
uint8_t mirrored(uint8_t b) {
    uint8_t r = 0;
    for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>(r | ((b >> i) & 1) << (7 - i));
    return r;
}

std::vector<uint8_t> glyph_rows(const FontDescriptor& font, int code) {
    const uint8_t* g = font.data + code * font.glyph_height * font_row_bytes(font);
    std::vector<uint8_t> rows;
    for (int r = 0; r < font.glyph_height; ++r) rows.push_back(mirrored(g[r]));
    return rows;
}

// Two 12-bit codes in three bytes; a lone last code in two.
std::vector<uint8_t> pack(const std::vector<int>& codes) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < codes.size(); i += 2) {
        const int a = codes[i];
        const int b = i + 1 < codes.size() ? codes[i + 1] : 0;
        out.push_back(static_cast<uint8_t>(a & 0xFF));
        out.push_back(static_cast<uint8_t>(a >> 8 | (b & 0x0F) << 4));
        if (i + 1 < codes.size()) out.push_back(static_cast<uint8_t>(b >> 4));
    }
    return out;
}

std::vector<int> repeat(int code, int count) { return std::vector<int>(count, code); }

std::vector<int> join(std::vector<int> a, const std::vector<int>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<uint8_t> join_bytes(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct Decoded {
    int32_t result;
    int32_t length;
    std::string text;
};

// Decodes into a buffer with a guard zone behind the capacity, and checks
// that the guard is untouched.
Decoded decode(const std::vector<uint8_t>& stream, int32_t capacity) {
    constexpr uint8_t kGuard = 0xA5;
    std::vector<uint8_t> buffer(static_cast<size_t>(capacity) + 64, kGuard);
    int32_t length = capacity;
    const int32_t result = lzw_unpack(stream.data(), static_cast<int32_t>(stream.size()), buffer.data(), &length);
    for (size_t i = static_cast<size_t>(capacity); i < buffer.size(); ++i) {
        EXPECT_EQ(buffer[i], kGuard) << "written past the capacity at " << i;
    }
    const int32_t shown = std::min(std::max(length, 0), capacity);
    return {result, length, std::string(buffer.begin(), buffer.begin() + shown)};
}

const FontDescriptor* const all_fonts[] = {&font_8x8, &font_8x14, &font_8x16};

}  // namespace

// --- The built-in block

TEST(ResourceBlock, DecodesCompletelyToItsLayout) {
    std::vector<uint8_t> out(resource_size);
    int32_t length = resource_size;
    EXPECT_EQ(lzw_unpack(resource_packed_data(), resource_packed_size(), out.data(), &length), 0);
    EXPECT_EQ(length, resource_size);

    resources_unpack();
    resources_unpack();  // the second call must leave the block as it is
    EXPECT_EQ(std::vector<uint8_t>(resource_data(), resource_data() + resource_size), out);
}

TEST(ResourceBlock, OneByteLessCapacityFails) {
    std::vector<uint8_t> out(resource_size - 1);
    int32_t length = resource_size - 1;
    EXPECT_EQ(lzw_unpack(resource_packed_data(), resource_packed_size(), out.data(), &length), -1);
    EXPECT_LE(length, resource_size - 1);
}

TEST(ResourceBlock, DescriptorsPointIntoTheBlock) {
    struct Row {
        const FontDescriptor* font;
        int32_t height;
        int32_t offset;
    };
    const Row rows[] = {
        {&font_8x8, 8, 0},
        {&font_8x14, 14, 2048},
        {&font_8x16, 16, 5632},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.font->glyph_width, 8);
        EXPECT_EQ(row.font->glyph_height, row.height);
        EXPECT_EQ(row.font->data, resource_data() + row.offset);
        EXPECT_EQ(font_for_height(row.height), row.font);
    }
    EXPECT_EQ(font_for_height(10), nullptr);
    EXPECT_EQ(font_for_height(0), nullptr);
}

// --- Glyphs

TEST(Fonts, LetterAIn8x16) {
    resources_unpack();
    const std::vector<uint8_t> a{0x00, 0x00, 0x10, 0x38, 0x6C, 0xC6, 0xC6, 0xFE,
                                 0xC6, 0xC6, 0xC6, 0xC6, 0x00, 0x00, 0x00, 0x00};
    EXPECT_EQ(glyph_rows(font_8x16, 'A'), a);
    // Stored mirrored: bit 0 is the leftmost pixel.
    EXPECT_EQ(font_8x16.data[16 * 'A' + 2], 0x08);
    EXPECT_EQ(font_8x16.data[16 * 'A' + 7], 0x7F);
}

TEST(Fonts, DeparturesHoldInAllSizes) {
    resources_unpack();
    for (const FontDescriptor* font : all_fonts) {
        SCOPED_TRACE(font->glyph_height);
        const std::vector<uint8_t> blank(font->glyph_height, 0);
        for (int code : {0, 9, 10, 11, 12, 13, 32, 255}) EXPECT_EQ(glyph_rows(*font, code), blank) << code;
        // The repeated glyphs are real designs, not blanks.
        EXPECT_NE(glyph_rows(*font, 6), blank);
        EXPECT_NE(glyph_rows(*font, 27), blank);
        EXPECT_EQ(glyph_rows(*font, 7), glyph_rows(*font, 6));
        for (int code = 28; code <= 31; ++code) EXPECT_EQ(glyph_rows(*font, code), glyph_rows(*font, 27)) << code;
        // Ordinary glyphs are present throughout the range.
        for (int code : {1, 8, 14, 0x41, 0x7A, 0x80, 0xB0, 0xDB, 0xFE}) EXPECT_NE(glyph_rows(*font, code), blank) << code;
    }
}

TEST(Fonts, CodePage437GlyphsWhere865Differs) {
    resources_unpack();
    struct Row {
        const FontDescriptor* font;
        int code;
        std::vector<uint8_t> rows;
    };
    const Row rows[] = {
        // cent sign, yen sign, right-pointing double angle quotation mark
        {&font_8x8, 0x9B, {0x18, 0x18, 0x7E, 0xC0, 0xC0, 0x7E, 0x18, 0x18}},
        {&font_8x8, 0x9D, {0x66, 0x66, 0x3C, 0x7E, 0x18, 0x7E, 0x18, 0x18}},
        {&font_8x8, 0xAF, {0x00, 0xCC, 0x66, 0x33, 0x66, 0xCC, 0x00, 0x00}},
        {&font_8x14, 0x9B, {0x00, 0x00, 0x18, 0x18, 0x7C, 0xC6, 0xC0, 0xC0, 0xC6, 0x7C, 0x18, 0x18, 0x00, 0x00}},
        {&font_8x14, 0x9D, {0x00, 0x00, 0x00, 0x66, 0x66, 0x3C, 0x18, 0x7E, 0x18, 0x7E, 0x18, 0x18, 0x00, 0x00}},
        {&font_8x14, 0xAF, {0x00, 0x00, 0x00, 0x00, 0x00, 0xD8, 0x6C, 0x36, 0x6C, 0xD8, 0x00, 0x00, 0x00, 0x00}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(glyph_rows(*row.font, row.code), row.rows) << row.font->glyph_height << " " << row.code;
    }
}

// --- Colour tables

TEST(ColourTables, CountsAndOffsets) {
    const PaletteDescriptor* tables[] = {&palette_2, &palette_16, &palette_64, &palette_256};
    const int32_t counts[] = {2, 16, 64, 256};
    const int32_t offsets[] = {9728, 9734, 9782, 9974};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(tables[i]->count, counts[i]);
        EXPECT_EQ(tables[i]->data, resource_data() + offsets[i]);
    }
    EXPECT_EQ(offsets[3] + 3 * 256, resource_size);
}

TEST(ColourTables, Entries) {
    resources_unpack();
    struct Row {
        const PaletteDescriptor* table;
        int index;
        std::array<int, 3> rgb;
    };
    const Row rows[] = {
        // two colours
        {&palette_2, 0, {0, 0, 0}}, {&palette_2, 1, {255, 255, 255}},
        // sixteen: blue is bit 0, red bit 2, bit 3 brightens; 6 is brown
        {&palette_16, 1, {0, 0, 170}}, {&palette_16, 4, {170, 0, 0}}, {&palette_16, 6, {170, 85, 0}},
        {&palette_16, 7, {170, 170, 170}}, {&palette_16, 8, {85, 85, 85}}, {&palette_16, 14, {255, 255, 85}},
        {&palette_16, 15, {255, 255, 255}},
        // sixty-four: a separate intensity bit per component, no brown
        {&palette_64, 6, {170, 170, 0}}, {&palette_64, 20, {170, 85, 0}}, {&palette_64, 56, {85, 85, 85}},
        {&palette_64, 9, {0, 0, 255}}, {&palette_64, 63, {255, 255, 255}},
        // 256: the sixteen colours, the grey ramp, the rings, then black
        {&palette_256, 6, {170, 85, 0}}, {&palette_256, 15, {255, 255, 255}},
        {&palette_256, 16, {0, 0, 0}}, {&palette_256, 17, {20, 20, 20}}, {&palette_256, 23, {97, 97, 97}},
        {&palette_256, 31, {255, 255, 255}},
        {&palette_256, 32, {0, 0, 255}}, {&palette_256, 33, {64, 0, 255}}, {&palette_256, 36, {255, 0, 255}},
        {&palette_256, 40, {255, 0, 0}}, {&palette_256, 44, {255, 255, 0}}, {&palette_256, 48, {0, 255, 0}},
        {&palette_256, 52, {0, 255, 255}}, {&palette_256, 55, {0, 64, 255}},
        {&palette_256, 56, {125, 125, 255}}, {&palette_256, 80, {182, 182, 255}},
        {&palette_256, 104, {0, 0, 113}}, {&palette_256, 176, {0, 0, 64}},
        {&palette_256, 247, {44, 48, 64}}, {&palette_256, 248, {0, 0, 0}}, {&palette_256, 255, {0, 0, 0}},
    };
    for (const Row& row : rows) {
        const uint8_t* e = row.table->data + 3 * row.index;
        EXPECT_EQ((std::array<int, 3>{e[0], e[1], e[2]}), row.rgb) << row.table->count << " colours, entry " << row.index;
    }
}

// --- The decoder on hand-made streams

TEST(LzwUnpack, Streams) {
    const int A = 'A', B = 'B', kEnd = 4095;
    struct Row {
        const char* what;
        std::vector<uint8_t> stream;
        int32_t capacity;
        int32_t result;
        int32_t length;
        std::string text;
    };
    const std::vector<uint8_t> ababa = pack({A, B, 256, 258, kEnd});
    const Row rows[] = {
        // entries, and a code equal to the next free one
        {"ABABABA", ababa, 16, 0, 7, "ABABABA"},
        {"next free at once", pack({A, 256, kEnd}), 16, 0, 3, "AAA"},
        {"odd code count", pack({A, B, kEnd}), 16, 0, 2, "AB"},
        {"bytes after the end are ignored", join_bytes(ababa, {1, 2, 3}), 16, 0, 7, "ABABABA"},
        {"exact capacity", ababa, 7, 0, 7, "ABABABA"},
        // truncated
        {"no source", {}, 16, -1, 0, ""},
        {"half a first code", {0x41}, 16, -1, 0, ""},
        {"no end code", pack({A, B, 256, 258}), 16, -1, 7, "ABABABA"},
        {"cut inside a code", std::vector<uint8_t>(ababa.begin(), ababa.end() - 3), 16, -1, 4, "ABAB"},
        {"cut before the end code's high byte", std::vector<uint8_t>(ababa.begin(), ababa.end() - 1), 16, -1, 7, "ABABABA"},
        // too small a destination: the string that does not fit is not written
        {"capacity 0", ababa, 0, -1, 0, ""},
        {"capacity short by one", ababa, 6, -1, 4, "ABAB"},
        // invalid codes
        {"code one beyond the next free", pack({A, 257, kEnd}), 16, -1, 1, "A"},
        {"code beyond the next free", pack({A, B, 300, kEnd}), 16, -1, 2, "AB"},
        {"first code an entry", pack({256, kEnd}), 16, -1, 0, ""},
        {"first code the highest entry", pack({4094, kEnd}), 16, -1, 0, ""},
        {"first code the end code", pack({kEnd}), 16, -1, 0, ""},
        {"first code the end code, more after it", pack({kEnd, A, kEnd}), 16, -1, 0, ""},
    };
    for (const Row& row : rows) {
        const Decoded d = decode(row.stream, row.capacity);
        EXPECT_EQ(d.result, row.result) << row.what;
        EXPECT_EQ(d.length, row.length) << row.what;
        EXPECT_EQ(d.text, row.text) << row.what;
    }
}

TEST(LzwUnpack, BadArguments) {
    const std::vector<uint8_t> s = pack({'A', 4095});
    uint8_t out[4];
    int32_t length = 4;
    EXPECT_EQ(lzw_unpack(s.data(), static_cast<int32_t>(s.size()), out, nullptr), -1);
    EXPECT_EQ(lzw_unpack(nullptr, 3, out, &length), -1);
    EXPECT_EQ(length, 0);
    length = 4;
    EXPECT_EQ(lzw_unpack(s.data(), static_cast<int32_t>(s.size()), nullptr, &length), -1);
    length = -1;
    EXPECT_EQ(lzw_unpack(s.data(), static_cast<int32_t>(s.size()), out, &length), -1);
    EXPECT_EQ(length, 0);
    length = 4;
    EXPECT_EQ(lzw_unpack(s.data(), -3, out, &length), -1);
}

TEST(LzwUnpack, FullDictionary) {
    // 3838 literals after the first make entries 256-4093; 4094, equal to
    // the next free code, makes the last. After that 4095 can only be the end.
    const std::vector<uint8_t> fill = pack(join(repeat('x', 3839), {4094, 4095}));
    const Decoded d = decode(fill, 4000);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.length, 3841);
    EXPECT_EQ(d.text, std::string(3841, 'x'));

    // With the dictionary full, every entry code stays valid.
    const Decoded more = decode(pack(join(repeat('x', 3840), {300, 4094, 4095})), 4000);
    EXPECT_EQ(more.result, 0);
    EXPECT_EQ(more.length, 3844);
}

TEST(LzwUnpack, LongestChain) {
    // Each code the next free one: entry k spells k - 254 bytes, so 4094 is
    // the longest string the dictionary can hold (3840 bytes).
    std::vector<int> codes{'a'};
    for (int code = 256; code <= 4094; ++code) codes.push_back(code);
    codes.push_back(4095);
    const std::vector<uint8_t> stream = pack(codes);
    const int32_t total = 3840 * 3841 / 2;

    Decoded d = decode(stream, total);
    EXPECT_EQ(d.result, 0);
    EXPECT_EQ(d.length, total);
    EXPECT_EQ(d.text, std::string(total, 'a'));

    d = decode(stream, total - 1);
    EXPECT_EQ(d.result, -1);
    EXPECT_EQ(d.length, total - 3840);
}
