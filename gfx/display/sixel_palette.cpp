#include "gfx/display/sixel_palette.h"

#include <algorithm>
#include <cmath>

namespace pantalla::detail {

namespace {

constexpr uint8_t kBayer4[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

uint32_t slot_of(uint32_t key) { return (key * 0x9E3779B1u) >> 22; }  // 1024 slots

}  // namespace

uint32_t sixel_pixel_rgb(const SixelPage& page, uint32_t value) {
    if (page.depth <= 8) return page.palette[value & 0xFF] & 0xFFFFFF;
    if (page.depth == 16) {
        // The low bits repeat the high ones so that white stays white.
        const uint32_t r = value >> 11 & 0x1F, g = value >> 5 & 0x3F, b = value & 0x1F;
        return (r << 3 | r >> 2) << 16 | (g << 2 | g >> 4) << 8 | (b << 3 | b >> 2);
    }
    return value & 0xFFFFFF;
}

SixelCube sixel_cube(int32_t registers) {
    registers = std::clamp(registers, 8, 256);
    SixelCube c{};
    c.b = static_cast<int32_t>(std::cbrt(registers + 0.5));
    c.r = static_cast<int32_t>(std::sqrt(registers / c.b + 0.5));
    c.g = registers / (c.r * c.b);
    return c;
}

SixelPalette::SixelPalette() { std::fill(std::begin(regs_), std::end(regs_), int16_t{-1}); }

void SixelPalette::reset(const SixelPage& page, int32_t registers) {
    page_ = &page;
    registers_ = std::clamp(registers, 1, 256);
    for (const uint16_t s : filled_) regs_[s] = -1;
    filled_.clear();
    for (const uint16_t r : used_) reg_used_[r] = false;
    used_.clear();
}

bool SixelPalette::map_exact(const uint32_t* values, int32_t count, uint8_t* out) {
    uint32_t last = 0;
    int32_t last_reg = -1;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t v = values[i];
        if (v != last || last_reg < 0) {
            uint32_t s = slot_of(v);
            while (regs_[s] >= 0 && keys_[s] != v) s = (s + 1) & (kSlots - 1);
            if (regs_[s] < 0) {
                if (static_cast<int32_t>(used_.size()) == registers_) return false;
                const auto reg = static_cast<uint16_t>(used_.size());
                keys_[s] = v;
                regs_[s] = static_cast<int16_t>(reg);
                filled_.push_back(static_cast<uint16_t>(s));
                used_.push_back(reg);
                reg_used_[reg] = true;
                colours_[reg] = sixel_pixel_rgb(*page_, v);
            }
            last = v;
            last_reg = regs_[s];
        }
        out[i] = static_cast<uint8_t>(last_reg);
    }
    return true;
}

void SixelPalette::build_cube() {
    const SixelCube c = sixel_cube(registers_);
    const int32_t levels[3] = {c.r, c.g, c.b}, weight[3] = {c.g * c.b, c.b, 1};
    for (int ch = 0; ch < 3; ++ch) {
        const double step = 255.0 / (levels[ch] - 1);
        for (int t = 0; t <= 16; ++t) {
            // An offset within half a step either side, zero without dither.
            const double offset = t == 16 ? 0 : ((kBayer4[t] + 0.5) / 16 - 0.5) * step;
            for (int v = 0; v < 256; ++v) {
                const long level = std::clamp(std::lround((v + offset) / step), 0L, long{levels[ch] - 1});
                lut_[ch][t][v] = static_cast<uint8_t>(level * weight[ch]);
            }
        }
    }
    for (int32_t ri = 0; ri < c.r; ++ri)
        for (int32_t gi = 0; gi < c.g; ++gi)
            for (int32_t bi = 0; bi < c.b; ++bi) {
                auto level = [](int32_t i, int32_t n) { return static_cast<uint32_t>(std::lround(i * 255.0 / (n - 1))); };
                cube_colours_[ri * weight[0] + gi * weight[1] + bi] =
                    level(ri, c.r) << 16 | level(gi, c.g) << 8 | level(bi, c.b);
            }
    cube_registers_ = registers_;
}

void SixelPalette::map_cube(const uint32_t* values, int32_t count, bool dither, int32_t x0, int32_t y, uint8_t* out) {
    if (cube_registers_ != registers_) build_cube();
    const int32_t row = (y & 3) * 4;
    for (int32_t i = 0; i < count; ++i) {
        const uint32_t rgb = sixel_pixel_rgb(*page_, values[i]);
        const int32_t t = dither ? row + ((x0 + i) & 3) : 16;
        const uint8_t reg =
            static_cast<uint8_t>(lut_[0][t][rgb >> 16] + lut_[1][t][rgb >> 8 & 0xFF] + lut_[2][t][rgb & 0xFF]);
        out[i] = reg;
        if (!reg_used_[reg]) {
            reg_used_[reg] = true;
            used_.push_back(reg);
            colours_[reg] = cube_colours_[reg];
        }
    }
}

}  // namespace pantalla::detail
