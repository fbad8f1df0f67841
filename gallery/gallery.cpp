// Every drawing primitive in a labelled grid: mode 19 at 8, 16 and 32 bits,
// then the 320 x 200 mode 13 to show the aspect. A key moves on to the next
// screen.
//   gallery [flags]   flags of the screen (1 full screen; -1 the Null driver)
// With GALLERY_DUMP naming a folder, each screen's framebuffer is written
// there before its key wait: screen-N.ppm as the display shows it, and its
// FNV-1a hash as a line of `hashes`.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/colours.h"
#include "gfx/display/blit.h"
#include "gfx/draw.h"
#include "gfx/screen.h"
#include "runtime/keys.h"
#include "runtime/print.h"
#include "runtime/startup.h"
#include "runtime/text_cursor.h"

using namespace pantalla::detail;

namespace {

struct Look {
    int32_t mode, depth;
    const char* name;
};
constexpr Look kScreens[] = {{19, 8, "800X600 8 BITS"}, {19, 16, "800X600 16 BITS"}, {19, 32, "800X600 32 BITS"},
                             {13, 8, "320X200 8 BITS"}};

// Named colours: a palette index at 8 bits, 0xRRGGBB deeper.
enum Hue { kBlue, kGreen, kCyan, kRed, kMagenta, kYellow, kWhite, kGrey, kHueCount };
constexpr struct {
    int64_t index, rgb;
} kHues[kHueCount] = {{9, 0x5555FF}, {10, 0x55FF55}, {11, 0x55FFFF}, {12, 0xFF5555},
                      {13, 0xFF55FF}, {14, 0xFFFF55}, {15, 0xFFFFFF}, {8, 0x555555}};

int64_t hue(int h) { return screen->depth <= 8 ? kHues[h % kHueCount].index : kHues[h % kHueCount].rgb; }

struct Cell {
    double w, h;  // the view's size; drawing is relative to its corner
    DrawBox view;  // on the screen
};

void points(const Cell& c) {
    uint32_t seed = 12345;
    for (int i = 0; i < 400; ++i) {
        seed = seed * 1103515245u + 12345u;
        point_set((seed >> 8) % static_cast<uint32_t>(c.w), (seed >> 20) % static_cast<uint32_t>(c.h), hue(i), 0);
    }
    for (int i = 0; i < c.w; i += 2) point_clear(i, c.h / 2, -1, 0);
}

void lines(const Cell& c) {
    for (int i = 0; i <= 12; ++i) line_draw(0, c.h - 1, c.w - 1, (c.h - 1) * i / 12, hue(i), 0, 0xFFFF);
    line_draw(0, 2, c.w - 1, 2, hue(kWhite), 0, 0xF0F0);
    line_draw(0, 0, 0, c.h - 1, hue(kYellow), 0, 0xCCCC);
}

void boxes(const Cell& c) {
    line_draw(2, 2, c.w - 3, c.h - 3, hue(kWhite), kDrawBox, 0xFFFF);
    line_draw(c.w / 6, c.h / 6, c.w * 5 / 6, c.h * 5 / 6, hue(kCyan), kDrawBox, 0xCCCC);
    line_draw(c.w / 3, c.h / 3, c.w * 2 / 3, c.h * 2 / 3, hue(kRed), kDrawBox | kDrawFilled, 0xFFFF);
    line_draw(8, 8, 12, 6, hue(kGreen), kDrawBox | kDrawFilled | kDrawStepEnd, 0);
}

void circles(const Cell& c) {
    const double r = std::min(c.w, c.h) / 2 - 2;
    for (int i = 1; i <= 4; ++i) ellipse_draw(c.w / 2, c.h / 2, r * i / 4, hue(i), 0, 0, 0, 0);
    ellipse_draw(c.w / 2, c.h / 2, r, hue(kWhite), 0, 0, 0.5, kDrawAspect);
    ellipse_draw(c.w / 2, c.h / 2, r, hue(kYellow), 0, 0, 2, kDrawAspect);
}

void arcs(const Cell& c) {
    const double r = std::min(c.w, c.h) / 2 - 2, pi = 3.14159265358979;
    ellipse_draw(c.w / 2, c.h / 2, r, hue(kCyan), 0, pi / 2, 0, kDrawArc);
    ellipse_draw(c.w / 2, c.h / 2, r * 0.8, hue(kGreen), pi, 2 * pi - 0.3, 0, kDrawArc);
    ellipse_draw(c.w / 2, c.h / 2, r * 0.6, hue(kRed), -pi / 4, -pi * 3 / 4, 0, kDrawArc);
    ellipse_draw(c.w / 2, c.h / 2, r * 0.4, hue(kYellow), -5, -1, 0, kDrawArc);  // wraps past 2 pi
}

void filled(const Cell& c) {
    const double r = std::min(c.w, c.h) / 2 - 2;
    ellipse_draw(c.w / 3, c.h / 2, r * 0.6, hue(kBlue), 0, 0, 1.5, kDrawAspect | kDrawFilled);
    ellipse_draw(c.w * 2 / 3, c.h / 2, r * 0.6, hue(kMagenta), -0.5, -5.5, 0, kDrawArc | kDrawFilled);
}

void fill(const Cell& c) {
    const double r = std::min(c.w, c.h) / 2 - 2;
    ellipse_draw(c.w / 2, c.h / 2, r, hue(kWhite), 0, 0, 0, 0);
    line_draw(0, 0, c.w - 1, c.h - 1, hue(kWhite), 0, 0xFFFF);
    line_draw(0, c.h - 1, c.w - 1, 0, hue(kWhite), 0, 0xFFFF);
    flood_fill(c.w / 2, c.h / 2 - r / 2, hue(kRed), hue(kWhite), 0);
    flood_fill(c.w / 2 - r / 2, c.h / 2, hue(kGreen), hue(kWhite), 0);
    flood_fill(1, c.h / 2, hue(kBlue), hue(kWhite), 0);
}

void tile(const Cell& c) {
    line_draw(4, 4, c.w - 5, c.h - 5, hue(kYellow), kDrawBox, 0xFFFF);
    ellipse_draw(c.w / 2, c.h / 2, std::min(c.w, c.h) / 4, hue(kYellow), 0, 0, 0, 0);
    // Two rows of 8 pixels: a checker holding the border colour too.
    const int bpp = screen->bytes_per_pixel;
    std::vector<uint8_t> rows(static_cast<size_t>(16 * bpp));
    for (int i = 0; i < 16; ++i) {
        const uint32_t v = colour_to_pixel(static_cast<uint32_t>(hue((i + i / 8) % 2 ? kYellow : kBlue)));
        std::memcpy(rows.data() + i * bpp, &v, static_cast<size_t>(bpp));
    }
    flood_fill_tile(8, 8, rows.data(), static_cast<int32_t>(rows.size()), hue(kYellow), 0);
}

// A small image drawn into, then put in several modes.
void images(const Cell& c) {
    ImageHeader* sprite = image_create(static_cast<int32_t>(c.w / 3), static_cast<int32_t>(c.h / 3), -1);
    if (!sprite) return;
    draw_target(sprite);
    line_draw(0, 0, sprite->width - 1, sprite->height - 1, static_cast<int64_t>(screen->depth <= 8 ? 0 : 0xFF00FF),
              kDrawBox | kDrawFilled, 0);
    ellipse_draw(sprite->width / 2.0, sprite->height / 2.0, sprite->width / 2.0 - 1, hue(kCyan), 0, 0, 0,
                 kDrawFilled);
    line_draw(0, 0, sprite->width - 1, sprite->height - 1, hue(kRed), 0, 0xFFFF);
    draw_target(nullptr);
    line_draw(0, c.h / 2, c.w - 1, c.h - 1, hue(kGrey), kDrawBox | kDrawFilled, 0);
    const int32_t modes[] = {kPutCopy, kPutXor, kPutTransparent, kPutInvert, kPutOr, kPutAnd};
    for (int i = 0; i < 6; ++i) image_put((i % 3) * c.w / 3, (i / 3) * c.h / 2 + 2, sprite, modes[i], 0, 0);
    image_free(sprite);
}

void alpha(const Cell& c) {
    for (int i = 0; i < 4; ++i)
        line_draw(i * c.w / 4, 0, (i + 1) * c.w / 4 - 1, c.h - 1, hue(i), kDrawBox | kDrawFilled, 0);
    ImageHeader* glass = image_create(static_cast<int32_t>(c.w * 3 / 4), static_cast<int32_t>(c.h / 3), hue(kWhite));
    if (!glass) return;
    if (screen->depth == 32) {
        image_put(c.w / 8, 4, glass, kPutAlpha, 96, 0);
        draw_target(glass);
        for (int x = 0; x < glass->width; ++x)
            line_draw(x, 0, x, glass->height - 1, int64_t{x} * 255 / glass->width << 24 | 0xFF0000, 0, 0xFFFF);
        draw_target(nullptr);
        image_put(c.w / 8, c.h / 2, glass, kPutAlpha, -1, 0);
    } else {
        image_put(c.w / 8, 4, glass, kPutAnd, 0, 0);
        image_put(c.w / 8, c.h / 2, glass, kPutXor, 0, 0);
    }
    image_free(glass);
}

void window(const Cell& c) {
    const DrawBox world{0, -1.2, 6.2832, 1.2};
    window_set(&world, 0);
    line_draw(0, 0, 6.2832, 0, hue(kGrey), 0, 0xFFFF);
    point_set(0, 0, hue(kGreen), 0);
    for (int i = 1; i <= 64; ++i) line_draw(0, 0, i * 6.2832 / 64, std::sin(i * 6.2832 / 64), hue(kGreen), kDrawFromPen, 0xFFFF);
    ellipse_draw(3.1416, 0, 0.5, hue(kYellow), 0, 0, 0, 0);
    window_set(nullptr, 0);
    (void)c;
}

void get_put(const Cell& c) {
    // The view of the cell to the left, read back from the whole screen and
    // put here inverted.
    const double left = c.view.x1 - (c.view.x2 - c.view.x1 + 5);
    view_set(nullptr, -1, -1, 0);
    ImageHeader* copy = image_get(left, c.view.y1, left + c.w - 1, c.view.y2, 0);
    view_set(&c.view, -1, -1, 0);
    if (!copy) return;
    image_put(0, 0, copy, kPutInvert, 0, 0);
    image_free(copy);
}

using Draw = void (*)(const Cell&);
constexpr struct {
    const char* label;
    Draw draw;
} kCells[] = {{"POINTS", points}, {"LINES", lines},   {"BOXES", boxes},   {"CIRCLES", circles},
              {"ARCS", arcs},     {"FILLED", filled}, {"FILL", fill},     {"TILE", tile},
              {"IMAGES", images}, {"ALPHA", alpha},   {"WINDOW", window}, {"GET PUT", get_put}};

void label(int32_t row, int32_t col, const char* text) {
    cursor_move(row, col, -1, nullptr);
    print_text(0, string_temp_literal(text), 0);
}

void draw_screen(const Look& look) {
    const int32_t glyph_h = screen->height / screen->text_rows;
    const int32_t cols = 4, rows = 3, cell_w = screen->width / cols;
    const int32_t cell_h = (screen->height - glyph_h) / rows;
    for (int i = 0; i < cols * rows; ++i) {
        const int32_t x = (i % cols) * cell_w, y = (i / cols) * cell_h;
        label(y / glyph_h + 1, x / 8 + 1, kCells[i].label);
        const DrawBox view{x + 2.0, y + glyph_h + 2.0, x + cell_w - 3.0, y + cell_h - 3.0};
        view_set(&view, 0, hue(kGrey), 0);
        kCells[i].draw(Cell{view.x2 - view.x1 + 1, view.y2 - view.y1 + 1, view});
        view_set(nullptr, -1, -1, 0);
    }
    label(screen->text_rows, 1, look.name);
    print_text(0, string_temp_literal(" - PRESS A KEY"), 0);
}

uint64_t fnv1a(const uint8_t* p, size_t n) {
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

// The visible page as the display shows it (24-bit red-high pixels), and
// the framebuffer's hash.
void dump(const char* folder, int index) {
    uint8_t* page = screen_pointer();
    const size_t bytes = static_cast<size_t>(screen->pitch) * screen->height;
    Blitter b;
    blitter_choose(&b, screen->depth <= 8 ? 8 : screen->depth, 32, false, false);
    blitter_set_palette(&b, screen->palette);
    std::vector<uint8_t> dirty(static_cast<size_t>(screen->height), 1), out(static_cast<size_t>(screen->width) * screen->height * 4);
    const BlitSource src{page, screen->pitch, screen->width, screen->height, 1, dirty.data()};
    int32_t first, end;
    blit_dirty_rows(b, src, out.data(), screen->width * 4, &first, &end);
    const std::string base = std::string(folder) + "/screen-" + std::to_string(index);
    if (FILE* f = std::fopen((base + ".ppm").c_str(), "wb")) {
        std::fprintf(f, "P6\n%d %d\n255\n", screen->width, screen->height);
        for (size_t i = 0; i < out.size(); i += 4) std::fputc(out[i + 2], f), std::fputc(out[i + 1], f), std::fputc(out[i], f);
        std::fclose(f);
    }
    if (FILE* f = std::fopen((std::string(folder) + "/hashes").c_str(), "a")) {
        std::fprintf(f, "%d %016llx\n", index, static_cast<unsigned long long>(fnv1a(page, bytes)));
        std::fclose(f);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t flags = argc > 1 ? std::atoi(argv[1]) : 0;
    module_init_once();
    runtime_start(argc, argv);
    runtime_module_constructors();
    const char* folder = std::getenv("GALLERY_DUMP");
    int index = 0;
    for (const Look& look : kScreens) {
        screen_open(look.mode, look.depth, 1, flags, 0);
        if (!screen_pointer()) {
            print_text(0, string_temp_literal("Error setting video mode!"), 1);
            runtime_end(1);
        }
        draw_screen(look);
        if (folder) dump(folder, index);
        ++index;
        wait_key_code();
    }
    runtime_end(0);
}
