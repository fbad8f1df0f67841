// A small program on the graphics screen for the GDI driver's end-to-end
// tests: opens and closes mode 19 a number of times in one process, then
// keeps it open for a dialogue: a heading, a number read with the line
// editor, its echo, and a wait for a key, whose code it prints on standard
// output. On standard error it tells which driver opened each screen and
// where the client area's top left corner is on the desktop.
//   gdi_demo [opens [flags]]
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "gfx/display/display_driver.h"
#include "gfx/display/window.h"
#include "gfx/screen.h"
#include "runtime/keys.h"
#include "runtime/line_input.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"
#include "runtime/startup.h"

using namespace pantalla::detail;

namespace {

void report_driver(int32_t open) {
    POINT origin{0, 0};
    if (window.handle) ClientToScreen(static_cast<HWND>(window.handle), &origin);
    std::fprintf(stderr, "open %d driver %s %s origin %ld %ld\n", open, screen->driver->name,
                 (window.flags & kOpenFullScreen) ? "full" : "window", origin.x, origin.y);
    std::fflush(stderr);
}

}  // namespace

int main(int argc, char** argv) {
    const int32_t opens = argc > 1 ? std::atoi(argv[1]) : 1;
    const int32_t flags = argc > 2 ? std::atoi(argv[2]) : 0;
    module_init_once();
    runtime_start(argc, argv);
    runtime_module_constructors();

    for (int32_t i = 1; i <= opens; ++i) {
        screen_open(19, 16, 2, flags, 0);
        if (!screen_pointer()) {
            print_text(0, string_temp_literal("Error setting video mode!"), 1);
            runtime_end(0);
        }
        report_driver(i);
        if (i == opens) break;
        print_text(0, string_temp_literal("CLOSING SOON"), 1);
        Sleep(100);
        screen_open(0, 0, 0, 0, 0);
    }
    print_text(0, string_temp_literal("GDI SCREEN TEST"), 1);
    print_text(0, string_temp_literal("==============="), 1);
    read_line_prompted(string_temp_literal("NUMBER = "), -1, -1);
    int32_t number = 0;
    read_int_field(&number);
    print_text(0, string_temp_literal("GOT "), 0);
    print_integer(0, number, 1);
    print_text(0, string_temp_literal("PRESS A KEY"), 1);

    RtString key{};
    while (string_compare(&key, string_empty()) == 0) string_assign(&key, poll_key_string());
    const auto* b = reinterpret_cast<const unsigned char*>(key.data);
    const int32_t code = b[0] == 255 && (key.length & ~kTemporaryBit) > 1 ? b[1] * 256 + 255 : b[0];
    std::fprintf(stderr, "key %X\n", static_cast<unsigned>(code));
    std::fflush(stderr);
    runtime_end(0);
}
