#include "gfx/display/x11/shared_library.h"

#include <dlfcn.h>

namespace pantalla::detail {

void* library_open(const char* name) {
    // Local: the tables alone see the entry points, nothing else binds to
    // them by accident.
    return dlopen(name, RTLD_NOW | RTLD_LOCAL);
}

void library_close(void* library) {
    if (library) dlclose(library);
}

void* library_symbol(void* library, const char* name) {
    return library ? dlsym(library, name) : nullptr;
}

}  // namespace pantalla::detail
