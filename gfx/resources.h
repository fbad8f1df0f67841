// The built-in fonts and colour tables. They are kept packed in the program
// and unpacked once into a process-wide block; every descriptor here points
// into that block, which lives until the process ends.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pantalla::detail {

// A bitmap font: 256 glyphs, glyph c at c * glyph_height * row_bytes.
// Bit 0 of a row byte is the leftmost pixel; a set bit is foreground.
struct FontDescriptor {
    int32_t glyph_width;
    int32_t glyph_height;
    const uint8_t* data;
};

// A colour table: count entries of red, green, blue, 0-255 each.
struct PaletteDescriptor {
    int32_t count;
    const uint8_t* data;
};

// Layout of the unpacked block.
inline constexpr int32_t resource_size = 10742;
inline constexpr int32_t font_8x8_offset = 0;
inline constexpr int32_t font_8x14_offset = 2048;
inline constexpr int32_t font_8x16_offset = 5632;
inline constexpr int32_t palette_2_offset = 9728;
inline constexpr int32_t palette_16_offset = 9734;
inline constexpr int32_t palette_64_offset = 9782;
inline constexpr int32_t palette_256_offset = 9974;

// Valid only after resources_unpack(); zero bytes before.
extern const FontDescriptor font_8x8;
extern const FontDescriptor font_8x14;
extern const FontDescriptor font_8x16;
extern const PaletteDescriptor palette_2;
extern const PaletteDescriptor palette_16;
extern const PaletteDescriptor palette_64;
extern const PaletteDescriptor palette_256;

// Bytes per glyph row.
constexpr int32_t font_row_bytes(const FontDescriptor& font) {
    return (font.glyph_width + 7) / 8;
}

// The built-in 8-wide font of that height (8, 14 or 16), or null.
const FontDescriptor* font_for_height(int32_t glyph_height);

// Unpacks the block on the first call; later calls do nothing. A failed
// unpack is not retried: the block then holds what was decoded.
void resources_unpack();

// The unpacked block, resource_size bytes.
const uint8_t* resource_data();

// The packed block as stored in the program.
const uint8_t* resource_packed_data();
int32_t resource_packed_size();

// Decodes a 12-bit LZW stream. *length holds the destination's capacity on
// entry and the number of bytes written on return. Returns 0 when the end
// code was reached, -1 when the stream is malformed, truncated or does not
// fit. Never reads past source_length nor writes past the capacity.
int32_t lzw_unpack(const uint8_t* source, int32_t source_length,
                   uint8_t* destination, int32_t* length);

}  // namespace pantalla::detail
