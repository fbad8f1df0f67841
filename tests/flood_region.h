// The reference the flood fill is held to: the 4-connected region of
// non-border pixels around a start pixel, by a breadth-first search.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

// `page` holds w x h pixels row after row; the answer has a byte each, 1 in
// the region.
inline std::vector<uint8_t> flood_region(const std::vector<uint32_t>& page, int w, int h, int sx, int sy,
                                         uint32_t border) {
    std::vector<uint8_t> seen(page.size());
    if (page[sy * w + sx] == border) return seen;
    std::vector<int> queue{sy * w + sx};
    seen[queue[0]] = 1;
    for (size_t i = 0; i < queue.size(); ++i) {
        const int x = queue[i] % w, y = queue[i] / w;
        for (auto [nx, ny] : {std::pair{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}}) {
            const int at = ny * w + nx;
            if (nx >= 0 && ny >= 0 && nx < w && ny < h && page[at] != border && !seen[at]) {
                seen[at] = 1;
                queue.push_back(at);
            }
        }
    }
    return seen;
}
