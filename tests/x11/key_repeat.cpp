// Turns the X server's key auto-repeat on or off, for the runs that hold a
// key down (the test servers start without it).
//   key_repeat on|off
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    const bool on = argc == 2 && std::strcmp(argv[1], "on") == 0;
    if (argc != 2 || (!on && std::strcmp(argv[1], "off") != 0)) {
        std::fprintf(stderr, "usage: key_repeat on|off\n");
        return 2;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "key_repeat: no display\n");
        return 1;
    }
    if (on)
        XAutoRepeatOn(d);
    else
        XAutoRepeatOff(d);
    XSync(d, False);
    XCloseDisplay(d);
    return 0;
}
