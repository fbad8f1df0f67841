// Unpacking the built-in fonts and colour tables happens once per process,
// at the first screen set-up; this measures what that costs.
#include "gfx/resources.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace pantalla::detail;

static void BM_UnpackBuiltinBlock(benchmark::State& state) {
    std::vector<uint8_t> out(resource_size);
    for (auto _ : state) {
        int32_t length = resource_size;
        benchmark::DoNotOptimize(lzw_unpack(resource_packed_data(), resource_packed_size(), out.data(), &length));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * resource_size);
}
BENCHMARK(BM_UnpackBuiltinBlock);

BENCHMARK_MAIN();
