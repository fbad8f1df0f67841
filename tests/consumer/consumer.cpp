// A program of someone's own, built against the installed library: opens a
// screen, reads a number typed on it, draws with it and reports on standard
// output what it read and drew. It takes the friendly interface and, to
// show that their headers are found too, one low-level call.
#include <pantalla/pantalla.hpp>
#include <pantalla/runtime/print.h>

#include <cinttypes>
#include <cstdio>

int main() {
    if (pantalla::open(640, 480, 32) != pantalla::ok) {
        std::printf("no screen\n");
        return 1;
    }
    print_text(0, string_temp_literal("pantalla"), kPrintLineEnd);
    const int radius = pantalla::input_int("RADIUS");
    pantalla::circle(320, 240, radius, 0xFFFF00);
    pantalla::fill_region(320, 240, 0xFF0000, 0xFFFF00);
    std::printf("radius %d, centre %06" PRIx64 ", edge %06" PRIx64 "\n", radius,
                pantalla::get_pixel(320, 240) & 0xFFFFFF, pantalla::get_pixel(320 + radius, 240) & 0xFFFFFF);
    return 0;
}
