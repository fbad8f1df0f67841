#include "gfx/display/win32/window_station.h"

#include <windows.h>

namespace pantalla::detail {

namespace {

int assumed = -1;

}  // namespace

bool window_station_visible() {
    if (assumed >= 0) return assumed != 0;
    USEROBJECTFLAGS flags{};
    DWORD needed = 0;
    HWINSTA station = GetProcessWindowStation();
    // A station that cannot be asked is taken as visible, as before.
    if (!station || !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, &needed)) return true;
    return (flags.dwFlags & WSF_VISIBLE) != 0;
}

void window_station_assume(int visible) { assumed = visible < 0 ? -1 : visible != 0; }

}  // namespace pantalla::detail
