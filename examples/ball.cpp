// Ball: a ball bouncing at a steady 60 frames a second, drawn on a hidden
// page and shown whole, so that it never flickers.
#include <pantalla/pantalla.hpp>

using namespace pantalla;

int main() {
    // Two pages: one shown while the other is drawn.
    if (open(Mode::w320x240, 0, 2) != ok) return 1;
    title("Ball");
    double x = 40, y = 60, dx = 2, dy = 1.5;
    const double r = 10;
    int shown = 0;
    // A key ends; so does the 600th frame.
    for (int frames = 1; frames <= 600; ++frames) {
        const int hidden = 1 - shown;
        pages(hidden, shown);  // draw on the hidden page
        fill_box(0, 0, width() - 1, height() - 1, blue);
        fill_circle(x, y, r, yellow);
        locate(1, 1);
        print("Frame");
        print(frames);
        pages(hidden, hidden);  // show it
        shown = hidden;
        if (key_waiting()) break;

        x += dx;
        y += dy;
        if (x < r || x > width() - 1 - r) dx = -dx;
        if (y < r || y > height() - 1 - r) dy = -dy;
        frame(60);  // wait for the next sixtieth of a second
    }
    return 0;
}
