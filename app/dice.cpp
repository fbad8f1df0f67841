#include "app/dice.h"

#include "gfx/screen.h"
#include "runtime/keys.h"
#include "runtime/line_input.h"
#include "runtime/print.h"
#include "runtime/startup.h"
#include "runtime/throw_dice.h"

namespace pantalla::detail {

DiceState dice;

namespace {

RtString* text(const char* literal) { return string_temp_literal(literal); }

}  // namespace

void print_report(const DiceState& state) {
    print_newline(0, 1);
    print_newline(0, 1);
    print_text(0, text("MEDIA ARITMETICA GLOBAL = "), 0);
    print_double(0, state.throw_sum / static_cast<double>(state.throw_count), 1);
    print_newline(0, 1);
    for (int32_t face = 1; face <= 6; ++face) {
        print_text(0, text("frecuecia absoluta de "), 0);
        print_integer(0, face, 0);
        print_text(0, text(" = "), 0);
        print_integer(0, state.face_counts[face], 1);
    }
}

void dice_run() {
    screen_open(19, 16, 4, kOpenFullScreen, 0);
    if (!screen_pointer()) {
        print_text(0, text("Error setting video mode!"), 1);
        return;
    }
    print_text(0, text("SIMULADOR DE LANZAMIENTO DE DADOS"), 1);
    print_text(0, text("================================="), 1);
    read_line_prompted(text("NUMERO DE LANZAMIENTOS = "), -1, -1);
    read_int_field(&dice.throw_count);

    const double now = timer_seconds();
    random_seed(now);
    throw_dice_into(dice.throw_count, dice.face_counts, &dice.throw_sum);

    print_report(dice);

    while (string_compare(&dice.key_text, string_empty()) == 0)
        string_assign(&dice.key_text, poll_key_string());
}

void dice_main(int argc, char** argv) {
    module_init_once();
    runtime_start(argc, argv);
    runtime_module_constructors();
    dice_run();
    runtime_end(0);
}

}  // namespace pantalla::detail
