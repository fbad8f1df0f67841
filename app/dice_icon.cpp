// The window's icon on X11, as dice.rc gives dice.exe its icon on Windows:
// the display driver looks for it by this name.
#include <cstdint>

extern const uint32_t program_icon_argb[];
const uint32_t program_icon_argb[] = {
#include "app/dice_icon.inc"
};
