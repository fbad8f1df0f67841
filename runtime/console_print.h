// The one console output entry: to the graphics screen while one is open,
// to the text-mode console otherwise.
#pragma once

#include <cstdint>

namespace pantalla::detail {

int32_t console_print(const char* bytes, uint32_t length, uint32_t flags);
int32_t console_print_wide(const uint16_t* text, uint32_t count, uint32_t flags);

}  // namespace pantalla::detail
