#include <windows.h>

#include "gfx/screen.h"

namespace pantalla::detail {

const char* executable_path() {
    static char path[MAX_PATH + 1];
    const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
    path[n < MAX_PATH ? n : MAX_PATH] = 0;
    return n ? path : nullptr;
}

}  // namespace pantalla::detail
