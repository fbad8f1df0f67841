#include <windows.h>

#include "gfx/display/win32/display_modes.h"

namespace pantalla::detail {

namespace {

// The last list asked for; the caller reads it before asking again.
ModeList modes;

}  // namespace

const int32_t* win_fetch_modes(int32_t depth, int32_t* count) {
    modes.count = 0;
    DEVMODEA dm{};
    dm.dmSize = sizeof dm;
    for (DWORD i = 0; EnumDisplaySettingsA(nullptr, i, &dm); ++i) {
        if (mode_depth_matches(depth, static_cast<int32_t>(dm.dmBitsPerPel)))
            mode_list_add(&modes, static_cast<int32_t>(dm.dmPelsWidth), static_cast<int32_t>(dm.dmPelsHeight));
        dm = DEVMODEA{};
        dm.dmSize = sizeof dm;
    }
    if (count) *count = modes.count;
    return modes.count ? modes.pairs : nullptr;
}

}  // namespace pantalla::detail
