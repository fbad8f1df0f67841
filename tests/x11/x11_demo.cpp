// A small program on the graphics screen for the end-to-end tests: mode 19
// at the depth and flags given, a heading, a number read with the line
// editor, its echo, and the final wait that polls for a key without pause.
//   x11_demo [flags [depth]]
#include <cstdlib>

#include "gfx/screen.h"
#include "runtime/keys.h"
#include "runtime/line_input.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"
#include "runtime/startup.h"

using namespace pantalla::detail;

int main(int argc, char** argv) {
    const int32_t flags = argc > 1 ? std::atoi(argv[1]) : 0;
    const int32_t depth = argc > 2 ? std::atoi(argv[2]) : 16;
    module_init_once();
    runtime_start(argc, argv);
    runtime_module_constructors();

    screen_open(19, depth, 4, flags, 0);
    if (!screen_pointer()) {
        print_text(0, string_temp_literal("Error setting video mode!"), 1);
        runtime_end(0);
    }
    print_text(0, string_temp_literal("X11 SCREEN TEST"), 1);
    print_text(0, string_temp_literal("==============="), 1);
    read_line_prompted(string_temp_literal("NUMBER = "), -1, -1);
    int32_t number = 0;
    read_int_field(&number);
    print_text(0, string_temp_literal("GOT "), 0);
    print_integer(0, number, 1);
    print_text(0, string_temp_literal("PRESS A KEY"), 1);

    RtString key{};
    while (string_compare(&key, string_empty()) == 0) string_assign(&key, poll_key_string());
    runtime_end(0);
}
