// Printing lines of 80 characters to a pseudo-terminal through the console
// back end, beside fwrite of the same bytes, with a thread draining the
// terminal's other side. The back end should stay within 3x of the plain
// write.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "bench/drained_pty.h"
#include "console/console.h"
#include "console/posix/terminal.h"
#include "runtime/platform.h"

using namespace pantalla::detail;

namespace {

constexpr int kLines = 100000;

const std::string& line() {
    static const std::string text = [] {
        std::string s;
        for (int i = 0; i < 80; ++i) s.push_back(static_cast<char>('!' + i % 90));
        return s + "\r\n";
    }();
    return text;
}

void BM_ConsolePrint(benchmark::State& state) {
    DrainedPty pty(80, 25);
    terminal_output_forget();
    std_handles.output = pty.slave;
    std_handles.input = -1;
    for (auto _ : state)
        for (int i = 0; i < kLines; ++i)
            console_print_text(line().data(), static_cast<uint32_t>(line().size()), 0);
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(kLines) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_Fwrite(benchmark::State& state) {
    DrainedPty pty(80, 25);
    FILE* out = fdopen(dup(pty.slave), "w");
    for (auto _ : state) {
        for (int i = 0; i < kLines; ++i) fwrite(line().data(), 1, line().size(), out);
        fflush(out);
    }
    fclose(out);
    state.counters["lines/s"] =
        benchmark::Counter(static_cast<double>(kLines) * state.iterations(), benchmark::Counter::kIsRate);
}

BENCHMARK(BM_ConsolePrint)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();
BENCHMARK(BM_Fwrite)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
