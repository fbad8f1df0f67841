// The display drivers of each platform, in the order they are tried.
#include "gfx/display/display_driver.h"

const DisplayDriver* const display_drivers[] = {
    nullptr,
};
