// The friendly interface beside the statements it calls: 100,000 lines and
// 100,000 prints each way on a "Null" screen, the two batches alternating
// so that a change of the machine's load falls on both. The counter
// "ratio" is friendly time over statement time: its own cost.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>

#include "gfx/display/display_driver.h"
#include "gfx/draw.h"
#include "gfx/screen.h"
#include "pantalla/pantalla.hpp"
#include "runtime/print.h"

namespace {

constexpr int kCalls = 100000;

// The thread's processor time: the other programs on the machine do not
// count.
double cpu_seconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

template <class Friendly, class Statements>
void side_by_side(benchmark::State& st, Friendly friendly, Statements statements) {
    null_driver_read_console(false);
    pantalla::open(pantalla::Mode::w800x600, 8, 1, pantalla::null_display);
    double friendly_time = 0, statement_time = 0;
    for (auto _ : st) {
        double start = cpu_seconds();
        for (int i = 0; i < kCalls; ++i) friendly(i);
        friendly_time += cpu_seconds() - start;
        start = cpu_seconds();
        for (int i = 0; i < kCalls; ++i) statements(i);
        statement_time += cpu_seconds() - start;
    }
    pantalla::close();
    st.counters["friendly_ms"] = friendly_time * 1e3 / st.iterations();
    st.counters["statements_ms"] = statement_time * 1e3 / st.iterations();
    st.counters["ratio"] = friendly_time / statement_time;
}

void lines(benchmark::State& st) {
    side_by_side(
        st, [](int i) { pantalla::line(i % 800, 10, 799 - i % 800, 590, i & 255); },
        [](int i) { line_draw(i % 800, 10, 799 - i % 800, 590, i & 255, 0, 0xFFFF); });
}

void prints(benchmark::State& st) {
    side_by_side(
        st, [](int) { pantalla::print("dados "); },
        [](int) { print_text(0, string_temp_literal("dados ", 6), 0); });
}

}  // namespace

BENCHMARK(lines)->Iterations(10)->Unit(benchmark::kMillisecond);
BENCHMARK(prints)->Iterations(20)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
