// Code page 437, the 8-bit text of the console, and its Unicode forms.
#pragma once

#include <cstdint>

namespace pantalla::detail {

// The Unicode character that byte `c` shows as, control bytes as glyphs.
char32_t cp437_to_unicode(uint8_t c);

// The byte whose glyph is `u`, or -1 when code page 437 has none.
int32_t unicode_to_cp437(char32_t u);

// Writes `u` as UTF-8 into `out` (room for 4 bytes); returns the length.
int utf8_encode(char32_t u, char* out);

}  // namespace pantalla::detail
