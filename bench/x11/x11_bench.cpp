// The X11 side of the display: putting a frame with and without shared
// memory, and what the update thread costs while nothing changes. Needs a
// display, e.g.  xvfb-run -s "-screen 0 1024x768x24" bench/x11_bench
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <benchmark/benchmark.h>
#include <sys/ipc.h>
#include <sys/resource.h>
#include <sys/shm.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "gfx/display/display_driver.h"
#include "gfx/screen.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"

using namespace pantalla::detail;

namespace {

constexpr unsigned kWidth = 800, kHeight = 600;

struct Target {
    Display* d = nullptr;
    Window w = 0;
    GC gc = nullptr;
    Target() {
        if (!(d = XOpenDisplay(nullptr))) return;
        const int s = DefaultScreen(d);
        w = XCreateSimpleWindow(d, RootWindow(d, s), 0, 0, kWidth, kHeight, 0, 0, 0);
        XMapWindow(d, w);
        gc = XCreateGC(d, w, 0, nullptr);
        XSync(d, False);
    }
    ~Target() {
        if (!d) return;
        XFreeGC(d, gc);
        XDestroyWindow(d, w);
        XCloseDisplay(d);
    }
};

void BM_XPutImageFrame(benchmark::State& state) {
    Target t;
    if (!t.d) return state.SkipWithError("no display");
    const int s = DefaultScreen(t.d);
    XImage* img = XCreateImage(t.d, DefaultVisual(t.d, s), static_cast<unsigned>(DefaultDepth(t.d, s)), ZPixmap,
                               0, nullptr, kWidth, kHeight, 32, 0);
    img->data = static_cast<char*>(std::calloc(static_cast<size_t>(img->bytes_per_line) * kHeight, 1));
    for (auto _ : state) {
        XPutImage(t.d, t.w, t.gc, img, 0, 0, 0, 0, kWidth, kHeight);
        XSync(t.d, False);
    }
    XDestroyImage(img);
}

void BM_XShmPutImageFrame(benchmark::State& state) {
    Target t;
    if (!t.d) return state.SkipWithError("no display");
    if (!XShmQueryExtension(t.d)) return state.SkipWithError("no MIT-SHM");
    const int s = DefaultScreen(t.d);
    XShmSegmentInfo shm{};
    XImage* img = XShmCreateImage(t.d, DefaultVisual(t.d, s), static_cast<unsigned>(DefaultDepth(t.d, s)), ZPixmap,
                                  nullptr, &shm, kWidth, kHeight);
    shm.shmid = shmget(IPC_PRIVATE, static_cast<size_t>(img->bytes_per_line) * kHeight, IPC_CREAT | 0600);
    shm.shmaddr = img->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
    XShmAttach(t.d, &shm);
    XSync(t.d, False);
    shmctl(shm.shmid, IPC_RMID, nullptr);
    for (auto _ : state) {
        XShmPutImage(t.d, t.w, t.gc, img, 0, 0, 0, 0, kWidth, kHeight, False);
        XSync(t.d, False);
    }
    XShmDetach(t.d, &shm);
    XSync(t.d, False);
    shmdt(shm.shmaddr);
    img->data = nullptr;
    XDestroyImage(img);
}

double cpu_seconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The program's thread sleeps; whatever the process spends is the update
// thread's idle passes.
void BM_IdleUpdateThread(benchmark::State& state) {
    screen_open(19, 16, 4, 0, 0);
    if (!screen || std::strcmp(screen->driver->name, "X11") != 0) {
        screen_open(0, 0, 0, 0, 0);
        return state.SkipWithError("the X11 driver did not open");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the first frame is drawn
    double percent = 0;
    for (auto _ : state) {
        const double cpu0 = cpu_seconds();
        const auto t0 = std::chrono::steady_clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        percent = 100.0 * (cpu_seconds() - cpu0) / wall;
    }
    screen_open(0, 0, 0, 0, 0);
    state.counters["cpu_percent_of_a_core"] = percent;
}

// Printing through the "OpenGL" driver, which draws on the program's
// thread: a line and its line end per iteration, scrolling once the
// screen is full. What matters is how much the passes after each drawing
// add to a print.
void BM_OpenGlPrintLine(benchmark::State& state) {
    screen_open(19, 16, 4, kOpenOpenGl, 0);
    if (!screen || std::strcmp(screen->driver->name, "OpenGL") != 0) {
        screen_open(0, 0, 0, 0, 0);
        return state.SkipWithError("the OpenGL driver did not open");
    }
    for (auto _ : state) print_text(0, string_temp_literal("A LINE OF TEXT ON THE GRAPHICS SCREEN"), 1);
    screen_open(0, 0, 0, 0, 0);
}

BENCHMARK(BM_XPutImageFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_OpenGlPrintLine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_XShmPutImageFrame)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IdleUpdateThread)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
