// Reads lines from the console and prints each of their fields in angle
// brackets, one a line, until an empty line; for tests that drive the line
// editor through a real terminal.
#include <cstdint>

#include "runtime/line_input.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"
#include "runtime/startup.h"

using namespace pantalla::detail;

int main(int argc, char** argv) {
    module_init_once();
    runtime_start(argc, argv);
    runtime_module_constructors();
    LineReader& reader = line_reader();
    for (;;) {
        read_line_prompted(string_temp_literal("LINE"), -1, -1);
        const int32_t length = static_cast<int32_t>(string_length(&reader.line));
        if (length == 0) break;
        char field[256];
        while (reader.pos < length) {
            const int32_t n = next_field(field, 255, 1);
            print_text(0, string_temp_literal("<"), 0);
            print_text(0, string_temp_copy(field, static_cast<uint32_t>(n)), 0);
            print_text(0, string_temp_literal(">"), 1);
        }
    }
    print_text(0, string_temp_literal("BYE"), 1);
    runtime_end(0);
}
