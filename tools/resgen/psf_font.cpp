#include "tools/resgen/psf_font.h"

#include <zlib.h>

#include <stdexcept>

namespace {

std::vector<uint8_t> read_gz(const std::string& path) {
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) throw std::runtime_error(path + ": cannot open");
    std::vector<uint8_t> bytes;
    uint8_t chunk[16384];
    int got;
    while ((got = gzread(file, chunk, sizeof chunk)) > 0) bytes.insert(bytes.end(), chunk, chunk + got);
    const bool failed = got < 0;
    gzclose(file);
    if (failed) throw std::runtime_error(path + ": cannot decompress");
    return bytes;
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

// PSF1 table: 16-bit little-endian code points, 0xFFFE starts the
// sequences of a glyph, 0xFFFF ends its entry.
void read_psf1_table(const std::vector<uint8_t>& b, size_t at, PsfFont& font) {
    for (int g = 0; g < font.count; ++g) {
        bool in_sequences = false;
        for (;;) {
            if (at + 2 > b.size()) throw std::runtime_error("Unicode table truncated");
            const uint32_t u = b[at] | b[at + 1] << 8;
            at += 2;
            if (u == 0xFFFF) break;
            if (u == 0xFFFE) in_sequences = true;
            else if (!in_sequences) font.codes[g].push_back(u);
        }
    }
}

// PSF2 table: UTF-8, 0xFE starts the sequences of a glyph, 0xFF ends it.
void read_psf2_table(const std::vector<uint8_t>& b, size_t at, PsfFont& font) {
    for (int g = 0; g < font.count; ++g) {
        bool in_sequences = false;
        for (;;) {
            if (at >= b.size()) throw std::runtime_error("Unicode table truncated");
            const uint8_t lead = b[at];
            if (lead == 0xFF) {
                ++at;
                break;
            }
            if (lead == 0xFE) {
                in_sequences = true;
                ++at;
                continue;
            }
            const int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : 1;
            if (at + 1 + extra > b.size()) throw std::runtime_error("Unicode table truncated");
            uint32_t u = extra == 0 ? lead : lead & (0x3F >> extra);
            for (int k = 1; k <= extra; ++k) u = u << 6 | (b[at + k] & 0x3F);
            at += 1 + extra;
            if (!in_sequences) font.codes[g].push_back(u);
        }
    }
}

}  // namespace

int PsfFont::find(uint32_t code_point) const {
    for (int g = 0; g < count; ++g) {
        for (uint32_t u : codes[g]) {
            if (u == code_point) return g;
        }
    }
    return -1;
}

PsfFont psf_load(const std::string& path) {
    const std::vector<uint8_t> b = read_gz(path);
    PsfFont font;
    size_t glyphs_at = 0;
    bool has_table = false;
    bool utf8_table = false;
    if (b.size() >= 4 && b[0] == 0x36 && b[1] == 0x04) {
        font.count = (b[2] & 0x01) ? 512 : 256;
        has_table = (b[2] & 0x06) != 0;
        font.width = 8;
        font.height = b[3];
        glyphs_at = 4;
    } else if (b.size() >= 32 && le32(b, 0) == 0x864AB572) {
        glyphs_at = le32(b, 8);
        has_table = (le32(b, 12) & 1) != 0;
        utf8_table = true;
        font.count = static_cast<int>(le32(b, 16));
        font.height = static_cast<int>(le32(b, 24));
        font.width = static_cast<int>(le32(b, 28));
        if (le32(b, 20) != static_cast<uint32_t>(font.height * ((font.width + 7) / 8))) {
            throw std::runtime_error(path + ": glyph size does not match its cell");
        }
    } else {
        throw std::runtime_error(path + ": not a PSF font");
    }
    if (font.width <= 0 || font.width > 64 || font.height <= 0 || font.height > 64 ||
        font.count <= 0 || font.count > 65536) {
        throw std::runtime_error(path + ": implausible font header");
    }
    font.row_bytes = (font.width + 7) / 8;
    const size_t glyphs_end = glyphs_at + static_cast<size_t>(font.count) * font.glyph_bytes();
    if (glyphs_end > b.size()) throw std::runtime_error(path + ": glyphs truncated");
    font.glyphs.assign(b.begin() + glyphs_at, b.begin() + glyphs_end);
    font.codes.resize(font.count);
    if (has_table) {
        try {
            if (utf8_table) read_psf2_table(b, glyphs_end, font);
            else read_psf1_table(b, glyphs_end, font);
        } catch (const std::runtime_error& e) {
            throw std::runtime_error(path + ": " + e.what());
        }
    }
    return font;
}
