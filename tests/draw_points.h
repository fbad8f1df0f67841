// The pixels a drawing call lights, for comparing primitives with references.
#pragma once

#include <cstring>
#include <functional>
#include <set>
#include <utility>

#include "gfx/screen.h"
#include "gfx/text_draw.h"

using namespace pantalla::detail;

using Points = std::set<std::pair<int, int>>;

inline void page_clear() {
    for (int p = 0; p < screen->page_count; ++p) std::memset(screen->pages[p], 0, size_t(screen->pitch) * screen->height);
    std::memset(screen->dirty, 0, size_t(screen->height));
}

// The pixels of one colour-1 primitive drawn on a cleared page.
inline Points drawn(const std::function<void()>& draw) {
    page_clear();
    draw();
    text_settle();
    Points out;
    const int bpp = screen->bytes_per_pixel;
    for (int y = 0; y < screen->height; ++y) {
        const uint8_t* row = screen->rows[y];
        for (int x = 0; x < screen->width; ++x)
            for (int k = 0; k < bpp; ++k)
                if (row[x * bpp + k]) {
                    out.insert({x, y});
                    break;
                }
    }
    return out;
}
