// The GL 1.1 and WGL functions that the "OpenGL" driver uses, taken from
// "opengl32.dll" by name so that nothing is linked against it.
#pragma once

#include <windows.h>

#include "gfx/display/gl_frame.h"

namespace pantalla::detail {

struct GlApi {
    decltype(&wglCreateContext) create_context;
    decltype(&wglMakeCurrent) make_current;
    decltype(&wglDeleteContext) delete_context;
    GlFunctions functions;
};

extern GlApi gl_api;

// Loads the library and every function once; false when any is missing.
bool gl_api_load();

}  // namespace pantalla::detail
