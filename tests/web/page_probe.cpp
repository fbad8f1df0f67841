// A page program for dice_page_test.mjs: what the dice dialogue does not
// reach. It reads a line on the text grid (no screen open) and greets; then
// "g" opens a screen whose rows are doubled, "m" logs get_mouse to the
// browser's console (where the test reads it), "s" moves the pointer with
// set_mouse and "p" runs a loop that draws and logs each change of
// get_mouse, taking no keys, until a button is down. Other keys are logged;
// the close key ends the program.
#include <cstdio>

#include "gfx/display/display_driver.h"
#include "gfx/draw.h"
#include "gfx/screen.h"
#include "runtime/key_codes.h"
#include "runtime/keys.h"
#include "runtime/line_input.h"
#include "runtime/print.h"
#include "runtime/startup.h"

using namespace pantalla::detail;

namespace {

struct Mouse {
    int32_t result, x = -1, y = -1, wheel = 0, buttons = 0;
    bool operator==(const Mouse&) const = default;
};

Mouse read_mouse() {
    Mouse m{};
    m.result = screen->driver->get_mouse(&m.x, &m.y, &m.wheel, &m.buttons);
    return m;
}

void log_mouse(const Mouse& m) { std::printf("mouse %d %d %d %d\n", m.result, m.x, m.y, m.buttons); }

void pointer_loop() {
    Mouse last{.result = 2};
    for (int32_t frame = 0; last.buttons == 0; ++frame) {
        const Mouse now = read_mouse();
        if (now != last) log_mouse(now);
        last = now;
        point_set(frame & 511, 199, frame & 1, 0);
        screen->driver->wait_vsync();
    }
}

}  // namespace

int main(int argc, char** argv) {
    module_init_once();
    runtime_start(argc, argv);
    runtime_module_constructors();
    read_line_prompted(string_temp_literal("NOMBRE = "), -1, -1);
    char name[81];
    next_field(name, 80, 1);
    print_text(0, string_temp_literal("HOLA "), 0);
    print_text(0, string_temp_literal(name), 1);
    for (;;) {
        const int32_t key = wait_key_code();
        if (key == 'g' && !screen)
            screen_open(2, 1, 1, 0, 0);
        else if (key == 'm' && screen)
            log_mouse(read_mouse());
        else if (key == 'p' && screen)
            pointer_loop();
        else if (key == 's' && screen)
            screen->driver->set_mouse(123, 45, -1);
        else
            std::printf("key %X\n", key);
        if (key == kCloseKey) break;
    }
    runtime_end(0);
}
