// Palette: 256 bars whose colours change while the bars stay still.
#include <pantalla/pantalla.hpp>

using namespace pantalla;

int main() {
    if (open(Mode::vga_320x200) != ok) return 1;
    title("Palette");
    // One bar for each palette entry.
    for (int i = 0; i < 256; ++i) line(i + 32, 20, i + 32, 180, i);
    // Each step rewrites the palette: the pixels keep their index, the
    // entries get new colours, and the bars seem to move.
    for (int step = 0; step < 256 && !key_waiting(); ++step) {
        for (int i = 1; i < 256; ++i) palette(i, (i + step) & 255, (i * 2 + step) & 255, 255 - ((i + step) & 255));
        frame(30);
    }
    reset_palette();  // the mode's own colours again
    locate(1, 1);
    println("Palette back. A key ends.");
    wait_key();
    return 0;
}
