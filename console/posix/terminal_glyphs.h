// How each character is written to the terminal so that it shows the glyph
// the graphics screen would draw, in the terminal's own encoding.
#pragma once

#include <cstdint>
#include <string>

namespace pantalla::detail {

struct Glyph {
    char bytes[4];
    uint8_t length;
};

// The glyphs of the 256 code page 437 bytes; control bytes show as their
// pictures. Built once, from the user's locale.
const Glyph* cp437_glyphs();

// Appends 16-bit character `unit` in the terminal's encoding; control
// units show as the code page 437 pictures, what cannot be shown as '?'.
void append_wide_glyph(std::string& out, uint16_t unit);

}  // namespace pantalla::detail
