// The throw loop as the program runs it, beside the plain loop, in one run.
// For the wall time of the whole program at the largest count, run
// bench/dice_wall_time.sh.
#include <benchmark/benchmark.h>

#include "app/dice.h"
#include "bench/plain_loop.h"

namespace {

void program_loop(benchmark::State& st) {
    const auto n = static_cast<int32_t>(st.range(0));
    for (auto _ : st) {
        DiceState s{};
        random_seed(1.0);
        throw_dice(s, 1, n);
        benchmark::DoNotOptimize(s);
    }
    st.SetItemsProcessed(st.iterations() * n);
}

void plain_loop(benchmark::State& st) {
    const auto n = static_cast<int32_t>(st.range(0));
    for (auto _ : st) {
        PlainResult r = plain_throw_loop(1, n);
        benchmark::DoNotOptimize(r);
    }
    st.SetItemsProcessed(st.iterations() * n);
}

}  // namespace

BENCHMARK(program_loop)->Arg(1 << 26)->Unit(benchmark::kMillisecond);
BENCHMARK(plain_loop)->Arg(1 << 26)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
