#include "pantalla/start.h"

#include <cstdlib>

#include "runtime/context.h"
#include "runtime/rt_string.h"
#include "runtime/startup.h"

namespace pantalla::detail {

bool started = false;

namespace {

// Runs after main returns, after the screen's own exit handler (registered
// later, so run earlier) has closed the screen.
void end() { runtime_module_destructors(); }

}  // namespace

void start() {
    started = true;
    module_init_once();
    runtime_start(0, nullptr);
    runtime_module_constructors();
    std::atexit(end);
}

RtString* temp_text(std::string_view text) {
    return string_temp_literal(text.empty() ? "" : text.data(), static_cast<uint32_t>(text.size()));
}

std::string take_text(RtString* text) {
    std::string bytes;
    if (text && text->data) bytes.assign(text->data, string_length(text));
    string_release_temp(text);
    return bytes;
}

Error status(int code) { return static_cast<Error>(code); }

}  // namespace pantalla::detail

namespace pantalla {

Error error() {
    detail::ensure_started();
    return detail::status(last_error());
}

}  // namespace pantalla
