// Coordinates far from zero: coordinate windows far from the origin.
#include <cmath>

#include "gfx/draw.h"
#include "draw_points.h"
#include "gfx_fixture.h"

namespace {

TEST_F(GfxTest, WindowsFarFromZeroMapExactly) {
    open(13);
    const DrawBox view{0, 0, 319, 199};
    view_set(&view, -1, -1, 0);
    const struct {
        double lo, hi, y_lo, y_hi;  // world
        uint32_t options;
        double world_x, view_x, world_y, view_y;
    } rows[] = {
        // Offsets of 1e8 and of timestamps, either side of zero.
        {1e8 + 3, 1e8 + 214, 0, 199, 0, 1e8 + 3, 0, 0, 199},
        {1e8 + 3, 1e8 + 214, 0, 199, 0, 1e8 + 103, 100 * 319 / 211.0, 99.5, 99.5},
        {1.7e9, 1.7e9 + 319, 1.7e9 + 1, 1.7e9 + 200, 0, 1.7e9 + 117, 117, 1.7e9 + 150, 50},
        {-1.7e9 - 319, -1.7e9, -1.7e9 - 199, -1.7e9, 0, -1.7e9 - 200, 119, -1.7e9 - 20, 20},
        {-1e8 - 638, -1e8, -1e8 - 199, -1e8, 0, -1e8 - 300.5, 168.75, -1e8 - 199, 199},
        // y down: the lesser y at the top.
        {1.7e9, 1.7e9 + 319, 1.7e9 + 1, 1.7e9 + 200, kWindowYDown, 1.7e9 + 2, 2, 1.7e9 + 150, 149},
        {-1e8 - 638, -1e8, -1e8 - 199, -1e8, kWindowYDown, -1e8, 319, -1e8 - 199, 0},
    };
    for (const auto& r : rows) {
        const DrawBox world{r.lo, r.y_lo, r.hi, r.y_hi};
        ASSERT_EQ(window_set(&world, r.options), 0);
        EXPECT_NEAR(point_convert(r.world_x, kWorldToViewX), r.view_x, 1e-6) << std::fixed << r.world_x;
        EXPECT_NEAR(point_convert(r.world_y, kWorldToViewY), r.view_y, 1e-6) << std::fixed << r.world_y;
        EXPECT_NEAR(point_convert(r.view_x, kViewToWorldX), r.world_x, 1e-6) << std::fixed << r.view_x;
        EXPECT_NEAR(point_convert(r.view_y, kViewToWorldY), r.world_y, 1e-6) << std::fixed << r.view_y;
        const Points lit = drawn([&] { point_set(r.world_x, r.world_y, 1, 0); });
        EXPECT_EQ(lit, (Points{{int(std::floor(r.view_x + 0.5)), int(std::floor(r.view_y + 0.5))}})) << std::fixed << r.world_x;
    }
}

}  // namespace
