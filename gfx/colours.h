// Colour values per depth, the palette and the emulated palette ports.
#pragma once

#include <cstdint>

// On a screen of 2 bytes per pixel packs 8-bit components into 5-6-5;
// on any other screen returns value unchanged.
uint32_t rgb_to_pixel(uint32_t value, uint32_t red, uint32_t green, uint32_t blue);
// The stored pixel of a colour value: 0xRRGGBB packed for the depth, or a
// palette index, masked.
uint32_t colour_to_pixel(uint32_t value);

// Sets the text and drawing colours (a negative argument keeps one);
// returns the previous ones as fg | bg << 16.
int32_t set_colours(int32_t fg, int32_t bg);

// Changes one palette entry (index >= 0) or restores the mode's default
// palette (index < 0). With green and blue both >= 0, value is red and all
// three are 8-bit; otherwise value is a packed palette value.
void palette_set(int32_t index, int32_t value, int32_t green, int32_t blue);
// Sets entry i from values[i] for every entry of the depth, skipping
// negative values.
void palette_set_all(const int32_t* values);
void palette_set_entry(int32_t index, uint32_t packed);

namespace pantalla::detail {

// Sends all 256 entries to the driver again.
void palette_resend();

}  // namespace pantalla::detail

int32_t port_in(int32_t port);
int32_t port_out(int32_t port, int32_t value);

