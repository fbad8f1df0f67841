#include "gfx/display/x11/gl_api.h"

#include "gfx/display/x11/shared_library.h"

GlxApi libglx;
GlApi libgl;

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

bool take_gl(void* lib) {
    GlApi& g = libgl;
    return library_take(lib, "glViewport", &g.glViewport) && library_take(lib, "glMatrixMode", &g.glMatrixMode) &&
           library_take(lib, "glLoadIdentity", &g.glLoadIdentity) && library_take(lib, "glOrtho", &g.glOrtho) &&
           library_take(lib, "glEnable", &g.glEnable) && library_take(lib, "glDisable", &g.glDisable) &&
           library_take(lib, "glClearColor", &g.glClearColor) && library_take(lib, "glClear", &g.glClear) &&
           library_take(lib, "glPixelStorei", &g.glPixelStorei) &&
           library_take(lib, "glGenTextures", &g.glGenTextures) &&
           library_take(lib, "glBindTexture", &g.glBindTexture) &&
           library_take(lib, "glTexParameteri", &g.glTexParameteri) &&
           library_take(lib, "glTexEnvi", &g.glTexEnvi) && library_take(lib, "glTexImage2D", &g.glTexImage2D) &&
           library_take(lib, "glTexSubImage2D", &g.glTexSubImage2D) && library_take(lib, "glBegin", &g.glBegin) &&
           library_take(lib, "glEnd", &g.glEnd) && library_take(lib, "glTexCoord2f", &g.glTexCoord2f) &&
           library_take(lib, "glVertex2f", &g.glVertex2f) && library_take(lib, "glGetError", &g.glGetError);
}

// GLX from one library and GL from another (possibly the same one).
bool load_pair(const char* glx_name, const char* gl_name) {
    void* glx = library_open(glx_name);
    void* gl = library_open(gl_name);
    if (glx && gl && take_glx(glx) && take_gl(gl)) return true;
    libglx = GlxApi{};
    libgl = GlApi{};
    library_close(gl);
    library_close(glx);
    return false;
}

}  // namespace

bool libgl_load() {
    static const bool loaded = load_pair("libGL.so.1", "libGL.so.1") || load_pair("libGLX.so.0", "libOpenGL.so.0");
    return loaded;
}
