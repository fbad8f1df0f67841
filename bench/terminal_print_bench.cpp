// Printing lines of 80 characters to a pseudo-terminal through the console
// back end, beside fwrite of the same bytes, with a thread draining the
// terminal's other side. The back end should stay within 3x of the plain
// write.
#include <benchmark/benchmark.h>
#include <poll.h>
#include <pty.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <string>
#include <thread>

#include "console/console.h"
#include "console/posix/terminal.h"
#include "runtime/platform.h"

namespace {

constexpr int kLines = 100000;

class DrainedPty {
public:
    DrainedPty() {
        winsize ws{};
        ws.ws_col = 80;
        ws.ws_row = 25;
        openpty(&master, &slave, nullptr, nullptr, &ws);
        drain = std::thread([this] {
            char buffer[65536];
            while (!stop) {
                pollfd p{master, POLLIN, 0};
                if (poll(&p, 1, 10) > 0) (void)!read(master, buffer, sizeof buffer);
            }
        });
    }
    ~DrainedPty() {
        stop = true;
        drain.join();
        close(slave);
        close(master);
    }
    int master = -1, slave = -1;

private:
    std::thread drain;
    std::atomic<bool> stop{false};
};

const std::string& line() {
    static const std::string text = [] {
        std::string s;
        for (int i = 0; i < 80; ++i) s.push_back(static_cast<char>('!' + i % 90));
        return s + "\r\n";
    }();
    return text;
}

void BM_ConsolePrint(benchmark::State& state) {
    DrainedPty pty;
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
    DrainedPty pty;
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
