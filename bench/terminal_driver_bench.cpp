// The "Terminal" driver: the bytes and the time of one pass over the dice
// dialogue, and 10,000 printed lines that scroll, shown through the driver
// on a pseudo-terminal, beside the same printing on the "Null" driver and
// beside write() of the same text to the same pseudo-terminal. A thread
// drains the terminal's other side and counts what arrives.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bench/drained_pty.h"
#include "console/posix/terminal.h"
#include "gfx/display/display_driver.h"
#include "gfx/display/terminal_picture.h"
#include "gfx/display/terminal_view.h"
#include "gfx/screen.h"
#include "runtime/console_print.h"
#include "runtime/platform.h"
#include "runtime/text_cursor.h"

using namespace pantalla::detail;

namespace {

constexpr int kLines = 10000;

void print(const char* text) { console_print(text, static_cast<uint32_t>(std::strlen(text)), 0); }

const std::string& numbered_line(int i) {
    static std::string text;
    char head[16];
    std::snprintf(head, sizeof head, "%05d ", i);
    text.assign(head);
    while (text.size() < 78) text.push_back(static_cast<char>('a' + text.size() % 26));
    text += "\r\n";
    return text;
}

void print_lines() {
    for (int i = 0; i < kLines; ++i) {
        const std::string& line = numbered_line(i);
        console_print(line.data(), static_cast<uint32_t>(line.size()), 0);
    }
}

// The dialogue as the program leaves it, on the "Null" driver.
void dice_dialogue() {
    print("SIMULADOR DE LANZAMIENTO DE DADOS\r\n=================================\r\n");
    print("NUMERO DE LANZAMIENTOS = ? 12\r\n\r\n\r\nMEDIA ARITMETICA GLOBAL =  3.5\r\n\r\n");
    for (int face = 1; face <= 6; ++face) {
        char row[64];
        std::snprintf(row, sizeof row, "frecuecia absoluta de  %d =  2\r\n", face);
        print(row);
    }
}

void BM_DiceFirstPass(benchmark::State& state) {
    null_driver_read_console(false);
    screen_open(19, 16, 4, kOpenNullDriver, 0);
    dice_dialogue();
    size_t bytes = 0;
    for (auto _ : state) {
        TerminalPicture picture;
        TerminalView view(TermColours::xterm256);
        view.resize(120, 40);
        std::string out;
        picture.update(*screen, true);
        view.render(picture.picture(*screen, true), out);
        bytes = out.size();
        benchmark::DoNotOptimize(out.data());
    }
    screen_open(0, 0, 0, 0, 0);
    state.counters["bytes/pass"] = static_cast<double>(bytes);
}

// One typed character: the pass that shows it.
void BM_DiceTypedCharPass(benchmark::State& state) {
    null_driver_read_console(false);
    screen_open(19, 16, 4, kOpenNullDriver, 0);
    dice_dialogue();
    TerminalPicture picture;
    TerminalView view(TermColours::xterm256);
    view.resize(120, 40);
    std::string out;
    picture.update(*screen, true);
    view.render(picture.picture(*screen, true), out);
    size_t bytes = 0;
    int i = 0;
    for (auto _ : state) {
        state.PauseTiming();
        cursor_move(3, 30, -1, nullptr);
        print(++i % 2 ? "7" : "8");
        out.clear();
        state.ResumeTiming();
        picture.update(*screen, false);
        view.render(picture.picture(*screen, true), out);
        bytes = out.size();
    }
    screen_open(0, 0, 0, 0, 0);
    state.counters["bytes/pass"] = static_cast<double>(bytes);
}

void BM_LinesThroughTerminalDriver(benchmark::State& state) {
    DrainedPty pty(120, 40);
    const StdHandles before = std_handles;
    std_handles.input = pty.slave;
    std_handles.output = pty.slave;
    setenv("TERM", "xterm-256color", 1);
    setenv("DNGFX", "terminal", 1);
    unsetenv("DISPLAY");
    // Opening and closing wait for the update thread and the terminal's
    // answers; the time that counts is the printing, with the passes the
    // driver makes meanwhile (the CPU column covers every thread).
    for (auto _ : state) {
        state.PauseTiming();
        screen_open(19, 16, 4, kOpenFullScreen, 0);
        if (!screen || std::strcmp(screen->driver->name, "Terminal") != 0) {
            state.SkipWithError("the Terminal driver did not open");
            break;
        }
        state.ResumeTiming();
        print_lines();
        state.PauseTiming();
        screen_open(0, 0, 0, 0, 0);
        state.ResumeTiming();
    }
    terminal_mode_forget();
    std_handles = before;
    unsetenv("DNGFX");
    state.counters["bytes"] = static_cast<double>(pty.received.load()) / static_cast<double>(state.iterations());
}

void BM_LinesOnNullDriver(benchmark::State& state) {
    null_driver_read_console(false);
    for (auto _ : state) {
        screen_open(19, 16, 4, kOpenNullDriver, 0);
        print_lines();
        screen_open(0, 0, 0, 0, 0);
    }
}

void BM_LinesWrittenToPty(benchmark::State& state) {
    DrainedPty pty(120, 40);
    for (auto _ : state)
        for (int i = 0; i < kLines; ++i) {
            const std::string& line = numbered_line(i);
            for (size_t done = 0; done < line.size();) {
                const ssize_t n = write(pty.slave, line.data() + done, line.size() - done);
                if (n <= 0) break;
                done += static_cast<size_t>(n);
            }
        }
    state.counters["bytes"] = static_cast<double>(pty.received.load()) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_DiceFirstPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DiceTypedCharPass)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LinesThroughTerminalDriver)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_LinesOnNullDriver)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_LinesWrittenToPty)->Unit(benchmark::kMillisecond)->Iterations(5)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
