#include "console/posix/terminal_glyphs.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <cstring>

#include "console/cp437.h"
#include "console/posix/terminal.h"

namespace pantalla::detail {

namespace {

// The locale is read with the user's settings, then put back, so the
// program keeps running in the locale it had.
std::string locale_codeset() {
    const char* current = setlocale(LC_CTYPE, nullptr);
    const std::string before = current ? current : "C";
    std::string codeset;
    if (setlocale(LC_CTYPE, "")) codeset = nl_langinfo(CODESET);
    setlocale(LC_CTYPE, before.c_str());
    return codeset;
}

const std::string& codeset() {
    static const std::string name = locale_codeset();
    return name;
}

bool is_utf8(const std::string& name) {
    return strcasecmp(name.c_str(), "UTF-8") == 0 || strcasecmp(name.c_str(), "utf8") == 0;
}

// One character converted from UTF-8 into the locale's encoding; '?' when
// it has no form there.
Glyph convert(iconv_t to_locale, char32_t u) {
    Glyph g{{'?'}, 1};
    if (u < 0x80) {
        g.bytes[0] = static_cast<char>(u);
        return g;
    }
    if (to_locale == reinterpret_cast<iconv_t>(-1)) return g;
    char in[4];
    size_t in_left = static_cast<size_t>(utf8_encode(u, in));
    char* in_ptr = in;
    char out[sizeof g.bytes];
    char* out_ptr = out;
    size_t out_left = sizeof out;
    iconv(to_locale, nullptr, nullptr, nullptr, nullptr);
    if (iconv(to_locale, &in_ptr, &in_left, &out_ptr, &out_left) != static_cast<size_t>(-1) &&
        in_left == 0 && out_left < sizeof out) {
        g.length = static_cast<uint8_t>(sizeof out - out_left);
        std::memcpy(g.bytes, out, g.length);
    }
    return g;
}

struct GlyphTable {
    Glyph glyphs[256];
    GlyphTable() {
        const bool utf8 = terminal_locale_is_utf8();
        iconv_t to_locale = reinterpret_cast<iconv_t>(-1);
        if (!utf8 && !codeset().empty()) to_locale = iconv_open(codeset().c_str(), "UTF-8");
        for (int c = 0; c < 256; ++c) {
            const char32_t u = cp437_to_unicode(static_cast<uint8_t>(c));
            Glyph& g = glyphs[c];
            if (utf8) {
                g.length = static_cast<uint8_t>(utf8_encode(u, g.bytes));
            } else {
                g = convert(to_locale, u);
            }
        }
        if (to_locale != reinterpret_cast<iconv_t>(-1)) iconv_close(to_locale);
    }
};

}  // namespace

bool terminal_locale_is_utf8() {
    static const bool utf8 = is_utf8(codeset());
    return utf8;
}

const Glyph* cp437_glyphs() {
    static const GlyphTable table;
    return table.glyphs;
}

void append_wide_glyph(std::string& out, uint16_t unit) {
    if (unit < 32 || unit == 127) {
        const Glyph& g = cp437_glyphs()[unit];
        out.append(g.bytes, g.length);
        return;
    }
    if (unit < 127) {
        out.push_back(static_cast<char>(unit));
        return;
    }
    // C1 controls would act on the terminal; a lone surrogate is no character.
    const bool showable = !(unit >= 0x80 && unit < 0xA0) && !(unit >= 0xD800 && unit < 0xE000);
    if (terminal_locale_is_utf8()) {
        char bytes[4];
        out.append(bytes, static_cast<size_t>(utf8_encode(showable ? unit : 0xFFFD, bytes)));
        return;
    }
    out.push_back('?');
}

}  // namespace pantalla::detail
