#include "gfx/display/x11/x11_api.h"

#include "gfx/display/x11/shared_library.h"

namespace pantalla::detail {

X11Api libx11;
XextApi libxext;

namespace {

bool take_x11(void* lib) {
    X11Api& x = libx11;
    return library_take(lib, "XInitThreads", &x.XInitThreads) &&
           library_take(lib, "XOpenDisplay", &x.XOpenDisplay) &&
           library_take(lib, "XCloseDisplay", &x.XCloseDisplay) &&
           library_take(lib, "XSetErrorHandler", &x.XSetErrorHandler) &&
           library_take(lib, "XSetIOErrorHandler", &x.XSetIOErrorHandler) && library_take(lib, "XSync", &x.XSync) &&
           library_take(lib, "XFlush", &x.XFlush) && library_take(lib, "XFree", &x.XFree) &&
           library_take(lib, "XInternAtom", &x.XInternAtom) &&
           library_take(lib, "XListPixmapFormats", &x.XListPixmapFormats) &&
           library_take(lib, "XCreateColormap", &x.XCreateColormap) &&
           library_take(lib, "XFreeColormap", &x.XFreeColormap) &&
           library_take(lib, "XCreateWindow", &x.XCreateWindow) &&
           library_take(lib, "XDestroyWindow", &x.XDestroyWindow) &&
           library_take(lib, "XMapRaised", &x.XMapRaised) &&
           library_take(lib, "XGetWindowAttributes", &x.XGetWindowAttributes) &&
           library_take(lib, "XSelectInput", &x.XSelectInput) &&
           library_take(lib, "XChangeProperty", &x.XChangeProperty) &&
           library_take(lib, "XStoreName", &x.XStoreName) &&
           library_take(lib, "XAllocSizeHints", &x.XAllocSizeHints) &&
           library_take(lib, "XSetWMNormalHints", &x.XSetWMNormalHints) &&
           library_take(lib, "XAllocClassHint", &x.XAllocClassHint) &&
           library_take(lib, "XSetClassHint", &x.XSetClassHint) &&
           library_take(lib, "XSetWMProtocols", &x.XSetWMProtocols) &&
           library_take(lib, "XGetSelectionOwner", &x.XGetSelectionOwner) &&
           library_take(lib, "XSendEvent", &x.XSendEvent) &&
           library_take(lib, "XSetInputFocus", &x.XSetInputFocus) &&
           library_take(lib, "XCreateBitmapFromData", &x.XCreateBitmapFromData) &&
           library_take(lib, "XFreePixmap", &x.XFreePixmap) &&
           library_take(lib, "XCreatePixmapCursor", &x.XCreatePixmapCursor) &&
           library_take(lib, "XFreeCursor", &x.XFreeCursor) &&
           library_take(lib, "XDefineCursor", &x.XDefineCursor) &&
           library_take(lib, "XUndefineCursor", &x.XUndefineCursor) &&
           library_take(lib, "XWarpPointer", &x.XWarpPointer) && library_take(lib, "XCreateGC", &x.XCreateGC) &&
           library_take(lib, "XFreeGC", &x.XFreeGC) && library_take(lib, "XCreateImage", &x.XCreateImage) &&
           library_take(lib, "XPutImage", &x.XPutImage) && library_take(lib, "XPending", &x.XPending) &&
           library_take(lib, "XNextEvent", &x.XNextEvent) &&
           library_take(lib, "XFilterEvent", &x.XFilterEvent) &&
           library_take(lib, "XRefreshKeyboardMapping", &x.XRefreshKeyboardMapping) &&
           library_take(lib, "XQueryKeymap", &x.XQueryKeymap) &&
           library_take(lib, "XkbKeycodeToKeysym", &x.XkbKeycodeToKeysym) &&
           library_take(lib, "XkbLookupKeySym", &x.XkbLookupKeySym) &&
           library_take(lib, "XkbSetDetectableAutoRepeat", &x.XkbSetDetectableAutoRepeat) &&
           library_take(lib, "XLookupString", &x.XLookupString) &&
           library_take(lib, "XSetLocaleModifiers", &x.XSetLocaleModifiers) &&
           library_take(lib, "XOpenIM", &x.XOpenIM) && library_take(lib, "XCloseIM", &x.XCloseIM) &&
           library_take(lib, "XCreateIC", &x.XCreateIC) && library_take(lib, "XDestroyIC", &x.XDestroyIC) &&
           library_take(lib, "XGetICValues", &x.XGetICValues) &&
           library_take(lib, "XSetICFocus", &x.XSetICFocus) &&
           library_take(lib, "XUnsetICFocus", &x.XUnsetICFocus) &&
           library_take(lib, "Xutf8LookupString", &x.Xutf8LookupString) &&
           (library_take(lib, "XSetIOErrorExitHandler", &x.XSetIOErrorExitHandler) || true);
}

bool take_xext(void* lib) {
    XextApi& x = libxext;
    return library_take(lib, "XShmQueryExtension", &x.XShmQueryExtension) &&
           library_take(lib, "XShmQueryVersion", &x.XShmQueryVersion) &&
           library_take(lib, "XShmCreateImage", &x.XShmCreateImage) &&
           library_take(lib, "XShmAttach", &x.XShmAttach) && library_take(lib, "XShmDetach", &x.XShmDetach) &&
           library_take(lib, "XShmPutImage", &x.XShmPutImage);
}

// Opens the library and fills the table; on any gap empties the table and
// lets the library go again.
template <class Table>
bool load(const char* name, Table* table, bool (*take)(void*)) {
    void* lib = library_open(name);
    if (lib && take(lib)) return true;
    *table = Table{};
    library_close(lib);
    return false;
}

}  // namespace

bool libx11_load() {
    // Kept for the life of the process: Xlib's own threads and handlers
    // may outlive any one screen.
    static const bool loaded = load("libX11.so.6", &libx11, take_x11);
    return loaded;
}

bool libxext_load() {
    static const bool loaded = libx11_load() && load("libXext.so.6", &libxext, take_xext);
    return loaded;
}

}  // namespace pantalla::detail
