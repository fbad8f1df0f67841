// Start-up of the "X11" driver up to its first drawn frame: the dice
// program's screen opens, a line is printed, the update thread shows it,
// the screen closes. Nothing of X is linked in, so the first open of a
// process also loads the X libraries; fresh_process_first_open measures
// that cost in child processes started from this same executable.
// Run it on an X server of its own:  bench/x11/startup_bench.sh build/linux/bench/startup_bench
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gfx/display/display_driver.h"
#include "gfx/screen.h"
#include "runtime/console_print.h"

using namespace pantalla::detail;

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

constexpr char kLine[] = "SIMULADOR DE LANZAMIENTO DE DADOS";
constexpr char kOnceFlag[] = "--once";

// A pass clears the marks of the rows it has converted and sent, so the
// printed line is on the server once no mark is left.
bool every_row_shown() {
    display_lock(screen->driver);
    const size_t marks = static_cast<size_t>(screen->height) * screen->scale;
    const bool shown = std::none_of(screen->dirty, screen->dirty + marks, [](uint8_t d) { return d != 0; });
    display_unlock(screen->driver);
    return shown;
}

// Milliseconds from the open to the first frame with the line on it, the
// close included; negative when the X11 driver did not open or draw.
double open_print_close() {
    const auto t0 = Clock::now();
    screen_open(19, 16, 4, kOpenFullScreen, 0);
    if (!screen || std::strcmp(screen->driver->name, "X11") != 0) {
        screen_open(0, 0, 0, 0, 0);
        return -1;
    }
    console_print(kLine, sizeof kLine - 1, 0);
    // Short sleeps rather than spinning: the update thread needs the lock.
    // A driver that never draws must not hang the run.
    bool shown = false;
    while (!(shown = every_row_shown()) && Clock::now() - t0 < std::chrono::seconds(20))
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    screen_open(0, 0, 0, 0, 0);
    return shown ? std::chrono::duration<double, std::milli>(Clock::now() - t0).count() : -1;
}

double cpu_ms(const rusage& u) {
    return (static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e6 +
            static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec)) / 1e3;
}

// Every thread's, the joined update threads' included: processor time
// hardly depends on the machine's load, wall time does.
double process_cpu_ms() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return cpu_ms(u);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0 : n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Opens after the first one: the libraries are loaded already.
void open_to_first_frame(benchmark::State& state) {
    if (open_print_close() < 0) return state.SkipWithError("the X11 driver did not open or draw");
    std::vector<double> ms;
    const double cpu0 = process_cpu_ms();
    for (auto _ : state) {
        const double t = open_print_close();
        if (t < 0) return state.SkipWithError("the X11 driver did not open or draw");
        ms.push_back(t);
    }
    state.counters["cpu_ms"] = (process_cpu_ms() - cpu0) / static_cast<double>(ms.size());
    state.counters["median_ms"] = median(ms);
    state.counters["min_ms"] = *std::min_element(ms.begin(), ms.end());
}

// A child's first open, timed inside it on the clock and in processor
// time, and its whole life from the spawn to the exit status.
struct ChildTimes {
    double open_ms, open_cpu_ms, process_ms, process_cpu_ms;
};

bool run_child(const char* self, ChildTimes* t) {
    int out[2];
    if (pipe(out) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    char* argv[] = {const_cast<char*>(self), const_cast<char*>(kOnceFlag), nullptr};
    const auto t0 = Clock::now();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, self, &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    std::string text;
    char buffer[64];
    for (ssize_t n; spawned == 0 && (n = read(out[0], buffer, sizeof buffer)) > 0;)
        text.append(buffer, static_cast<size_t>(n));
    close(out[0]);
    int status = 0;
    rusage usage{};
    if (spawned != 0 || wait4(pid, &status, 0, &usage) != pid) return false;
    t->process_ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
    t->process_cpu_ms = cpu_ms(usage);
    return std::sscanf(text.c_str(), "%lf %lf", &t->open_ms, &t->open_cpu_ms) == 2 && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

void fresh_process_first_open(benchmark::State& state) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return state.SkipWithError("cannot find this executable");
    self[n] = 0;
    std::vector<double> open_ms, open_cpu_ms, process_ms, process_cpu_ms;
    for (auto _ : state) {
        ChildTimes t{};
        if (!run_child(self, &t)) return state.SkipWithError("a child could not open or draw through the X11 driver");
        open_ms.push_back(t.open_ms);
        open_cpu_ms.push_back(t.open_cpu_ms);
        process_ms.push_back(t.process_ms);
        process_cpu_ms.push_back(t.process_cpu_ms);
    }
    state.counters["first_open_median_ms"] = median(open_ms);
    state.counters["first_open_cpu_median_ms"] = median(open_cpu_ms);
    state.counters["process_median_ms"] = median(process_ms);
    state.counters["process_cpu_median_ms"] = median(process_cpu_ms);
}

BENCHMARK(open_to_first_frame)->Iterations(100)->Unit(benchmark::kMillisecond);
BENCHMARK(fresh_process_first_open)->Iterations(20)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // The X11 driver only, as with DNGFX=X11.
    setenv("DNGFX", "X11", 1);
    if (argc == 2 && std::strcmp(argv[1], kOnceFlag) == 0) {
        const double cpu0 = process_cpu_ms();
        const double ms = open_print_close();
        std::printf("%.3f %.3f\n", ms, process_cpu_ms() - cpu0);
        return ms < 0 ? 1 : 0;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
