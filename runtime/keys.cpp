#include "runtime/keys.h"

#include "console/console.h"
#include "runtime/console_hooks.h"

RtString* poll_key_string() {
    if (console_hooks.get_key) return console_hooks.get_key();
    return console_poll_key_string();
}

int32_t key_available() {
    if (console_hooks.key_ready) return console_hooks.key_ready();
    return console_key_available();
}
