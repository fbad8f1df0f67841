// The runtime's start-up, run by the first friendly call that needs it.
#pragma once

#include <string>
#include <string_view>

#include "pantalla/pantalla.hpp"
#include "runtime/rt_string.h"

using namespace pantalla::detail;

namespace pantalla::detail {

extern bool started;
void start();
inline void ensure_started() {
    if (!started) start();
}

// A view as a temporary runtime string, without copying.
inline RtString* temp_text(std::string_view text) {
    return string_temp_literal(text.empty() ? "" : text.data(), static_cast<uint32_t>(text.size()));
}
// A temporary runtime string's bytes, the string released.
std::string take_text(RtString* text);

inline Error status(int code) { return static_cast<Error>(code); }

}  // namespace pantalla::detail
