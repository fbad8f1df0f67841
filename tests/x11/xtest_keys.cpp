// Presses physical keys by key code through XTest, so that the server's
// layout decides what they type (a tool that presses a key symbol would
// pick a key of its own choosing and hide the layout).
//   xtest_keys KEY...
// KEY is an evdev key number, optionally after modifiers joined by '+':
// shift, ctrl, alt, altgr (for example "altgr+3" or "shift+2"). Each key is
// pressed and released with its modifiers around it.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

// evdev numbers of the left Shift, left Ctrl, left Alt and right Alt keys.
struct Modifier {
    const char* name;
    unsigned evdev;
};
constexpr Modifier modifiers[] = {{"shift", 42}, {"ctrl", 29}, {"alt", 56}, {"altgr", 100}};

void press(Display* display, unsigned evdev, bool down) {
    XTestFakeKeyEvent(display, evdev + 8, down ? True : False, CurrentTime);
    XSync(display, False);
    usleep(15000);
}

bool press_key(Display* display, const std::string& chord) {
    std::vector<unsigned> held;
    size_t start = 0;
    for (size_t plus; (plus = chord.find('+', start)) != std::string::npos; start = plus + 1) {
        const std::string name = chord.substr(start, plus - start);
        unsigned evdev = 0;
        for (const Modifier& m : modifiers)
            if (name == m.name) evdev = m.evdev;
        if (evdev == 0) return false;
        held.push_back(evdev);
    }
    char* end = nullptr;
    const unsigned long key = std::strtoul(chord.c_str() + start, &end, 10);
    if (end == chord.c_str() + start || *end != '\0' || key == 0 || key > 247) return false;
    for (unsigned m : held) press(display, m, true);
    press(display, static_cast<unsigned>(key), true);
    press(display, static_cast<unsigned>(key), false);
    for (auto m = held.rbegin(); m != held.rend(); ++m) press(display, *m, false);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "xtest_keys: no display\n");
        return 1;
    }
    int event = 0, error = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
        std::fprintf(stderr, "xtest_keys: the server has no XTest\n");
        return 1;
    }
    for (int i = 1; i < argc; ++i)
        if (!press_key(display, argv[i])) {
            std::fprintf(stderr, "xtest_keys: cannot read key \"%s\"\n", argv[i]);
            return 2;
        }
    XCloseDisplay(display);
    return 0;
}
