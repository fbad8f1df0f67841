// The dice program's final wait on the text console: polls for a key
// without pause until one comes, then prints its code. For measuring what
// the wait costs on a terminal or a console (bench/key_wait_cpu.sh).
#include "runtime/keys.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"
#include "runtime/startup.h"

int main(int argc, char** argv) {
    module_init_once();
    runtime_start(argc, argv);
    runtime_module_constructors();
    print_text(0, string_temp_literal("WAITING"), 1);
    RtString key{};
    while (string_compare(&key, string_empty()) == 0) string_assign(&key, poll_key_string());
    print_integer(0, key_string_code(&key), 1);
    runtime_end(0);
}
