// Mouse: draws where the left button is held, clears with the right one.
#include <pantalla/pantalla.hpp>

using namespace pantalla;

int main() {
    if (open(Mode::w640x480) != ok) return 1;
    title("Mouse");
    println("Hold the left button to draw, the right one to clear; a key ends.");
    if (mouse().x < 0) println("(No mouse here.)");
    Mouse last = mouse();
    while (!key_waiting()) {
        const Mouse now = mouse();
        if (now.buttons > 0 && (now.buttons & 1) && last.buttons > 0 && (last.buttons & 1))
            line(last.x, last.y, now.x, now.y, light_green);
        if (now.buttons > 0 && (now.buttons & 2)) {
            cls();
            println("Cleared.");
        }
        last = now;
        frame(100);
    }
    return 0;
}
