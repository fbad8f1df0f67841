// The GLX and GL 1.1 functions that the "OpenGL" driver uses, taken by
// name: both from libGL.so.1, or from libGLX.so.0 and libOpenGL.so.0 where
// only those are installed. Nothing is linked against them.
#pragma once

#include <GL/glx.h>

#include "gfx/display/gl_frame.h"

namespace pantalla::detail {

struct GlxApi {
    decltype(&::glXQueryExtension) glXQueryExtension;
    decltype(&::glXChooseVisual) glXChooseVisual;
    decltype(&::glXCreateContext) glXCreateContext;
    decltype(&::glXDestroyContext) glXDestroyContext;
    decltype(&::glXMakeCurrent) glXMakeCurrent;
    decltype(&::glXSwapBuffers) glXSwapBuffers;
};

extern GlxApi libglx;
extern GlFunctions libgl;

// Loads both tables once, on the program's thread; false when a library or
// a function is missing, and both tables then stay empty.
bool libgl_load();

}  // namespace pantalla::detail
