// The Xlib and MIT-SHM functions that the "X11" and "OpenGL" drivers use,
// taken from libX11.so.6 and libXext.so.6 by name so that the program
// starts where X is not installed. Each slot bears the function's own name;
// Xlib's macros (DefaultScreen, XDestroyImage, ...) read the structures or
// go through the image's own functions and need no slot.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace pantalla::detail {

struct X11Api {
    decltype(&::XInitThreads) XInitThreads;
    decltype(&::XOpenDisplay) XOpenDisplay;
    decltype(&::XCloseDisplay) XCloseDisplay;
    decltype(&::XSetErrorHandler) XSetErrorHandler;
    decltype(&::XSetIOErrorHandler) XSetIOErrorHandler;
    // Only from version 1.7 on; empty before. Without it a broken
    // connection ends the process as Xlib always did.
    decltype(&::XSetIOErrorExitHandler) XSetIOErrorExitHandler;
    decltype(&::XSync) XSync;
    decltype(&::XFlush) XFlush;
    decltype(&::XFree) XFree;
    decltype(&::XInternAtom) XInternAtom;
    decltype(&::XListPixmapFormats) XListPixmapFormats;
    // the window
    decltype(&::XCreateColormap) XCreateColormap;
    decltype(&::XFreeColormap) XFreeColormap;
    decltype(&::XCreateWindow) XCreateWindow;
    decltype(&::XDestroyWindow) XDestroyWindow;
    decltype(&::XMapRaised) XMapRaised;
    decltype(&::XGetWindowAttributes) XGetWindowAttributes;
    decltype(&::XSelectInput) XSelectInput;
    decltype(&::XChangeProperty) XChangeProperty;
    decltype(&::XStoreName) XStoreName;
    decltype(&::XAllocSizeHints) XAllocSizeHints;
    decltype(&::XSetWMNormalHints) XSetWMNormalHints;
    decltype(&::XAllocClassHint) XAllocClassHint;
    decltype(&::XSetClassHint) XSetClassHint;
    decltype(&::XSetWMProtocols) XSetWMProtocols;
    // the focus
    decltype(&::XGetSelectionOwner) XGetSelectionOwner;
    decltype(&::XSendEvent) XSendEvent;
    decltype(&::XSetInputFocus) XSetInputFocus;
    // the pointer
    decltype(&::XCreateBitmapFromData) XCreateBitmapFromData;
    decltype(&::XFreePixmap) XFreePixmap;
    decltype(&::XCreatePixmapCursor) XCreatePixmapCursor;
    decltype(&::XFreeCursor) XFreeCursor;
    decltype(&::XDefineCursor) XDefineCursor;
    decltype(&::XUndefineCursor) XUndefineCursor;
    decltype(&::XWarpPointer) XWarpPointer;
    // drawing
    decltype(&::XCreateGC) XCreateGC;
    decltype(&::XFreeGC) XFreeGC;
    decltype(&::XCreateImage) XCreateImage;
    decltype(&::XPutImage) XPutImage;
    // events and keys
    decltype(&::XPending) XPending;
    decltype(&::XNextEvent) XNextEvent;
    decltype(&::XFilterEvent) XFilterEvent;
    decltype(&::XRefreshKeyboardMapping) XRefreshKeyboardMapping;
    decltype(&::XQueryKeymap) XQueryKeymap;
    decltype(&::XkbKeycodeToKeysym) XkbKeycodeToKeysym;
    decltype(&::XkbLookupKeySym) XkbLookupKeySym;
    decltype(&::XkbSetDetectableAutoRepeat) XkbSetDetectableAutoRepeat;
    decltype(&::XLookupString) XLookupString;
    // the input method
    decltype(&::XSetLocaleModifiers) XSetLocaleModifiers;
    decltype(&::XOpenIM) XOpenIM;
    decltype(&::XCloseIM) XCloseIM;
    decltype(&::XCreateIC) XCreateIC;
    decltype(&::XDestroyIC) XDestroyIC;
    decltype(&::XGetICValues) XGetICValues;
    decltype(&::XSetICFocus) XSetICFocus;
    decltype(&::XUnsetICFocus) XUnsetICFocus;
    decltype(&::Xutf8LookupString) Xutf8LookupString;
};

struct XextApi {
    decltype(&::XShmQueryExtension) XShmQueryExtension;
    decltype(&::XShmQueryVersion) XShmQueryVersion;
    decltype(&::XShmCreateImage) XShmCreateImage;
    decltype(&::XShmAttach) XShmAttach;
    decltype(&::XShmDetach) XShmDetach;
    decltype(&::XShmPutImage) XShmPutImage;
};

extern X11Api libx11;
// All empty while libXext is missing: the drivers then put plain images.
extern XextApi libxext;

// Load the library and every function once, on the program's thread
// before any update thread starts; false when anything is missing, and
// the table then stays empty.
bool libx11_load();
bool libxext_load();

}  // namespace pantalla::detail
