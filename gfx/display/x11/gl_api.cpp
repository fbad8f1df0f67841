#include "gfx/display/x11/gl_api.h"

#include "gfx/display/x11/shared_library.h"

namespace pantalla::detail {

GlxApi libglx;
GlFunctions libgl;

namespace {

bool take_glx(void* lib) {
    GlxApi& g = libglx;
    return library_take(lib, "glXQueryExtension", &g.glXQueryExtension) &&
           library_take(lib, "glXChooseVisual", &g.glXChooseVisual) &&
           library_take(lib, "glXCreateContext", &g.glXCreateContext) &&
           library_take(lib, "glXDestroyContext", &g.glXDestroyContext) &&
           library_take(lib, "glXMakeCurrent", &g.glXMakeCurrent) &&
           library_take(lib, "glXSwapBuffers", &g.glXSwapBuffers);
}

// GLX from one library and GL from another (possibly the same one).
bool load_pair(const char* glx_name, const char* gl_name) {
    void* glx = library_open(glx_name);
    void* gl = library_open(gl_name);
    if (glx && gl && take_glx(glx) && gl_functions_load(libgl, library_symbol, gl)) return true;
    libglx = GlxApi{};
    library_close(gl);
    library_close(glx);
    return false;
}

}  // namespace

bool libgl_load() {
    static const bool loaded = load_pair("libGL.so.1", "libGL.so.1") || load_pair("libGLX.so.0", "libOpenGL.so.0");
    return loaded;
}

}  // namespace pantalla::detail
