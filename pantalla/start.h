// The runtime's start-up, run by the first friendly call that needs it.
#pragma once

#include <string>
#include <string_view>

#include "pantalla/pantalla.hpp"

struct RtString;

namespace pantalla::detail {

extern bool started;
void start();
inline void ensure_started() {
    if (!started) start();
}

// A view as a temporary runtime string, without copying.
RtString* temp_text(std::string_view text);
// A temporary runtime string's bytes, the string released.
std::string take_text(RtString* text);

Error status(int code);

}  // namespace pantalla::detail
