// Coordinates far from the page: lines and their style phase against the
// closed form of the whole line, the pen's direction, and coordinate windows
// far from zero.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <random>
#include <utility>

#include "gfx/draw.h"
#include "draw_points.h"
#include "gfx_fixture.h"

using namespace pantalla::detail;

namespace {

using Wide = __int128;

// The line between integer ends as far as it lies on the screen, by the
// closed form at each visible step: from the lesser end, step i of n lies
// floor((2ia + n) / 2n) off the major axis; the style counts from (x0, y0).
Points whole_line(int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint16_t style = 0xFFFF) {
    const bool reversed = x1 < x0 || (x1 == x0 && y1 < y0);
    if (reversed) std::swap(x0, x1), std::swap(y0, y1);
    const bool x_major = std::llabs(x1 - x0) >= std::llabs(y1 - y0);
    const int64_t major0 = x_major ? x0 : y0, minor0 = x_major ? y0 : x0;
    const int64_t major_d = x_major ? x1 - x0 : y1 - y0, minor_d = x_major ? y1 - y0 : x1 - x0;
    const int64_t n = std::llabs(major_d), a = std::llabs(minor_d);
    const int64_t major_s = major_d < 0 ? -1 : 1, minor_s = minor_d < 0 ? -1 : 1;
    Points out;
    for (int64_t p = 0; p < (x_major ? screen->width : screen->height); ++p) {
        const Wide i = Wide(p - major0) * major_s;
        if (i < 0 || i > n) continue;
        const Wide m = n ? (2 * i * a + n) / (2 * Wide(n)) : 0;
        const Wide q = minor0 + m * minor_s;
        const int64_t k = int64_t(reversed ? n - i : i);
        if (q < 0 || q >= (x_major ? screen->height : screen->width) || !((style >> (15 - (k & 15))) & 1)) continue;
        out.insert(x_major ? std::pair{int(p), int(q)} : std::pair{int(q), int(p)});
    }
    return out;
}

TEST_F(GfxTest, FarLinesAreTheVisiblePartOfTheWholeLine) {
    screen_open_size(96, 64, 8, 1, kOpenNullDriver, 0);
    std::mt19937_64 rng(17);
    const double far = 0x1p40;
    for (int round = 0; round < 4000; ++round) {
        // Through a point near the screen, out to ends of every size up to 2^40.
        const double px = double(rng() % 160) - 32, py = double(rng() % 128) - 32;
        const double reach = std::ldexp(1.0, int(rng() % 41)), back = double(rng() % 1001) / 1000;
        const double dx = std::floor(reach * (double(rng() % 2001) / 1000 - 1));
        const double dy = std::floor(reach * (double(rng() % 2001) / 1000 - 1));
        const double ax = std::clamp(px + dx, -far, far), ay = std::clamp(py + dy, -far, far);
        const double bx = std::clamp(px - std::floor(dx * back), -far, far), by = std::clamp(py - std::floor(dy * back), -far, far);
        const uint16_t style = round % 2 ? uint16_t(rng()) : 0xFFFF;
        const Points want = whole_line(int64_t(ax), int64_t(ay), int64_t(bx), int64_t(by), style);
        ASSERT_EQ(drawn([&] { line_draw(ax, ay, bx, by, 1, 0, style); }), want)
            << std::fixed << ax << "," << ay << " " << bx << "," << by << " style " << style;
    }
}

TEST_F(GfxTest, StylePhaseAndPenKeepToTheWholeLine) {
    open(13);
    double px, py;
    const struct {
        const char* what;
        std::function<void()> draw;
        Points want;
    } rows[] = {
        // The style counts from the first point, however far.
        {"far first point", [] { line_draw(-268435457, 5, 40, 5, 1, 0, 0x8000); }, {{15, 5}, {31, 5}}},
        // Halves round up; the double just below a half is not one.
        {"just below a half", [] { point_set(0.49999999999999994, 2, 1, 0); }, {{0, 2}}},
        // Cut where the whole line meets the far box, not where rounding puts it.
        {"both ends far", [] { line_draw(-1e300, -1e300, 1e300, 1e300, 1, 0, 0xFFFF); }, whole_line(-9, -9, 999, 999)},
        // The pen keeps its direction from the view.
        {"pen far out", [] { point_set(1e15, 3e14, 0, 0); line_draw(0, 0, 0, 0, 1, kDrawFromPen, 0xFFFF); },
         whole_line(1000000000000000, 300000000000000, 0, 0)},
        {"pen stepped back", [] { point_set(1e15, 0, 0, 0); point_set(-1e15 + 7, 5, 1, kDrawStep); }, {{7, 5}}},
    };
    for (const auto& row : rows) EXPECT_EQ(drawn(row.draw), row.want) << row.what;
    // Held only beyond any page, on its own direction.
    const Points held = drawn([] { point_set(1e308, 3e307, 0, 0); line_draw(0, 0, 0, 0, 1, kDrawFromPen, 0xFFFF); });
    EXPECT_TRUE(held.count({100, 30}) && held.count({300, 90}) && !held.count({199, 199}));
    EXPECT_EQ(pen_get(&px, &py, 0), 0);
    EXPECT_TRUE(px == 0 && py == 0) << px << "," << py;
}

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
