// Loops that poll for a key once per frame, with the pacing of key polls on
// and off (range(0)): a frame that draws, one that only computes for
// range(1) microseconds, and the bare final wait (which the pacing slows
// on purpose: its processor time is the figure to look at).
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>

#include "gfx/display/display_driver.h"
#include "gfx/screen.h"
#include "runtime/keys.h"
#include "runtime/poll_pacer.h"

using namespace pantalla::detail;

namespace {

struct NullScreen {
    explicit NullScreen(bool pacing) {
        null_driver_read_console(false);
        poll_pacing(pacing);
        screen_open(19, 16, 4, kOpenNullDriver, 0);
    }
    ~NullScreen() {
        screen_open(0, 0, 0, 0, 0);
        poll_pacing(true);
        null_driver_read_console(true);
    }
};

void poll() { string_release_temp(poll_key_string()); }

void draw_and_poll(benchmark::State& st) {
    NullScreen open(st.range(0) != 0);
    uint8_t shade = 0;
    for (auto _ : st) {
        screen_lock();
        std::memset(screen_pointer(), ++shade, static_cast<size_t>(screen->pitch) * 16);
        screen_unlock(0, 15);
        poll();
    }
    st.SetItemsProcessed(st.iterations());
}

void compute_and_poll(benchmark::State& st) {
    NullScreen open(st.range(0) != 0);
    const auto work = std::chrono::microseconds(st.range(1));
    for (auto _ : st) {
        const auto until = std::chrono::steady_clock::now() + work;
        while (std::chrono::steady_clock::now() < until) {
        }
        poll();
    }
    st.SetItemsProcessed(st.iterations());
}

void final_wait(benchmark::State& st) {
    NullScreen open(st.range(0) != 0);
    for (auto _ : st) poll();
    st.SetItemsProcessed(st.iterations());
}

}  // namespace

BENCHMARK(draw_and_poll)->ArgName("pacing")->Arg(0)->Arg(1);
BENCHMARK(compute_and_poll)->ArgNames({"pacing", "us"})->Args({0, 300})->Args({1, 300})->Args({0, 1000})->Args({1, 1000});
BENCHMARK(final_wait)->ArgName("pacing")->Arg(0)->Arg(1)->UseRealTime();

BENCHMARK_MAIN();
