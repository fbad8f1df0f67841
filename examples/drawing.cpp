// Drawing: every primitive once.
#include <pantalla/pantalla.hpp>

#include <string>

using namespace pantalla;

int main() {
    if (open(Mode::w320x240) != ok) return 1;
    title("Drawing");

    set_pixel(10, 10, white);                     // a point
    set_pixel(12, 10, get_pixel(10, 10));         // another, the colour of the first
    line(20, 10, 100, 40, light_red);             // a line
    line(20, 50, 100, 50, light_green, 0xF0F0);   // a dashed line
    line_to(100, 80, yellow);                     // on from where the pen stopped
    rect(110, 10, 150, 40, cyan);                 // an outline
    fill_rect(160, 10, 200, 40, magenta);         // a filled rectangle
    circle(240, 30, 20, white);                   // a circle
    ellipse(290, 30, 20, 0.5, light_blue, true);  // a filled ellipse
    arc(40, 120, 25, 0, 3.14159, brown);          // half a circle
    pie(110, 120, 25, 0.5, 2, red, true);         // a slice

    rect(150, 90, 210, 150, white);               // a border,
    fill_region(180, 120, green, white);          // and the inside filled up to it
    // A pattern: rows of 8 pixels (one byte each on this screen), repeated.
    const std::string stripes = std::string(8, yellow) + std::string(8, black);
    rect(10, 130, 60, 160, white);
    fill_region_tile(35, 145, stripes, white);
    clear_pixel(35, 145);                         // a point back to the background

    // An image: drawn into, then put down three ways.
    Image star(16, 16, black);
    star.draw_into();
    line(0, 0, 15, 15, yellow);
    line(15, 0, 0, 15, yellow);
    draw_on_screen();
    star.put(230, 100);
    star.put(250, 100, Put::xor_mask);
    star.put(240, 120, Put::transparent);         // its black left out
    Image copy = Image::grab(100, 95, 135, 145);  // a piece of the screen
    copy.put(270, 95);

    // A view: drawing is clipped to it, coordinates count from its corner.
    view(10, 170, 150, 230, dark_grey, white);
    circle(0, 0, 40, light_cyan);
    reset_view();

    // World coordinates, here -1 to 1 both ways.
    view(170, 170, 310, 230, black, white);
    world(-1, -1, 1, 1);
    line(-1, 0, 1, 0, dark_grey);
    for (double t = -1; t <= 1; t += 0.01) set_pixel(t, t * t * t, light_green);
    reset_world();
    reset_view();

    move_cursor(1, 1);
    wait_key();
    return 0;
}
