// The display drivers of each platform, in the order they are tried.
#include "gfx/display/display_driver.h"

#if defined(_WIN32)

extern const DisplayDriver directx_driver;
extern const DisplayDriver gdi_driver;
extern const DisplayDriver opengl_driver;
extern const DisplayDriver console_driver;

const DisplayDriver* const display_drivers[] = {
    &directx_driver,
    &gdi_driver,
    &opengl_driver,
    &console_driver,
    nullptr,
};

#else

extern const DisplayDriver x11_driver;
extern const DisplayDriver opengl_driver;
extern const DisplayDriver terminal_driver;

const DisplayDriver* const display_drivers[] = {
    &x11_driver,
    &opengl_driver,
    &terminal_driver,
    nullptr,
};

#endif
