#include "gfx/display/win32/gl_api.h"

GlApi gl_api;

namespace {

HMODULE library;

template <class F>
bool take(const char* name, F* fn) {
    // Through the generic function type, which the compiler lets any
    // function pointer pass.
    *fn = reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
    return *fn != nullptr;
}

bool take_all() {
    GlApi& g = gl_api;
    return take("wglCreateContext", &g.create_context) && take("wglMakeCurrent", &g.make_current) &&
           take("wglDeleteContext", &g.delete_context) && take("glViewport", &g.viewport) &&
           take("glMatrixMode", &g.matrix_mode) && take("glLoadIdentity", &g.load_identity) &&
           take("glOrtho", &g.ortho) && take("glEnable", &g.enable) && take("glDisable", &g.disable) &&
           take("glClearColor", &g.clear_color) && take("glClear", &g.clear) &&
           take("glPixelStorei", &g.pixel_store) && take("glGenTextures", &g.gen_textures) &&
           take("glDeleteTextures", &g.delete_textures) && take("glBindTexture", &g.bind_texture) &&
           take("glTexParameteri", &g.tex_parameter) && take("glTexEnvi", &g.tex_env) &&
           take("glTexImage2D", &g.tex_image) && take("glTexSubImage2D", &g.tex_sub_image) &&
           take("glBegin", &g.begin) && take("glEnd", &g.end) && take("glTexCoord2f", &g.tex_coord) &&
           take("glVertex2f", &g.vertex) && take("glGetError", &g.get_error);
}

}  // namespace

bool gl_api_load() {
    if (library) return true;
    library = LoadLibraryA("opengl32.dll");
    if (!library) return false;
    if (take_all()) return true;
    FreeLibrary(library);
    library = nullptr;
    gl_api = GlApi{};
    return false;
}
