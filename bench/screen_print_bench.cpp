// Printing on the dice program's screen, every line scrolling the text
// area by one text row, beside a plain copy of the same band.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "gfx/display/display_driver.h"
#include "gfx/screen.h"
#include "runtime/console_print.h"
#include "runtime/text_cursor.h"

using namespace pantalla::detail;

namespace {

void print_scrolling_lines(benchmark::State& st) {
    null_driver_read_console(false);
    screen_open(19, 16, 4, kOpenNullDriver, 0);
    const std::string line(100, 'x');
    cursor_move(37, 1, -1, nullptr);
    for (auto _ : st) {
        // 100 characters fill the bottom row and leave the wrap pending, so
        // each line first scrolls the text area by one text row.
        console_print(line.data(), static_cast<uint32_t>(line.size()), 0);
    }
    benchmark::DoNotOptimize(screen->pages[0][0]);
    screen_open(0, 0, 0, 0, 0);
    st.SetItemsProcessed(st.iterations());
}

void plain_band_copy(benchmark::State& st) {
    // The text area of 37 rows of 16 pixel rows at 1600 bytes: move 36
    // text rows up by one and clear the freed one.
    std::vector<uint8_t> page(600 * 1600, 1);
    for (auto _ : st) {
        std::memmove(page.data(), page.data() + 16 * 1600, 576 * 1600);
        std::memset(page.data() + 576 * 1600, 0, 16 * 1600);
        benchmark::DoNotOptimize(page.data());
    }
    st.SetItemsProcessed(st.iterations());
}

}  // namespace

BENCHMARK(print_scrolling_lines)->Iterations(10000)->Unit(benchmark::kMicrosecond);
BENCHMARK(plain_band_copy)->Iterations(10000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
