// Libraries taken by name at run time, so that a machine without them can
// still start the program and use another driver.
#pragma once

namespace pantalla::detail {

// The library's handle, or null when it is missing or cannot be loaded.
void* library_open(const char* name);
void library_close(void* library);
// The entry point's address, or null.
void* library_symbol(void* library, const char* name);

// Fills one slot of a table of entry points; false when it is missing.
template <class F>
bool library_take(void* library, const char* name, F* fn) {
    // Object to function pointer, which POSIX guarantees for dlsym.
    *fn = reinterpret_cast<F>(library_symbol(library, name));
    return *fn != nullptr;
}

}  // namespace pantalla::detail
