#include "tools/resgen/colour_tables.h"

#include <array>

namespace {

int bit(int value, int n) { return value >> n & 1; }

// The 256-colour table is given in the adapter's 6-bit levels.
uint8_t from_6bit(int v) { return static_cast<uint8_t>(v * 255 / 63); }

void push_6bit(std::vector<uint8_t>& t, int r, int g, int b) {
    t.push_back(from_6bit(r));
    t.push_back(from_6bit(g));
    t.push_back(from_6bit(b));
}

// Each ring walks the hue circle from blue through magenta, red, yellow,
// green and cyan back towards blue, as indices into its five levels.
constexpr std::array<std::array<int, 3>, 24> ring_steps{{
    {0, 0, 4}, {1, 0, 4}, {2, 0, 4}, {3, 0, 4}, {4, 0, 4}, {4, 0, 3}, {4, 0, 2}, {4, 0, 1},
    {4, 0, 0}, {4, 1, 0}, {4, 2, 0}, {4, 3, 0}, {4, 4, 0}, {3, 4, 0}, {2, 4, 0}, {1, 4, 0},
    {0, 4, 0}, {0, 4, 1}, {0, 4, 2}, {0, 4, 3}, {0, 4, 4}, {0, 3, 4}, {0, 2, 4}, {0, 1, 4},
}};

// Bright, pale and palest rings at full, medium and low intensity.
constexpr std::array<std::array<int, 5>, 9> ring_levels{{
    {0, 16, 31, 47, 63}, {31, 39, 47, 55, 63}, {45, 49, 54, 58, 63},
    {0, 7, 14, 21, 28},  {14, 17, 21, 24, 28}, {20, 22, 24, 26, 28},
    {0, 4, 8, 12, 16},   {8, 10, 12, 14, 16},  {11, 12, 13, 15, 16},
}};

constexpr std::array<int, 16> grey_levels{0, 5, 8, 11, 14, 17, 20, 24, 28, 32, 36, 40, 45, 50, 56, 63};

}  // namespace

std::vector<uint8_t> colour_table_2() { return {0, 0, 0, 255, 255, 255}; }

std::vector<uint8_t> colour_table_16() {
    std::vector<uint8_t> t;
    for (int i = 0; i < 16; ++i) {
        const int intense = 85 * bit(i, 3);
        // Entry 6 is brown rather than dark yellow.
        const int green = i == 6 ? 85 : 170 * bit(i, 1) + intense;
        t.push_back(static_cast<uint8_t>(170 * bit(i, 2) + intense));
        t.push_back(static_cast<uint8_t>(green));
        t.push_back(static_cast<uint8_t>(170 * bit(i, 0) + intense));
    }
    return t;
}

std::vector<uint8_t> colour_table_64() {
    std::vector<uint8_t> t;
    for (int i = 0; i < 64; ++i) {
        t.push_back(static_cast<uint8_t>(170 * bit(i, 2) + 85 * bit(i, 5)));
        t.push_back(static_cast<uint8_t>(170 * bit(i, 1) + 85 * bit(i, 4)));
        t.push_back(static_cast<uint8_t>(170 * bit(i, 0) + 85 * bit(i, 3)));
    }
    return t;
}

std::vector<uint8_t> colour_table_256() {
    std::vector<uint8_t> t = colour_table_16();
    for (int level : grey_levels) push_6bit(t, level, level, level);
    for (const auto& levels : ring_levels) {
        for (const auto& step : ring_steps) push_6bit(t, levels[step[0]], levels[step[1]], levels[step[2]]);
    }
    t.resize(256 * 3, 0);
    return t;
}
