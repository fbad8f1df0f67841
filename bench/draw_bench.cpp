// The drawing primitives beside the bare loops that do the same work, on
// 800 x 600 at 8, 16 and 32 bits (the argument); flood fills of large
// pictures in images.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#include "gfx/draw.h"
#include "gfx/screen.h"
#include "tests/memory/fill_pictures.h"
#include "tests/memory/heap_meter.h"

using namespace pantalla::detail;

namespace {

constexpr int kW = 800, kH = 600;

// Opens mode 19 at the benchmark's depth on the "Null" driver.
struct Screen {
    explicit Screen(const benchmark::State& state) {
        screen_open(19, static_cast<int32_t>(state.range(0)), 1, kOpenNullDriver, 0);
    }
    ~Screen() { screen_open(0, 0, 0, 0, 0); }
    int bpp() const { return screen->bytes_per_pixel; }
};

template <class Pixel>
void put(uint8_t* const* rows, int x, int y, uint32_t v) {
    reinterpret_cast<Pixel*>(rows[y])[x] = static_cast<Pixel>(v);
}
using Put = void (*)(uint8_t* const*, int, int, uint32_t);
Put put_for(int bpp) { return bpp == 1 ? put<uint8_t> : bpp == 2 ? put<uint16_t> : put<uint32_t>; }

void BM_FilledBox(benchmark::State& state) {
    Screen s(state);
    for (auto _ : state) line_draw(0, 0, kW - 1, kH - 1, 7, kDrawBox | kDrawFilled, 0xFFFF);
    state.SetBytesProcessed(state.iterations() * kW * kH * s.bpp());
}
void BM_FilledBoxBareMemset(benchmark::State& state) {
    Screen s(state);
    for (auto _ : state) {
        for (int y = 0; y < kH; ++y) std::memset(screen->rows[y], 7, static_cast<size_t>(kW) * s.bpp());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kW * kH * s.bpp());
}

std::vector<int> random_ends() {
    std::mt19937 rng(1);
    std::vector<int> v(400000);
    for (size_t i = 0; i < v.size(); i += 2) v[i] = rng() % kW, v[i + 1] = rng() % kH;
    return v;
}

void BM_Lines100k(benchmark::State& state) {
    Screen s(state);
    const std::vector<int> e = random_ends();
    for (auto _ : state)
        for (size_t i = 0; i < e.size(); i += 4) line_draw(e[i], e[i + 1], e[i + 2], e[i + 3], 7, 0, 0xFFFF);
    state.SetItemsProcessed(state.iterations() * 100000);
}
// The textbook integer line loop, no clipping, no mask.
void BM_Lines100kBareLoop(benchmark::State& state) {
    Screen s(state);
    const std::vector<int> e = random_ends();
    const Put p = put_for(s.bpp());
    for (auto _ : state) {
        for (size_t i = 0; i < e.size(); i += 4) {
            int x0 = e[i], y0 = e[i + 1];
            const int x1 = e[i + 2], y1 = e[i + 3];
            const int dx = std::abs(x1 - x0), sx = x0 < x1 ? 1 : -1, dy = -std::abs(y1 - y0), sy = y0 < y1 ? 1 : -1;
            int err = dx + dy;
            for (;;) {
                p(screen->rows, x0, y0, 7);
                if (x0 == x1 && y0 == y1) break;
                const int e2 = 2 * err;
                if (e2 >= dy) err += dy, x0 += sx;
                if (e2 <= dx) err += dx, y0 += sy;
            }
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_Circle250(benchmark::State& state) {
    Screen s(state);
    for (auto _ : state) ellipse_draw(400, 300, 250, 7, 0, 0, 1, kDrawAspect);
}
void BM_Circle250BareMidpoint(benchmark::State& state) {
    Screen s(state);
    const Put p = put_for(s.bpp());
    for (auto _ : state) {
        int x = 250, y = 0, d = 1 - 250;
        while (y <= x) {
            const int pts[8][2] = {{x, y}, {y, x}, {-x, y}, {-y, x}, {x, -y}, {y, -x}, {-x, -y}, {-y, -x}};
            for (auto& q : pts) p(screen->rows, 400 + q[0], 300 + q[1], 7);
            ++y;
            if (d < 0) {
                d += 2 * y + 1;
            } else {
                --x;
                d += 2 * (y - x) + 1;
            }
        }
        benchmark::ClobberMemory();
    }
}

void BM_FloodEmpty(benchmark::State& state) {
    Screen s(state);
    uint32_t colour = 0x1F1F1F;  // the two colours differ at every depth
    for (auto _ : state) flood_fill(400, 300, (colour ^= 0x313131), 0xFFFFFF, 0);
    state.SetBytesProcessed(state.iterations() * kW * kH * s.bpp());
}

void BM_FloodMaze(benchmark::State& state) {
    Screen s(state);
    std::mt19937 rng(2);
    // Walls on a grid with random gaps: corridors one pixel wide.
    for (int y = 0; y < kH; ++y)
        for (int x = 0; x < kW; ++x)
            if ((x % 2 && y % 2) || ((x % 2 || y % 2) && rng() % 3 == 0)) point_set(x, y, 0xFFFFFF, 0);
    std::vector<uint8_t> page(screen->pages[0], screen->pages[0] + static_cast<size_t>(screen->pitch) * kH);
    int64_t filled = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(screen->pages[0], page.data(), page.size());
        state.ResumeTiming();
        flood_fill(0, 0, 0x808080, 0xFFFFFF, 0);
    }
    for (size_t i = 0; i < page.size(); i += s.bpp()) filled += page[i] != screen->pages[0][i];
    state.counters["filled"] = static_cast<double>(filled);
    state.SetItemsProcessed(state.iterations() * filled);
}

// An 8-bit image of range(0) x range(1) holding the picture, filled from its
// bottom left corner: the time per filled pixel, and the most the fill held
// beyond what it held before, against the image's size. That is measured on
// a thread of its own, where no seed stack is kept from an earlier fill.
void flood_picture(benchmark::State& state, void (*draw)(uint8_t* const*, int, int, uint8_t, uint8_t)) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    constexpr uint8_t kBorder = 15, kColour = 4;
    screen_open(19, 8, 1, kOpenNullDriver, 0);
    ImageHeader* image = image_create(w, h, 0);
    if (!image || draw_target(image)) {
        state.SkipWithError("no image");
        screen_open(0, 0, 0, 0, 0);
        return;
    }
    draw(screen->rows, w, h, kBorder, kColour);
    const size_t bytes = static_cast<size_t>(image->pitch) * h;
    const std::vector<uint8_t> picture(screen->rows[0], screen->rows[0] + bytes);
    int32_t failed = 0;
    size_t extra = 0;
    std::thread([&] {
        const size_t before = heap_meter::held();
        heap_meter::mark();
        failed = flood_fill(0, h - 1, kColour, kBorder, 0);
        extra = heap_meter::peak() - before;
    }).join();
    int64_t filled = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) filled += screen->rows[y][x] == kColour;
    for (auto _ : state) {
        state.PauseTiming();
        std::memcpy(screen->rows[0], picture.data(), bytes);
        state.ResumeTiming();
        failed |= flood_fill(0, h - 1, kColour, kBorder, 0);
    }
    if (failed) state.SkipWithError("the fill failed");
    state.counters["filled"] = static_cast<double>(filled);
    state.counters["per_pixel"] = benchmark::Counter(static_cast<double>(filled), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["extra_MB"] = static_cast<double>(extra) / 1e6;
    state.counters["extra_per_image"] = static_cast<double>(extra) / static_cast<double>(bytes);
    image_free(image);
    screen_open(0, 0, 0, 0, 0);
}
void BM_FloodComb(benchmark::State& state) { flood_picture(state, draw_comb); }
void BM_FloodPegboard(benchmark::State& state) { flood_picture(state, draw_pegboard); }

void put_image(benchmark::State& state, int32_t mode) {
    Screen s(state);
    ImageHeader* image = image_create(256, 256, 5);
    for (int y = 0; y < 256; y += 2) line_draw(0, y, 255, y, 0xFF00FF, 0, 0xFFFF);  // transparent rows
    for (auto _ : state) image_put(100, 100, image, mode, 0, 0);
    state.SetBytesProcessed(state.iterations() * 256 * 256 * s.bpp());
    image_free(image);
}
void BM_PutCopy(benchmark::State& state) { put_image(state, kPutCopy); }
void BM_PutTransparent(benchmark::State& state) { put_image(state, kPutTransparent); }
void BM_PutBareMemcpy(benchmark::State& state) {
    Screen s(state);
    ImageHeader* image = image_create(256, 256, 5);
    const uint8_t* pixels = reinterpret_cast<const uint8_t*>(image + 1);
    for (auto _ : state) {
        for (int y = 0; y < 256; ++y)
            std::memcpy(screen->rows[100 + y] + 100 * s.bpp(), pixels + static_cast<size_t>(y) * image->pitch,
                        static_cast<size_t>(256) * s.bpp());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * 256 * 256 * s.bpp());
    image_free(image);
}

void depths(benchmark::internal::Benchmark* b) { b->Arg(8)->Arg(16)->Arg(32); }

}  // namespace

BENCHMARK(BM_FilledBox)->Apply(depths);
BENCHMARK(BM_FilledBoxBareMemset)->Apply(depths);
BENCHMARK(BM_Lines100k)->Apply(depths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Lines100kBareLoop)->Apply(depths)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Circle250)->Apply(depths);
BENCHMARK(BM_Circle250BareMidpoint)->Apply(depths);
BENCHMARK(BM_FloodEmpty)->Apply(depths);
BENCHMARK(BM_FloodMaze)->Apply(depths);
BENCHMARK(BM_FloodComb)->Args({640, 480})->Args({4096, 4096})->Args({32768, 1024})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FloodPegboard)->Args({640, 480})->Args({4096, 4096})->Args({16384, 8192})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PutCopy)->Apply(depths);
BENCHMARK(BM_PutTransparent)->Apply(depths);
BENCHMARK(BM_PutBareMemcpy)->Apply(depths);
BENCHMARK_MAIN();
