// Mouse: draws where the left button is held, clears with the right one.
#include <pantalla/pantalla.hpp>

using namespace pantalla;

// Whether a button (1 left, 2 right, 4 middle) is held; a screen without a
// mouse reports -1 for everything.
bool held(const Mouse& m, int button) { return m.buttons > 0 && (m.buttons & button); }

int main() {
    if (open(Mode::w640x480) != ok) return 1;
    title("Mouse");
    println("Hold the left button to draw, the right one to clear; a key ends.");
    if (mouse().x < 0) println("(No mouse here.)");
    Mouse last = mouse();
    while (!key_waiting()) {
        const Mouse now = mouse();
        // A line from where the mouse was, so that fast moves leave no gaps.
        if (held(now, 1) && held(last, 1)) line(last.x, last.y, now.x, now.y, light_green);
        if (held(now, 2)) {
            cls();
            println("Cleared.");
        }
        last = now;
        frame(100);
    }
    return 0;
}
