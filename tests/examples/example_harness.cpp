// Runs an example's main on an open screen's terms, then writes what the
// screen shows: the text rows of the visible page on standard output, and
// with an argument its pixels as a PPM file of that name.
#include <cstdio>
#include <string>

#include "gfx/screen.h"

int example_main();

namespace {

int visible_index() {
    for (int32_t p = 0; p < screen->page_count; ++p)
        if (screen->pages[p] == screen->visible_page) return p;
    return 0;
}

void write_text() {
    if (!screen->text_cells) return;
    const TextCell* cells = screen->text_cells[visible_index()];
    std::string all;
    for (int32_t row = 0; row < screen->text_rows; ++row) {
        std::string line;
        for (int32_t col = 0; col < screen->text_cols; ++col) {
            const uint32_t code = cells[row * screen->text_cols + col].code;
            line += code >= 32 && code < 127 ? static_cast<char>(code) : code == 0 ? ' ' : '?';
        }
        line.erase(line.find_last_not_of(' ') + 1);
        all += line + '\n';
    }
    all.erase(all.find_last_not_of('\n') + 1);
    std::printf("%s\n", all.c_str());
}

// 8-bit screens through their palette, 16-bit ones as 5-6-5, 32-bit ones
// as 0xRRGGBB.
void write_picture(const char* path) {
    std::FILE* f = std::fopen(path, "wb");
    if (!f) return;
    std::fprintf(f, "P6\n%d %d\n255\n", screen->width, screen->height);
    for (int32_t y = 0; y < screen->height; ++y)
        for (int32_t x = 0; x < screen->width; ++x) {
            const uint8_t* p = screen->visible_page + static_cast<size_t>(y) * screen->pitch + x * screen->bytes_per_pixel;
            unsigned char rgb[3];
            if (screen->bytes_per_pixel == 1) {
                const uint32_t e = screen->palette[*p];
                for (int i = 0; i < 3; ++i) rgb[i] = static_cast<unsigned char>(e >> (8 * i));
            } else if (screen->bytes_per_pixel == 2) {
                const uint32_t v = p[0] | p[1] << 8;
                rgb[0] = static_cast<unsigned char>((v >> 11) << 3);
                rgb[1] = static_cast<unsigned char>(((v >> 5) & 63) << 2);
                rgb[2] = static_cast<unsigned char>((v & 31) << 3);
            } else {
                rgb[0] = p[2], rgb[1] = p[1], rgb[2] = p[0];
            }
            std::fwrite(rgb, 1, 3, f);
        }
    std::fclose(f);
}

}  // namespace

int main(int argc, char** argv) {
    const int code = example_main();
    if (screen) {
        write_text();
        if (argc > 1) write_picture(argv[1]);
    }
    return code;
}
