// Reading PSF console fonts (versions 1 and 2, gzipped or plain).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PsfFont {
    int width = 0;
    int height = 0;
    int row_bytes = 0;
    int count = 0;
    std::vector<uint8_t> glyphs;               // count glyphs, PSF bit order
    std::vector<std::vector<uint32_t>> codes;  // per glyph, its single code points

    int glyph_bytes() const { return height * row_bytes; }
    const uint8_t* glyph(int index) const { return glyphs.data() + index * glyph_bytes(); }
    // The glyph that the font's Unicode table gives this code point, or -1.
    int find(uint32_t code_point) const;
};

// Throws std::runtime_error naming the file on any unreadable or malformed input.
PsfFont psf_load(const std::string& path);
