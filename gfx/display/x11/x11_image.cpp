#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>

#include "gfx/display/x11/x11_window.h"

namespace pantalla::detail {

namespace {

bool attach_failed = false;
int note_attach_error(Display*, XErrorEvent*) {
    attach_failed = true;
    return 0;
}

bool create_shared(int32_t width, int32_t height) {
    int major, minor;
    Bool pixmaps;
    if (!libxext.XShmQueryVersion(x11.display, &major, &minor, &pixmaps)) return false;
    XImage* img = libxext.XShmCreateImage(x11.display, x11.visual, static_cast<unsigned>(x11.depth), ZPixmap, nullptr,
                                  &x11.shm, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (!img) return false;
    const size_t bytes = static_cast<size_t>(img->bytes_per_line) * static_cast<size_t>(height);
    x11.shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (x11.shm.shmid < 0) {
        XDestroyImage(img);
        return false;
    }
    void* addr = shmat(x11.shm.shmid, nullptr, 0);
    if (addr == reinterpret_cast<void*>(-1)) {
        shmctl(x11.shm.shmid, IPC_RMID, nullptr);
        XDestroyImage(img);
        return false;
    }
    x11.shm.shmaddr = img->data = static_cast<char*>(addr);
    x11.shm.readOnly = False;
    // A server on another machine refuses the segment only when it sees it.
    libx11.XSync(x11.display, False);
    attach_failed = false;
    XErrorHandler previous = libx11.XSetErrorHandler(note_attach_error);
    const Status attached = libxext.XShmAttach(x11.display, &x11.shm);
    libx11.XSync(x11.display, False);
    libx11.XSetErrorHandler(previous);
    // Marked for removal now, it goes away with the last user.
    shmctl(x11.shm.shmid, IPC_RMID, nullptr);
    if (!attached || attach_failed) {
        shmdt(x11.shm.shmaddr);
        img->data = nullptr;
        XDestroyImage(img);
        return false;
    }
    std::memset(img->data, 0, bytes);
    x11.image = img;
    x11.use_shm = true;
    return true;
}

bool create_plain(int32_t width, int32_t height) {
    const int pad = 32;
    XImage* img = libx11.XCreateImage(x11.display, x11.visual, static_cast<unsigned>(x11.depth), ZPixmap, 0, nullptr,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), pad, 0);
    if (!img) return false;
    img->data = static_cast<char*>(std::calloc(static_cast<size_t>(img->bytes_per_line) * height, 1));
    if (!img->data) {
        XDestroyImage(img);
        return false;
    }
    x11.image = img;
    x11.use_shm = false;
    return true;
}

}  // namespace

bool x11_image_create(int32_t width, int32_t height) {
    const char* no_shm = std::getenv("DNGFX_NO_SHM");
    if (!(no_shm && *no_shm) && libxext.XShmQueryExtension && libxext.XShmQueryExtension(x11.display) && create_shared(width, height)) return true;
    return create_plain(width, height);
}

void x11_image_destroy() {
    if (!x11.image) return;
    if (x11.use_shm) {
        libxext.XShmDetach(x11.display, &x11.shm);
        libx11.XSync(x11.display, False);
        shmdt(x11.shm.shmaddr);
        x11.image->data = nullptr;
    }
    XDestroyImage(x11.image);  // frees the plain image's pixels
    x11.image = nullptr;
    x11.use_shm = false;
}

void x11_image_put(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (!x11.image || width <= 0 || height <= 0) return;
    if (x11.use_shm) {
        libxext.XShmPutImage(x11.display, x11.window, x11.gc, x11.image, x, y, x, y, static_cast<unsigned>(width),
                     static_cast<unsigned>(height), False);
        // The server reads the segment later; the next conversion must wait.
        libx11.XSync(x11.display, False);
    } else {
        libx11.XPutImage(x11.display, x11.window, x11.gc, x11.image, x, y, x, y, static_cast<unsigned>(width),
                  static_cast<unsigned>(height));
        libx11.XFlush(x11.display);
    }
}

}  // namespace pantalla::detail
