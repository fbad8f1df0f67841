// Drawing: every primitive once.
#include <pantalla/pantalla.hpp>

using namespace pantalla;

int main() {
    if (open(Mode::w320x240) != ok) return 1;
    title("Drawing");

    pset(10, 10, white);                        // a point
    line(20, 10, 100, 40, light_red);            // a line
    line(20, 50, 100, 50, light_green, 0xF0F0);  // a dashed line
    line_to(100, 80, yellow);                    // on from where the pen stopped
    box(110, 10, 150, 40, cyan);                 // an outline
    fill_box(160, 10, 200, 40, magenta);         // a filled rectangle
    circle(240, 30, 20, white);                  // a circle
    ellipse(290, 30, 20, 0.5, light_blue, true); // a filled ellipse
    arc(40, 120, 25, 0, 3.14159, brown);         // half a circle
    pie(110, 120, 25, 0.5, 2, red, true);        // a slice

    box(150, 90, 210, 150, white);               // paint fills inside a border
    paint(180, 120, green, white);

    // An image: drawn into, then put down three ways.
    Image star(16, 16, black);
    star.draw_into();
    line(0, 0, 15, 15, yellow);
    line(15, 0, 0, 15, yellow);
    draw_on_screen();
    star.put(230, 100);
    star.put(250, 100, Put::xor_mask);
    Image copy = Image::grab(100, 95, 135, 145);  // a piece of the screen
    copy.put(270, 95);

    // A view: drawing is clipped to it, coordinates count from its corner.
    view(10, 170, 150, 230, dark_grey, white);
    circle(0, 0, 40, light_cyan);
    reset_view();

    // A window: world coordinates, here -1 to 1 both ways.
    view(170, 170, 310, 230, black, white);
    window(-1, -1, 1, 1);
    line(-1, 0, 1, 0, dark_grey);
    for (double t = -1; t <= 1; t += 0.01) pset(t, t * t * t, light_green);
    reset_window();
    reset_view();

    locate(1, 1);
    wait_key();
    return 0;
}
