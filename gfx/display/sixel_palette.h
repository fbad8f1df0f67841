// Colour registers for a sixel image: the picture's own colours when they
// fit in the terminal's registers, else a fixed colour cube, optionally
// with an ordered dither.
#pragma once

#include <cstdint>
#include <vector>

namespace pantalla::detail {

// A page of pixels as the screen stores them.
struct SixelPage {
    const uint8_t* pixels;    // top-left pixel
    int32_t pitch;            // bytes from one row to the next
    int32_t width, height;
    int32_t depth;            // 8 (palette index), 16 (565) or 32 (0xAARRGGBB)
    const uint32_t* palette;  // at 8 bits: 256 entries as 0xRRGGBB
};

// 0xRRGGBB of a stored pixel (the alpha byte ignored at 32 bits).
uint32_t sixel_pixel_rgb(const SixelPage& page, uint32_t value);

// The cube's levels per channel for `registers` colours: green gets the
// most, blue the fewest (6 x 7 x 6 for 256).
struct SixelCube {
    int32_t r, g, b;
};
SixelCube sixel_cube(int32_t registers);

class SixelPalette {
public:
    SixelPalette();
    // Forgets every register; the cube is rebuilt when `registers` changes.
    void reset(const SixelPage& page, int32_t registers);
    // Gives each distinct stored value a register of its own colour: false
    // as soon as there are more than the registers (start again with the
    // cube).
    bool map_exact(const uint32_t* values, int32_t count, uint8_t* out);
    // The cube's nearest colour, or with `dither` a 4 x 4 ordered dither
    // phased on the output grid: value i sits at (x0 + i, y).
    void map_cube(const uint32_t* values, int32_t count, bool dither, int32_t x0, int32_t y, uint8_t* out);
    // The registers used since reset, with their colours.
    const std::vector<uint16_t>& used() const { return used_; }
    uint32_t colour(int32_t reg) const { return colours_[reg]; }

private:
    void build_cube();

    static constexpr uint32_t kSlots = 1024;  // at least twice the registers
    const SixelPage* page_ = nullptr;
    int32_t registers_ = 0;
    uint32_t keys_[kSlots] = {};
    int16_t regs_[kSlots] = {};  // -1: empty
    std::vector<uint16_t> filled_;  // slots to empty on reset
    std::vector<uint16_t> used_;
    bool reg_used_[256] = {};
    uint32_t colours_[256] = {};
    int32_t cube_registers_ = 0;
    // Per channel and dither threshold (16: none): that channel's part of
    // the cube index.
    uint8_t lut_[3][17][256] = {};
    uint32_t cube_colours_[256] = {};
};

}  // namespace pantalla::detail
