// Pixel conversion of a whole frame, and the update thread's pass interval
// while the program's thread polls for keys without pause.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <random>
#include <thread>
#include <vector>

#include "gfx/colours.h"
#include "gfx/display/blit.h"
#include "gfx/display/display_driver.h"
#include "gfx/display/window.h"
#include "gfx/keyboard.h"
#include "gfx/screen.h"
#include "runtime/rt_string.h"

using namespace pantalla::detail;

namespace {

constexpr int32_t kWidth = 800, kHeight = 600;

struct Frame {
    std::vector<uint8_t> pixels = std::vector<uint8_t>(static_cast<size_t>(kWidth) * kHeight * 2);
    std::vector<uint8_t> dirty = std::vector<uint8_t>(kHeight, 1);
    std::vector<uint8_t> out = std::vector<uint8_t>(static_cast<size_t>(kWidth) * kHeight * 4);
    Frame() {
        std::mt19937 random(3);
        for (uint8_t& p : pixels) p = static_cast<uint8_t>(random());
    }
};

void frame_16_to_32(benchmark::State& state, bool vector) {
    Frame f;
    Blitter b;
    blitter_choose(&b, 16, 32, false, vector);
    const BlitSource src{f.pixels.data(), kWidth * 2, kWidth, kHeight, 1, f.dirty.data()};
    for (auto _ : state) {
        int32_t first, end;
        blit_dirty_rows(b, src, f.out.data(), kWidth * 4, &first, &end);
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 2);
    state.SetLabel(b.vector ? "vectorised" : "table");
}
void BM_Frame16To32Table(benchmark::State& state) { frame_16_to_32(state, false); }
void BM_Frame16To32Vector(benchmark::State& state) { frame_16_to_32(state, true); }

// The plain form: one loop over the frame through the 2 x 256 table.
void BM_Frame16To32PlainLookup(benchmark::State& state) {
    Frame f;
    Blitter b;
    blitter_choose(&b, 16, 32, false, false);
    const uint32_t* lut = b.lut;
    for (auto _ : state) {
        const uint8_t* s = f.pixels.data();
        uint32_t* d = reinterpret_cast<uint32_t*>(f.out.data());
        for (int32_t i = 0; i < kWidth * kHeight; ++i) d[i] = lut[s[2 * i]] | lut[256 + s[2 * i + 1]];
        benchmark::DoNotOptimize(f.out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * kWidth * kHeight * 2);
}

BENCHMARK(BM_Frame16To32Table)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame16To32Vector)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Frame16To32PlainLookup)->Unit(benchmark::kMicrosecond);

// A window with no system behind it: the pass converts into memory and
// notes when each pass ran.
std::vector<uint8_t> surface;
std::vector<std::chrono::steady_clock::time_point> pass_times;

bool open_surface() {
    surface.assign(static_cast<size_t>(window.width) * window.height * 4, 0);
    return window_choose_blitter(32, false);
}
void close_surface() {}
uint8_t* begin_rows(int32_t* pitch) {
    *pitch = window.width * 4;
    return surface.data();
}
void pump_events() { pass_times.push_back(std::chrono::steady_clock::now()); }

const WindowOps memory_ops = {
    .open_surface = open_surface,
    .close_surface = close_surface,
    .paint = nullptr,
    .thread_main = nullptr,
    .send_palette = nullptr,
    .begin_rows = begin_rows,
    .present_rows = nullptr,
    .read_virtual_keys = nullptr,
    .held_scan_codes = nullptr,
    .pump_events = pump_events,
    .apply_title = nullptr,
    .warp_pointer = nullptr,
    .show_pointer = nullptr,
    .bind_context = nullptr,
    .restore_surfaces = nullptr,
    .wait_idle = nullptr,
    .wake_idle = nullptr,
    .in_place = false,
};

const DisplayDriver memory_driver = {
    .name = "Memory",
    .init = nullptr,
    .exit = window_exit,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = nullptr,
    .get_mouse = nullptr,
    .set_mouse = nullptr,
    .set_window_title = nullptr,
    .fetch_modes = nullptr,
    .poll_events = nullptr,
    .wait_input = nullptr,
};

void spin_for(std::chrono::microseconds d) {
    const auto until = std::chrono::steady_clock::now() + d;
    while (std::chrono::steady_clock::now() < until) {
    }
}

// The pass interval while the program's thread spins on gfx_poll_key_string;
// range(0) is how long the poller keeps the lock on each turn, in us.
void BM_PassIntervalWhileSpinning(benchmark::State& state) {
    null_driver_read_console(false);
    screen_open(19, 16, 4, kOpenNullDriver, 0);
    window_init(&memory_ops, "Memory", "bench", 800, 600, 16, 0, 0);
    screen->driver = &memory_driver;
    const auto hold = std::chrono::microseconds(state.range(0));
    std::vector<double> gaps;
    for (auto _ : state) {
        window_lock();
        pass_times.clear();
        window_unlock();
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (std::chrono::steady_clock::now() < end) {
            screen_lock();
            spin_for(hold);
            string_release_temp(gfx_poll_key_string());
            screen_unlock(0, 0);  // the poller also marks a row, as drawing would
        }
        window_lock();
        for (size_t i = 1; i < pass_times.size(); ++i)
            gaps.push_back(std::chrono::duration<double, std::milli>(pass_times[i] - pass_times[i - 1]).count());
        window_unlock();
    }
    window_exit();
    screen->driver = &null_driver;
    screen_open(0, 0, 0, 0, 0);
    std::sort(gaps.begin(), gaps.end());
    if (!gaps.empty()) {
        state.counters["median_ms"] = gaps[gaps.size() / 2];
        state.counters["p99_ms"] = gaps[gaps.size() * 99 / 100];
        state.counters["max_ms"] = gaps.back();
        state.counters["passes"] = static_cast<double>(gaps.size());
    }
}
BENCHMARK(BM_PassIntervalWhileSpinning)->Arg(0)->Arg(20)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
