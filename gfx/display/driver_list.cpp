// The display drivers of each platform, in the order they are tried.
#include "gfx/display/display_driver.h"

#include <atomic>

namespace pantalla::detail {

namespace {
std::atomic<bool> process_ending{false};
}

void display_note_process_end() { process_ending = true; }
bool display_process_ending() { return process_ending; }

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

#elif defined(__EMSCRIPTEN__)

// A page has its canvas only; "Null" is had by name (DNGFX=null), so that a
// canvas that cannot open is reported as on the other platforms.
extern const DisplayDriver web_driver;

const DisplayDriver* const display_drivers[] = {
    &web_driver,
    nullptr,
};

#elif defined(__linux__)

extern const DisplayDriver x11_driver;
extern const DisplayDriver opengl_driver;
extern const DisplayDriver terminal_driver;

const DisplayDriver* const display_drivers[] = {
    &x11_driver,
    &opengl_driver,
    &terminal_driver,
    nullptr,
};

#else
#error "no display drivers for this platform"
#endif

namespace {
const DisplayDriver* const* substitute_list = nullptr;
}

const DisplayDriver* const* display_driver_list() { return substitute_list ? substitute_list : display_drivers; }

void display_driver_list_substitute(const DisplayDriver* const* list) { substitute_list = list; }

}  // namespace pantalla::detail
