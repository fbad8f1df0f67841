// Reads the text rows back from a screenshot of the graphics screen.
//   screen_text shot.ppm x y zoom cols rows
// The screen's top left corner is at (x, y) of the binary PPM; each 8 x 16
// glyph cell, enlarged zoom times, is compared with the 8 x 16 font: a lit
// pixel is foreground. Prints one line per text row, trailing blanks cut;
// a cell that matches no glyph prints as '?'.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/resources.h"

using namespace pantalla::detail;

namespace {

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    bool lit(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return false;
        const unsigned char* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
        return p[0] + p[1] + p[2] > 3 * 64;
    }
};

bool read_ppm(const char* path, Image* img) {
    FILE* f = std::fopen(path, "rb");
    if (!f) return false;
    int maxval = 0;
    const bool ok = std::fscanf(f, "P6 %d %d %d", &img->width, &img->height, &maxval) == 3 && maxval == 255 &&
                    img->width > 0 && img->height > 0 && std::fgetc(f) != EOF;
    if (ok) {
        img->rgb.resize(static_cast<size_t>(img->width) * img->height * 3);
        const bool complete = std::fread(img->rgb.data(), 1, img->rgb.size(), f) == img->rgb.size();
        std::fclose(f);
        return complete;
    }
    std::fclose(f);
    return false;
}

// The character whose glyph the cell shows; the blank is tried first, so
// an empty cell reads as a space.
char cell_char(const Image& img, int x0, int y0, int zoom) {
    const FontDescriptor& font = font_8x16;
    unsigned char rows[16];
    for (int y = 0; y < 16; ++y) {
        rows[y] = 0;
        for (int x = 0; x < 8; ++x)
            if (img.lit(x0 + x * zoom + zoom / 2, y0 + y * zoom + zoom / 2)) rows[y] |= 1 << x;
    }
    for (int pass = 0; pass < 2; ++pass)
        for (int c = pass ? 0 : 32; c < (pass ? 256 : 33); ++c) {
            const uint8_t* g = font.data + c * 16;
            bool same = true;
            for (int y = 0; y < 16 && same; ++y) same = g[y] == rows[y];
            if (same) return static_cast<char>(c);
        }
    return '?';
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 7) {
        std::fprintf(stderr, "usage: screen_text shot.ppm x y zoom cols rows\n");
        return 2;
    }
    Image img;
    if (!read_ppm(argv[1], &img)) {
        std::fprintf(stderr, "screen_text: cannot read %s as a binary PPM\n", argv[1]);
        return 2;
    }
    const int x = std::atoi(argv[2]), y = std::atoi(argv[3]), zoom = std::atoi(argv[4]);
    const int cols = std::atoi(argv[5]), rows = std::atoi(argv[6]);
    if (zoom < 1) return 2;
    resources_unpack();
    for (int r = 0; r < rows; ++r) {
        std::string line;
        for (int c = 0; c < cols; ++c) line += cell_char(img, x + c * 8 * zoom, y + r * 16 * zoom, zoom);
        line.erase(line.find_last_not_of(' ') + 1);
        std::printf("%s\n", line.c_str());
    }
    return 0;
}
