// The flood fill's memory, counted by the replaced operator new: on pictures
// that take many seeds and records it paints the breadth-first region within
// the image's own size, and short of memory it paints all the same or
// returns error 1 with a connected part of the region painted and its rows
// marked changed.
#include <algorithm>
#include <cstring>
#include <thread>
#include <vector>

#include "gfx/draw.h"
#include "tests/flood_region.h"
#include "tests/gfx_fixture.h"
#include "tests/memory/fill_pictures.h"
#include "tests/memory/heap_meter.h"

using namespace pantalla::detail;

namespace {

constexpr uint8_t kBorder = 15, kColour = 4;

std::vector<uint32_t> page_pixels(int w, int h) {
    std::vector<uint32_t> out;
    for (int y = 0; y < h; ++y) out.insert(out.end(), screen->rows[y], screen->rows[y] + w);
    return out;
}

// Runs `fill` on a thread of its own, where no seed stack is kept from an
// earlier fill, allowed `limit` bytes beyond what is held already; returns
// the most it held beyond that.
template <class F>
size_t held_by(size_t limit, F fill) {
    size_t extra = 0;
    std::thread([&] {
        const size_t before = heap_meter::held();
        heap_meter::mark();
        heap_meter::limit(limit == SIZE_MAX ? SIZE_MAX : before + limit);
        fill();
        heap_meter::limit(SIZE_MAX);
        extra = heap_meter::peak() - before;
    }).join();
    return extra;
}

TEST_F(GfxTest, FloodFillOfHardPicturesHoldsAtMostTheImage) {
    const struct {
        const char* name;
        void (*draw)(uint8_t* const*, int, int, uint8_t, uint8_t);
        int w, h;
        bool tiled;
    } cases[] = {
        {"comb", draw_comb, 900, 400, false},
        {"pegboard", draw_pegboard, 640, 480, false},
        {"tiled pegboard", draw_pegboard, 640, 480, true},
        {"maze", draw_maze, 640, 480, false},
    };
    const uint8_t tile[8] = {kColour, 1, 2, kBorder, 3, 0, kColour, 5};  // the border's colour in it too
    open(19, 8);
    for (const auto& c : cases) {
        ImageHeader* image = image_create(c.w, c.h, 0);
        ASSERT_EQ(draw_target(image), 0);
        c.draw(screen->rows, c.w, c.h, kBorder, kColour);
        const std::vector<uint32_t> before = page_pixels(c.w, c.h);
        const std::vector<uint8_t> want = flood_region(before, c.w, c.h, 0, 0, kBorder);
        int32_t result = -1;
        const size_t extra = held_by(SIZE_MAX, [&] {
            result = c.tiled ? flood_fill_tile(0, 0, tile, 8, kBorder, 0) : flood_fill(0, 0, kColour, kBorder, 0);
        });
        EXPECT_EQ(result, 0) << c.name;
        EXPECT_LE(extra, size_t(image->pitch) * c.h) << c.name;
        const std::vector<uint32_t> after = page_pixels(c.w, c.h);
        for (size_t i = 0; i < after.size(); ++i)
            ASSERT_EQ(after[i], !want[i] ? before[i] : c.tiled ? tile[i % c.w % 8] : kColour) << c.name << " at " << i;
        draw_target(nullptr);
        image_free(image);
    }
}

TEST_F(GfxTest, FloodFillOutOfMemoryReturnsOneLeavingAConnectedPartPaintedAndMarked) {
    const int w = 640, h = 480;
    screen_open_size(w, h, 8, 1, kOpenNullDriver, 0);
    draw_maze(screen->rows, w, h, kBorder, kColour);
    const std::vector<uint32_t> picture = page_pixels(w, h);
    const std::vector<uint8_t> region = flood_region(picture, w, h, 0, 0, kBorder);
    // Limits from nothing up to what the whole fill takes, and none.
    size_t most = 0, parts = 0;
    for (int eighths = 8; eighths >= 0; --eighths) {
        for (int y = 0; y < h; ++y) std::copy_n(&picture[size_t(y) * w], w, screen->rows[y]);
        std::memset(screen->dirty, 0, h);
        int32_t result = -1, error = -1;
        const size_t held = held_by(eighths == 8 ? SIZE_MAX : most * eighths / 8, [&] {
            set_last_error(0);
            result = flood_fill(0, 0, kColour, kBorder, 0);
            error = last_error();
        });
        most = eighths == 8 ? held : most;
        EXPECT_EQ(error, result) << eighths;
        const std::vector<uint32_t> after = page_pixels(w, h);
        std::vector<uint32_t> unpainted(after.size());
        size_t count = 0, in_region = 0;
        for (size_t i = 0; i < after.size(); ++i) {
            unpainted[i] = after[i] != kColour;
            count += !unpainted[i];
            in_region += region[i];
        }
        // All of it, or error 1 and a part that is in the region, reached
        // from the start through painted pixels, and in rows marked changed.
        ASSERT_TRUE(result == 0 ? count == in_region : result == 1) << eighths;
        EXPECT_TRUE(eighths || count == 0);
        parts += result == 1 && count > 0;
        const std::vector<uint8_t> reached = flood_region(unpainted, w, h, 0, 0, 1);
        for (size_t i = 0; i < after.size(); ++i) {
            ASSERT_EQ(reached[i], !unpainted[i]) << eighths << " at " << i;
            ASSERT_TRUE(unpainted[i] || (region[i] && screen->dirty[i / w])) << eighths << " at " << i;
        }
    }
    EXPECT_GT(parts, 0u);
}

}  // namespace
