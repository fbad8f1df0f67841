// A program of someone's own, built against the installed library: opens a
// screen, reads a number typed on it, draws with it and reports on standard
// output what it read and drew.
#include <pantalla/gfx/draw.h>
#include <pantalla/gfx/screen.h>
#include <pantalla/runtime/line_input.h>
#include <pantalla/runtime/print.h>
#include <pantalla/runtime/startup.h>

#include <cinttypes>
#include <cstdio>

int main(int argc, char** argv) {
    module_init_once();
    runtime_start(argc, argv);
    runtime_module_constructors();
    screen_open(19, 32, 1, 0, 0);
    if (!screen_pointer()) {
        std::printf("no screen\n");
        runtime_end(1);
    }
    print_text(0, string_temp_literal("pantalla"), 1);
    read_line_prompted(string_temp_literal("RADIUS = "), -1, -1);
    int32_t radius = 0;
    read_int_field(&radius);
    ellipse_draw(320, 240, radius, 0xFFFF00, 0, 0, 1, 0);
    flood_fill(320, 240, 0xFF0000, 0xFFFF00, 0);
    std::printf("radius %" PRId32 ", centre %06" PRIx64 ", edge %06" PRIx64 "\n", radius,
                point_get(320, 240, 0) & 0xFFFFFF, point_get(320 + radius, 240, 0) & 0xFFFFFF);
    std::fflush(stdout);
    runtime_end(0);
}
