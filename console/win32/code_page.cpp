#include "console/win32/code_page.h"

#include "console/cp437.h"

namespace pantalla::detail {

int32_t code_page_to_437(uint8_t c, UINT code_page) {
    if (c < 0x80 || code_page == 437) return c;
    const char narrow = static_cast<char>(c);
    wchar_t wide = 0;
    if (MultiByteToWideChar(code_page, MB_ERR_INVALID_CHARS, &narrow, 1, &wide, 1) != 1) return -1;
    return unicode_to_cp437(wide);
}

}  // namespace pantalla::detail
