#include "gfx/display/win32/gl_api.h"

namespace pantalla::detail {

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

void* find(void* from, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(from), name));
}

bool take_all() {
    GlApi& g = gl_api;
    return take("wglCreateContext", &g.create_context) && take("wglMakeCurrent", &g.make_current) &&
           take("wglDeleteContext", &g.delete_context) && gl_functions_load(g.functions, find, library);
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

}  // namespace pantalla::detail
