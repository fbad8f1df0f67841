// Characters that Windows reports in one of its 8-bit code pages (the
// console's input code page, the system's ANSI code page for window
// messages), as the program's code page 437.
#pragma once

#include <windows.h>

#include <cstdint>

namespace pantalla::detail {

// The code page 437 byte of `c` in `code_page`, or -1 when 437 has no such
// character. ASCII passes unchanged.
int32_t code_page_to_437(uint8_t c, UINT code_page);

}  // namespace pantalla::detail
