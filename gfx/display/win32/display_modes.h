// The full-screen sizes a display offers at one depth, gathered from the
// system's mode list; free of system calls.
#pragma once

#include <cstdint>

namespace pantalla::detail {

struct ModeList {
    static constexpr int32_t kCapacity = 128;
    int32_t pairs[2 * kCapacity];  // width, height; ascending, no repeats
    int32_t count;
};

// Whether a display mode of `bits` per pixel serves a screen of `depth`:
// 15 and 16 count as one depth, and so do 24 and 32.
bool mode_depth_matches(int32_t depth, int32_t bits);

// Adds a size unless it is already listed, is not positive, or the list
// is full.
void mode_list_add(ModeList* list, int32_t width, int32_t height);

// The system's list (EnumDisplaySettingsA) at `depth`, for a driver's
// fetch_modes: *count pairs, none when the display lists nothing.
const int32_t* win_fetch_modes(int32_t depth, int32_t* count);

}  // namespace pantalla::detail
