// The DirectInput keyboard of the "DirectX" driver: "dinput.dll" loaded by
// name, one keyboard device bound to the window. Update thread only.
#pragma once

#include <windows.h>

#include <cstdint>

namespace pantalla::detail {

// Loads the library; false when it or its entry point is missing.
bool dx_keyboard_load();
// Creates and acquires the device for the window; false when DirectInput
// gives none, and the caller reads the keys another way.
bool dx_keyboard_open(HWND hwnd);
void dx_keyboard_close();
// key_down for scan codes 0..127 from the device state, acquiring the
// device again when it was lost; false when no state could be read.
bool dx_keyboard_read(uint8_t* key_down);

}  // namespace pantalla::detail
