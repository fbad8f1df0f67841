// The throw loop as the program runs it, beside the plain loop, in one run.
// For the wall time of the whole program at the largest count, run
// bench/dice_wall_time.sh.
#include <benchmark/benchmark.h>

#include <climits>

#include "app/dice.h"
#include "bench/plain_loop.h"
#include "runtime/throw_dice.h"

using namespace pantalla::detail;

namespace {

// The loop as written: one random_value(1) per throw.
void written_loop(benchmark::State& st) {
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

// What the program calls: range(1) picks the path, range(2) the threads
// (0: one per processor).
void program_throws(benchmark::State& st) {
    const auto n = static_cast<int32_t>(st.range(0));
    const auto path = static_cast<ThrowPath>(st.range(1));
    if (!throw_path_available(path)) {
        st.SkipWithError("path not available here");
        return;
    }
    for (auto _ : st) {
        DiceState s{};
        random_seed(1.0);
        throw_dice_using(path, static_cast<int32_t>(st.range(2)), n, s.face_counts, &s.throw_sum);
        benchmark::DoNotOptimize(s);
    }
    st.SetItemsProcessed(st.iterations() * n);
}

constexpr int64_t kAuto = static_cast<int64_t>(ThrowPath::automatic);
constexpr int64_t kSse2 = static_cast<int64_t>(ThrowPath::sse2);
constexpr int64_t kAvx2 = static_cast<int64_t>(ThrowPath::avx2);
constexpr int64_t kNeon = static_cast<int64_t>(ThrowPath::neon);

}  // namespace

BENCHMARK(plain_loop)->Arg(INT_MAX)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(written_loop)->Arg(1 << 26)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(program_throws)
    ->ArgNames({"n", "path", "threads"})
    ->Args({INT_MAX, kAuto, 1})
    ->Args({INT_MAX, kAuto, 0})
    ->Args({INT_MAX, kSse2, 1})
    ->Args({INT_MAX, kSse2, 0})
    ->Args({INT_MAX, kAvx2, 1})
    ->Args({INT_MAX, kNeon, 1})
    ->Args({INT_MAX, kNeon, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

BENCHMARK_MAIN();
