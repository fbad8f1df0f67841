// Sixel images of an 800 x 600 page: time and bytes of a whole frame of a
// gallery-like screen at each depth (the argument), of one printed line's
// band, and of a gradient through the colour cube; the cube's error with
// and without the dither on three pictures; what the "Terminal" driver
// sends for a whole frame and for one printed line. The same frame and
// band as kitty images beside them.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gfx/colours.h"
#include "gfx/display/display_driver.h"
#include "gfx/display/kitty_encoder.h"
#include "gfx/display/sixel_encoder.h"
#include "gfx/display/terminal_pixels.h"
#include "gfx/draw.h"
#include "gfx/screen.h"
#include "gfx/text_draw.h"
#include "runtime/console_print.h"
#include "runtime/text_cursor.h"

using namespace pantalla::detail;

namespace {

constexpr int32_t kW = 800, kH = 600, kLine = 16;

int64_t hue(int i) {
    constexpr uint32_t rgb[] = {0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF, 0xAA5500};
    return screen->depth <= 8 ? 9 + i % 7 : rgb[i % 8];
}

void print_at(int32_t row, const char* text) {
    cursor_move(row, 1, -1, nullptr);
    console_print(text, static_cast<uint32_t>(std::strlen(text)), 0);
}

// A labelled grid of shapes, fills, lines and points on a plain background,
// as the gallery draws it (its real screens encode to 33 to 51 kB).
void draw_gallery() {
    uint32_t seed = 12345;
    for (int i = 0; i < 12; ++i) {
        const double x = 4 + i % 4 * 199, y = 24 + i / 4 * 176, w = 190, h = 150;
        line_draw(x, y, x + w, y + h, hue(6), kDrawBox, 0xFFFF);
        switch (i % 4) {
            case 0:
                line_draw(x + 30, y + 30, x + 160, y + 120, hue(i), kDrawBox | kDrawFilled, 0xFFFF);
                line_draw(x + 10, y + 10, x + 180, y + 140, hue(i + 1), kDrawBox, 0xCCCC);
                break;
            case 1:
                ellipse_draw(x + w / 2, y + h / 2, 60, hue(i), 0, 0, 0, 0);
                flood_fill(x + w / 2, y + h / 2, hue(i + 3), hue(i), 0);
                break;
            case 2:
                for (int k = 0; k <= 12; ++k) line_draw(x + 2, y + h - 2, x + w - 2, y + 2 + k * 12, hue(k), 0, 0xFFFF);
                break;
            default:
                for (int k = 0; k < 400; ++k) {
                    seed = seed * 1103515245u + 12345u;
                    point_set(x + 2 + (seed >> 8) % 186, y + 2 + (seed >> 20) % 146, hue(k), 0);
                }
        }
    }
    for (int32_t row = 1; row <= 34; row += 11) print_at(row, "BOXES       ELLIPSES      LINES        POINTS");
    print_at(37, "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789");
    text_settle();
}

struct Screen {
    explicit Screen(int32_t depth) {
        null_driver_read_console(false);
        screen_open(19, depth, 1, kOpenNullDriver, 0);
        for (int i = 0; i < 256; ++i) {
            const uint32_t e = screen->palette[i];  // red in the low byte
            palette[i] = (e & 0xFF) << 16 | (e & 0xFF00) | (e >> 16 & 0xFF);
        }
    }
    ~Screen() { screen_open(0, 0, 0, 0, 0); }
    SixelPage page() const {
        return {screen->visible_page, screen->pitch, screen->width, screen->height, screen->depth, palette};
    }
    uint32_t palette[256];
};

void BM_FullFrame(benchmark::State& state) {
    Screen s(static_cast<int32_t>(state.range(0)));
    draw_gallery();
    SixelEncoder encoder;
    std::string out;
    for (auto _ : state) {
        out.clear();
        encoder.encode(s.page(), {0, 0, kW, kH}, {}, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
}

// One printed line: the band of its cell row, beside the whole frame.
void BM_TextLineBand(benchmark::State& state) {
    Screen s(static_cast<int32_t>(state.range(0)));
    draw_gallery();
    SixelEncoder encoder;
    std::string full, band;
    encoder.encode(s.page(), {0, 0, kW, kH}, {}, full);
    for (auto _ : state) {
        band.clear();
        encoder.encode(s.page(), {0, 36 * kLine, kW, kLine}, {}, band);
        benchmark::DoNotOptimize(band.data());
    }
    state.counters["bytes"] = static_cast<double>(band.size());
    state.counters["percent_of_frame"] = 100.0 * band.size() / full.size();
}

// Kitty: 24-bit pixels whatever the depth, four base64 bytes for three;
// the whole frame (second argument 0) or one printed line's band (1).
void BM_Kitty(benchmark::State& state) {
    Screen s(static_cast<int32_t>(state.range(0)));
    draw_gallery();
    const SixelRect rect = state.range(1) ? SixelRect{0, 36 * kLine, kW, kLine} : SixelRect{0, 0, kW, kH};
    KittyEncoder encoder;
    std::string out;
    for (auto _ : state) {
        out.clear();
        encoder.encode(s.page(), rect, 1, {}, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
}

// What the "Terminal" driver sends to a terminal of 6 x 13 cells with room
// for the page: the whole first picture, then after one printed line the
// bands of the cell rows it touches.
void BM_DriverPrintedLine(benchmark::State& state) {
    Screen s(static_cast<int32_t>(state.range(0)));
    draw_gallery();
    TerminalCaps caps;
    caps.cell_width = 6, caps.cell_height = 13, caps.text_width = 840, caps.text_height = 650;
    size_t full = 0, line = 0;
    TerminalPixels pixels;
    pixels.set_caps(caps);
    for (auto _ : state) {
        pixels.invalidate();
        pixels.take(s.page(), 1, screen->dirty);
        pixels.encode(256);
        full = pixels.unsent().size();
        pixels.sent(full);
        print_at(37, "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789");
        text_settle();
        pixels.take(s.page(), 1, screen->dirty);
        pixels.encode(256);
        line = pixels.unsent().size();
        benchmark::DoNotOptimize(pixels.unsent().data());
        pixels.sent(line);
    }
    state.counters["frame_bytes"] = static_cast<double>(full);
    state.counters["line_bytes"] = static_cast<double>(line);
    state.counters["percent_of_frame"] = 100.0 * line / full;
}

// Smooth colour everywhere: every pixel goes through the cube.
std::vector<uint32_t> gradient() {
    std::vector<uint32_t> p(static_cast<size_t>(kW) * kH);
    for (int32_t y = 0; y < kH; ++y)
        for (int32_t x = 0; x < kW; ++x)
            p[static_cast<size_t>(y) * kW + x] = uint32_t(x * 255 / (kW - 1)) << 16 | uint32_t(y * 255 / (kH - 1)) << 8 |
                                                 uint32_t((x + y) * 255 / (kW + kH - 2));
    return p;
}

void BM_GradientFrame(benchmark::State& state) {
    const std::vector<uint32_t> pixels = gradient();
    const SixelPage page{reinterpret_cast<const uint8_t*>(pixels.data()), kW * 4, kW, kH, 32, nullptr};
    SixelEncoder encoder;
    std::string out;
    for (auto _ : state) {
        out.clear();
        encoder.encode(page, {0, 0, kW, kH}, {1, 256, state.range(0) != 0, 0}, out);
        benchmark::DoNotOptimize(out.data());
    }
    state.counters["bytes"] = static_cast<double>(out.size());
}

// The cube's mean error per channel against the 32-bit picture: per pixel,
// and of 4 x 4 block means (what the eye averages).
void cube_error(benchmark::State& state, const std::vector<uint32_t>& pixels) {
    const SixelPage page{reinterpret_cast<const uint8_t*>(pixels.data()), kW * 4, kW, kH, 32, nullptr};
    const bool dither = state.range(0) != 0;
    SixelPalette palette;
    std::vector<uint8_t> regs(pixels.size());
    for (auto _ : state) {
        palette.reset(page, 256);
        for (int32_t y = 0; y < kH; ++y)
            palette.map_cube(&pixels[static_cast<size_t>(y) * kW], kW, dither, 0, y, &regs[static_cast<size_t>(y) * kW]);
    }
    double pixel_error = 0, block_error = 0;
    for (int32_t by = 0; by < kH; by += 4)
        for (int32_t bx = 0; bx < kW; bx += 4)
            for (int shift = 0; shift <= 16; shift += 8) {
                int32_t sum_in = 0, sum_out = 0;
                for (int32_t y = by; y < by + 4; ++y)
                    for (int32_t x = bx; x < bx + 4; ++x) {
                        const size_t at = static_cast<size_t>(y) * kW + x;
                        const int32_t in = pixels[at] >> shift & 0xFF, out = palette.colour(regs[at]) >> shift & 0xFF;
                        pixel_error += std::abs(in - out);
                        sum_in += in, sum_out += out;
                    }
                block_error += std::abs(sum_in - sum_out) / 16.0;
            }
    state.counters["pixel_error"] = pixel_error / (3.0 * kW * kH);
    state.counters["block_error"] = block_error / (3.0 * kW * kH / 16);
}

std::vector<uint32_t> screen_copy() {
    std::vector<uint32_t> p(static_cast<size_t>(kW) * kH);
    for (int32_t y = 0; y < kH; ++y) std::memcpy(&p[static_cast<size_t>(y) * kW], screen->visible_page + y * screen->pitch, kW * 4);
    for (uint32_t& v : p) v &= 0xFFFFFF;
    return p;
}

void BM_CubeErrorGradient(benchmark::State& state) { cube_error(state, gradient()); }
void BM_CubeErrorGallery(benchmark::State& state) {
    Screen s(32);
    draw_gallery();
    cube_error(state, screen_copy());
}
void BM_CubeErrorText(benchmark::State& state) {
    Screen s(32);
    set_colours(0xE0E0C0, 0x203060);
    for (int32_t row = 1; row <= 37; ++row) print_at(row, "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG 0123456789 ()[]{}");
    text_settle();
    cube_error(state, screen_copy());
}

}  // namespace

BENCHMARK(BM_FullFrame)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextLineBand)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Kitty)->ArgsProduct({{8, 16, 32}, {0, 1}})->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DriverPrintedLine)->Arg(8)->Arg(16)->Arg(32)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_GradientFrame)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CubeErrorGradient)->Arg(0)->Arg(1)->Iterations(1);
BENCHMARK(BM_CubeErrorGallery)->Arg(0)->Arg(1)->Iterations(1);
BENCHMARK(BM_CubeErrorText)->Arg(0)->Arg(1)->Iterations(1);

BENCHMARK_MAIN();
