#include "runtime/keys.h"

#include "console/console_input.h"
#include "runtime/console_hooks.h"
#include "runtime/platform.h"
#include "runtime/poll_pacer.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

constexpr int32_t kKeyPollMs = 50;

void console_sleep_or_key(int32_t ms) {
    if (ms == -1) {
        for (;;) {
            pump_console_input();
            if (console_queue_take_pressed()) return;
            platform_sleep_ms(kKeyPollMs);
        }
    }
    if (ms <= 0) return;
    // Short waits do not look at the keys at all.
    if (ms > 99) {
        while (ms > kKeyPollMs) {
            pump_console_input();
            if (console_queue_take_pressed()) return;
            platform_sleep_ms(kKeyPollMs);
            ms -= kKeyPollMs;
        }
    }
    platform_sleep_ms(ms);
}

}  // namespace

}  // namespace pantalla::detail

RtString* key_code_string(int32_t code) {
    if (code < 1) return string_empty();
    char bytes[2] = {static_cast<char>(code & 0xFF), static_cast<char>((code >> 8) & 0xFF)};
    RtString* key = string_temp_copy(bytes, code <= 255 ? 1 : 2);
    return key ? key : string_empty();
}

int32_t key_string_code(const RtString* key) {
    const uint32_t length = string_length(key);
    if (length == 0) return -1;
    const auto* bytes = reinterpret_cast<const uint8_t*>(key->data);
    if (length == 2) return bytes[1] * 256 + 255;
    return bytes[0];
}

RtString* poll_key_string() {
    if (console_hooks.get_key) return console_hooks.get_key();
    poll_pacer_begin();
    pump_console_input();
    int32_t code = console_queue_take();
    const bool wait = code == -1 && poll_pacer_idle();
    if (wait) {
        console_wait_input(poll_pacer_wait_ms());
        pump_console_input();
        code = console_queue_take();
    }
    poll_pacer_end(code != -1, wait);
    return key_code_string(code);
}

int32_t wait_key_code() {
    if (console_hooks.wait_key) return console_hooks.wait_key();
    int32_t code = console_queue_take();
    while (code == -1) {
        console_sleep_or_key(-1);
        code = console_queue_take();
    }
    return code;
}

int32_t key_available() {
    if (console_hooks.key_ready) return console_hooks.key_ready();
    pump_console_input();
    return console_queue_empty() ? 0 : 1;
}

void sleep_or_key(int32_t ms) {
    if (console_hooks.sleep_ms) {
        console_hooks.sleep_ms(ms);
        return;
    }
    console_sleep_or_key(ms);
}

