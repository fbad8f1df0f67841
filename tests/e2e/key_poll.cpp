// Loops that poll for keys, for measuring what they cost
// (bench/key_wait_cpu.sh, bench/game_loop.sh) on every back end:
//   key_poll [line]           the dice program's final wait on the text
//                             console: polls without pause until a key
//                             comes, then prints its code (line: after a
//                             line read with the prompt LINE, as the
//                             dice program's wait comes after its answer)
//   key_poll screen [full] [opengl] [line]
//                             the same wait on the dice program's screen
//                             in a window (or full screen; opengl: with
//                             open flag 0x02), after showing WAITING on
//                             it; the driver's name goes to the error
//                             stream
//   key_poll frames SECONDS [full] [opengl] [unpaced]
//                             a game loop on that screen: each frame draws
//                             the whole page and polls once; prints the
//                             frames per second once the screen has
//                             closed (unpaced: with the runtime's pacing
//                             of empty polls switched off)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gfx/display/display_driver.h"
#include "gfx/screen.h"
#include "runtime/keys.h"
#include "runtime/line_input.h"
#include "runtime/poll_pacer.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"
#include "runtime/startup.h"

using namespace pantalla::detail;

namespace {

void wait_for_key() {
    RtString key{};
    while (string_compare(&key, string_empty()) == 0) string_assign(&key, poll_key_string());
    print_integer(0, key_string_code(&key), 1);
}

bool has_word(int argc, char** argv, const char* word) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], word) == 0) return true;
    return false;
}

bool open_screen(int argc, char** argv) {
    const int32_t flags = (has_word(argc, argv, "full") ? kOpenFullScreen : 0) |
                          (has_word(argc, argv, "opengl") ? kOpenOpenGl : 0);
    screen_open(19, 16, 1, flags, 0);
    if (!screen) {
        std::fprintf(stderr, "key_poll: no screen\n");
        return false;
    }
    std::fprintf(stderr, "driver: %s\n", screen->driver->name);
    return true;
}

int frames(double seconds, int argc, char** argv) {
    const bool paced = !has_word(argc, argv, "unpaced");
    poll_pacing(paced);
    if (!open_screen(argc, argv)) return 1;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    long count = 0;
    uint8_t shade = 0;
    while (std::chrono::steady_clock::now() < end) {
        screen_lock();
        std::memset(screen_pointer(), ++shade, static_cast<size_t>(screen->pitch) * screen->height);
        screen_unlock(0, screen->height - 1);
        string_release_temp(poll_key_string());
        ++count;
    }
    const double spent = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    screen_open(0, 0, 0, 0, 0);
    std::printf("%s: %.0f frames per second\n", paced ? "paced" : "unpaced", count / spent);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    module_init_once();
    runtime_start(argc, argv);
    runtime_module_constructors();
    const char* what = argc > 1 ? argv[1] : "";
    if (std::strcmp(what, "frames") == 0) {
        const double seconds = argc > 2 ? std::atof(argv[2]) : 0;
        if (seconds <= 0) {
            std::fprintf(stderr, "usage: key_poll frames SECONDS [full] [opengl] [unpaced]\n");
            runtime_end(2);
        }
        runtime_end(frames(seconds, argc, argv));
    }
    if (std::strcmp(what, "screen") == 0 && !open_screen(argc, argv)) runtime_end(1);
    if (has_word(argc, argv, "line")) read_line_prompted(string_temp_literal("LINE"), -1, -1);
    print_text(0, string_temp_literal("WAITING"), 1);
    wait_for_key();
    runtime_end(0);
}
