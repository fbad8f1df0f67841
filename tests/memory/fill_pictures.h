// Pictures that a flood fill finds hard, drawn into rows of 8-bit pixels.
#pragma once

#include <cstdint>
#include <cstring>
#include <random>

// Teeth one pixel wide between walls of `border` two pixels wide, joined by
// the bottom row.
// The first tooth holds `dot` in every row, so no row tells the fill's
// painted pixels by a colour that was nowhere before.
inline void draw_comb(uint8_t* const* rows, int w, int h, uint8_t border, uint8_t dot) {
    for (int y = 0; y < h; ++y) {
        std::memset(rows[y], 0, static_cast<size_t>(w));
        for (int x = 0; x < w && y < h - 1; ++x)
            if (x % 3) rows[y][x] = border;
        rows[y][0] = dot;
    }
}

// A peg of `border` at every odd x of every odd y.
inline void draw_pegboard(uint8_t* const* rows, int w, int h, uint8_t border, uint8_t) {
    for (int y = 0; y < h; ++y) {
        std::memset(rows[y], 0, static_cast<size_t>(w));
        for (int x = 1; x < w && y % 2; x += 2) rows[y][x] = border;
    }
}

// Corridors one pixel wide on a grid, with walls of `border` in random gaps.
inline void draw_maze(uint8_t* const* rows, int w, int h, uint8_t border, uint8_t) {
    std::mt19937 rng(2);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rows[y][x] = (x % 2 && y % 2) || ((x % 2 || y % 2) && rng() % 3 == 0) ? border : 0;
}
