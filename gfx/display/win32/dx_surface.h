// The DirectDraw side of the "DirectX" driver: "ddraw.dll" loaded by name,
// the display mode for full screen, a primary surface, a back surface in
// the display's own format that the blitter writes, a clipper in a window
// and a palette object on an 8-bit display. Update thread only, except
// dx_surface_wait_vsync.
#pragma once

#include <windows.h>

#include <cstdint>

namespace pantalla::detail {

// Loads the library; false when it or DirectDrawCreate is missing.
bool dx_surface_load();
// Sets the display up for the window: in full screen the exclusive level
// and a width x height mode (refresh rate `refresh` when not 0), in a
// window the normal level and a clipper. Chooses the blitter for the
// display's format. False on failure; dx_surface_close then releases what
// was made.
bool dx_surface_open(HWND hwnd, bool full_screen, int32_t width, int32_t height, int32_t depth, int32_t refresh);
// Releases everything and restores the display mode.
void dx_surface_close();
// Restores lost surfaces; true when any was lost, so that all must be
// drawn again.
bool dx_surface_restore();
// Locks the back surface for the blitter; null when it cannot be locked
// now. Every non-null return is followed by dx_surface_present.
uint8_t* dx_surface_begin(int32_t* pitch);
// Unlocks the back surface and copies displayed rows first..end-1 to the
// screen.
void dx_surface_present(int32_t first, int32_t end);
// Copies the whole back surface to the screen.
void dx_surface_paint();
// The 256 entries, red | green << 8 | blue << 16, into the palette object.
void dx_surface_send_palette(const uint32_t* palette);
// Waits for the vertical blank; false when no display is set up.
bool dx_surface_wait_vsync();

}  // namespace pantalla::detail
