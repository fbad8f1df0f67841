#include "runtime/console_print.h"

#include "console/console.h"
#include "runtime/console_hooks.h"
#include "runtime/poll_pacer.h"

namespace pantalla::detail {

ConsoleHooks console_hooks;

int32_t console_print(const char* bytes, uint32_t length, uint32_t flags) {
    note_statement();
    if (console_hooks.draw_text) return console_hooks.draw_text(bytes, length, flags);
    return console_print_text(bytes, length, flags);
}

int32_t console_print_wide(const uint16_t* text, uint32_t count, uint32_t flags) {
    note_statement();
    if (console_hooks.print_wide_text) return console_hooks.print_wide_text(text, count, flags);
    return console_print_text_wide(text, count, flags);
}

}  // namespace pantalla::detail
