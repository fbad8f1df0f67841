// The drawing primitives against their pixel rules and against plain
// references: clipping, lines, ellipses, flood fill, images, dirty rows and
// bad input.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <deque>
#include <functional>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <utility>
#include <vector>

#include "flood_region.h"
#include "gfx/draw.h"
#include "gfx/draw/pixel_search.h"
#include "draw_points.h"
#include "gfx_fixture.h"

using namespace pantalla::detail;

namespace {

using Pixels = std::vector<uint32_t>;
constexpr double kPi = 3.14159265358979323846;

Pixels page_pixels() {
    Pixels out;
    for (int y = 0; y < screen->height; ++y)
        for (int x = 0; x < screen->width; ++x) out.push_back(GfxTest::pixel(x, y));
    return out;
}

// Lit at every depth.
constexpr int64_t kLit = 0xFFFFFF;

// A random primitive in screen pixels; filled ones too.
std::function<void()> random_shape(std::mt19937& rng, int w, int h) {
    std::uniform_real_distribution<double> x(-w / 2, w * 1.5), y(-h / 2, h * 1.5), r(0, w);
    std::uniform_real_distribution<double> angle(-7, 7), aspect(0.2, 3);
    const double a = x(rng), b = y(rng), c = x(rng), d = y(rng), rad = r(rng), s = angle(rng), e = angle(rng);
    const double asp = aspect(rng);
    switch (rng() % 6) {
        case 0: return [=] { line_draw(a, b, c, d, kLit, 0, 0xFFFF); };
        case 1: return [=] { line_draw(a, b, c, d, kLit, kDrawBox, 0xF0F3); };
        case 2: return [=] { line_draw(a, b, c, d, kLit, kDrawBox | kDrawFilled, 0xFFFF); };
        case 3: return [=] { ellipse_draw(a, b, rad, kLit, 0, 0, asp, kDrawAspect); };
        case 4: return [=, fill = rng() & 1 ? kDrawFilled : 0] { ellipse_draw(a, b, rad, kLit, s, e, asp, kDrawAspect | kDrawArc | fill); };
        default: return [=] { ellipse_draw(a, b, rad, kLit, 0, 0, asp, kDrawAspect | kDrawFilled); };
    }
}

TEST_F(GfxTest, ClippedDrawingIsTheUnclippedDrawingCropped) {
    screen_open_size(320, 240, 8, 1, kOpenNullDriver, 0);
    ASSERT_NE(screen, nullptr);
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        const auto shape = random_shape(rng, 320, 240);
        const Points whole = drawn(shape);
        const DrawBox view{double(rng() % 320), double(rng() % 240), double(rng() % 320), double(rng() % 240)};
        const Points clipped = drawn([&] {
            view_set(&view, -1, -1, kViewAbsolute);
            shape();
            view_set(nullptr, -1, -1, 0);
        });
        Points expected;
        for (auto p : whole)
            if (p.first >= std::min(view.x1, view.x2) && p.first <= std::max(view.x1, view.x2) &&
                p.second >= std::min(view.y1, view.y2) && p.second <= std::max(view.y1, view.y2))
                expected.insert(p);
        ASSERT_EQ(clipped, expected) << "round " << round;
    }
}

TEST_F(GfxTest, LinesFollowThePixelRules) {
    screen_open_size(400, 400, 8, 1, kOpenNullDriver, 0);
    std::mt19937 rng(5);
    for (int round = 0; round < 400; ++round) {
        const int x0 = rng() % 400, y0 = rng() % 400, span = round < 200 ? 12 : 400;
        const int x1 = std::clamp<int>(x0 + int(rng() % span) - span / 2, 0, 399);
        const int y1 = std::clamp<int>(y0 + int(rng() % span) - span / 2, 0, 399);
        const Points forward = drawn([&] { line_draw(x0, y0, x1, y1, 1, 0, 0xFFFF); });
        ASSERT_EQ(forward, drawn([&] { line_draw(x1, y1, x0, y0, 1, 0, 0xFFFF); })) << x0 << "," << y0 << " " << x1 << "," << y1;
        const int dx = x1 - x0, dy = y1 - y0, n = std::max(std::abs(dx), std::abs(dy));
        ASSERT_EQ(int(forward.size()), n + 1);
        if (n == 0) continue;
        ASSERT_TRUE(forward.count({x0, y0}) && forward.count({x1, y1}));
        for (auto [x, y] : forward) {
            const double off = std::abs(dx) >= std::abs(dy) ? std::abs(y - (y0 + double(x - x0) * dy / dx))
                                                            : std::abs(x - (x0 + double(y - y0) * dx / dy));
            ASSERT_LE(off, 0.5 + 1e-9) << x << "," << y;
        }
    }
    // The style's high bit is the first point, one bit per pixel.
    const Points dashed = drawn([] { line_draw(10, 5, 41, 5, 1, 0, 0xC000); });
    EXPECT_EQ(dashed, (Points{{10, 5}, {11, 5}, {26, 5}, {27, 5}}));
}

bool eight_connected(const Points& points) {
    std::set<std::pair<int, int>> seen{*points.begin()};
    std::deque<std::pair<int, int>> queue{*points.begin()};
    while (!queue.empty()) {
        auto [x, y] = queue.front();
        queue.pop_front();
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (points.count({x + dx, y + dy}) && seen.insert({x + dx, y + dy}).second) queue.push_back({x + dx, y + dy});
    }
    return seen.size() == points.size();
}

TEST_F(GfxTest, EllipsesFollowThePixelRules) {
    screen_open_size(512, 512, 8, 1, kOpenNullDriver, 0);
    std::mt19937 rng(3);
    for (int round = 0; round < 80; ++round) {
        const int r = 1 + rng() % 120;
        const double aspect = round % 3 == 0 ? 1 : std::uniform_real_distribution<double>(0.1, 4)(rng);
        const Points ring = drawn([&] { ellipse_draw(256, 256, r, 1, 0, 0, aspect, kDrawAspect); });
        const double a = std::floor((aspect <= 1 ? r : r / aspect) + 0.5), b = std::floor((aspect <= 1 ? r * aspect : r) + 0.5);
        ASSERT_TRUE(eight_connected(ring)) << r << " " << aspect;
        for (auto [x, y] : ring) {
            const int u = x - 256, v = y - 256;
            ASSERT_TRUE(ring.count({256 - u, y}) && ring.count({x, 256 - v})) << "quadrants " << r << " " << aspect;
            if (aspect == 1) {
                ASSERT_TRUE(ring.count({256 + v, 256 + u})) << "octants " << r;
            }
            if (a == 0 || b == 0) continue;
            // The curve passes through the pixel's square.
            auto f = [&](double cu, double cv) { return cu * cu / (a * a) + cv * cv / (b * b) - 1; };
            const double lo = f(std::clamp(0.0, u - 0.5, u + 0.5), std::clamp(0.0, v - 0.5, v + 0.5));
            const double hi = f(std::abs(u) + 0.5, std::abs(v) + 0.5);
            ASSERT_TRUE(lo <= 0 && hi >= 0) << x << "," << y << " r " << r << " aspect " << aspect;
        }
        // The filled ellipse covers the outline, a row span at a time.
        const Points disc = drawn([&] { ellipse_draw(256, 256, r, 1, 0, 0, aspect, kDrawAspect | kDrawFilled); });
        for (auto p : ring) ASSERT_TRUE(disc.count(p));
        std::map<int, std::pair<int, int>> extent;  // row: leftmost, count
        for (auto [x, y] : disc) extent.try_emplace(y, x, 0).first->second.second++;
        for (auto [y, e] : extent) ASSERT_TRUE(e.first <= 256 && e.first + e.second - 1 == 512 - e.first) << "row " << y;
    }
    // An arc runs counter-clockwise from its start; a negative end adds a side.
    const Points quarter = drawn([] { ellipse_draw(100, 100, 50, 1, 0, kPi / 2, 1, kDrawArc | kDrawAspect); });
    for (auto [x, y] : quarter) EXPECT_TRUE(x >= 100 && y <= 100);
    const Points pie = drawn([] { ellipse_draw(100, 100, 50, 1, 0, -kPi / 2, 1, kDrawArc | kDrawAspect); });
    EXPECT_TRUE(pie.count({100, 80}) && !pie.count({120, 100}));
}

TEST_F(GfxTest, FloodFillPaintsTheBreadthFirstRegion) {
    std::mt19937 rng(9);
    // Small and busy; wide with few borders; wide rooms of border walls with
    // gaps: long runs, and runs bounded alike row after row, take other paths.
    const struct {
        int w, h, border_per_mille;
        bool rooms;
    } shapes[] = {{96, 64, 400, false}, {640, 24, 3, false}, {640, 48, 1, true}};
    for (const auto& shape : shapes)
    for (int depth : {8, 16, 32}) {
        const int w = shape.w, h = shape.h;
        screen_open_size(w, h, depth, 1, kOpenNullDriver, 0);
        const int bpp = screen->bytes_per_pixel;
        for (int round = 0; round < 60; ++round) {
            page_clear();
            const uint32_t border = 7, other = 3, fill = 5;
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int roll = int(rng() % 1000) - shape.border_per_mille;
                    if (roll < 0) std::memcpy(screen->rows[y] + x * bpp, &border, bpp);
                    if (roll >= 0 && roll < 100) std::memcpy(screen->rows[y] + x * bpp, &other, bpp);
                    if (roll >= 100 && roll < 200 && y % 4 == 0) std::memcpy(screen->rows[y] + x * bpp, &fill, bpp);  // some rows hold it
                }
            for (int room = 0; shape.rooms && room < 6; ++room) {
                const int x0 = int(rng() % w), x1 = int(rng() % w), y0 = int(rng() % h), y1 = int(rng() % h);
                for (int y = std::min(y0, y1); y <= std::max(y0, y1); ++y)
                    for (int x = std::min(x0, x1); x <= std::max(x0, x1); ++x)
                        if ((x == x0 || x == x1 || y == y0 || y == y1) && rng() % 50)
                            std::memcpy(screen->rows[y] + x * bpp, &border, bpp);
            }
            const Pixels before = page_pixels();
            const int sx = rng() % w, sy = rng() % h;
            const std::vector<uint8_t> want = flood_region(before, w, h, sx, sy, border);
            // A tile of two rows, holding the border colour and the region's own.
            std::vector<uint8_t> tile(16 * bpp);
            for (int i = 0; i < 16; ++i) {
                const uint32_t v = i % 3 == 0 ? border : i % 3 == 1 ? other : 5;
                std::memcpy(tile.data() + i * bpp, &v, bpp);
            }
            const bool tiled = round % 2, in_border = round % 4 == 2;  // the border's own colour: no record kept
            const uint32_t pixel_border = depth == 16 ? 0x000038 : 7;  // reads as 7 at 16 bits
            if (tiled)
                ASSERT_EQ(flood_fill_tile(sx, sy, tile.data(), int(tile.size()), pixel_border, 0), 0);
            else
                ASSERT_EQ(flood_fill(sx, sy, in_border ? pixel_border : depth == 16 ? 0x000028 : 5, in_border ? int64_t{-1} : int64_t{pixel_border}, 0), 0);
            const Pixels after = page_pixels();
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    uint32_t expect = before[y * w + x];
                    if (want[y * w + x]) {
                        if (tiled) std::memcpy(&expect, tile.data() + ((y % 2) * 8 + x % 8) * bpp, bpp), expect &= screen->colour_mask;
                        else expect = in_border ? border : 5;
                    }
                    ASSERT_EQ(after[y * w + x], expect) << w << " " << depth << " round " << round << " at " << x << "," << y;
                }
        }
    }
}

// Every search this processor has finds what a pixel-by-pixel look finds:
// hits anywhere, in long stretches and in the last part-vector.
template <class Pixel>
void searches_match_a_plain_look(std::mt19937& rng) {
    const PixelSearch<Pixel>* searches[4];
    const int count = std::min(pixel_searches<Pixel>(searches, 4), 4);
    std::vector<Pixel> row(400);
    for (int round = 0; round < 3000; ++round) {
        const int n = int(rng() % 400), hits = int(rng() % 4);
        const Pixel a = Pixel(rng()), b = rng() % 2 ? a : Pixel(rng()), other = Pixel(a + b + 1);
        std::fill(row.begin(), row.end(), other);
        for (int i = 0; i < hits && n > 0; ++i) row[rng() % n] = rng() % 2 ? a : b;
        const bool same = rng() % 8 == 0;  // a row of hits, for the search of the first that is not one
        if (same) std::fill(row.begin(), row.begin() + n, a);
        if (same && hits && n > 0) row[rng() % n] = other;
        int first = n, first_not = n, last = -1;
        for (int i = n - 1; i >= 0; --i) {
            if (row[i] == a || row[i] == b) first = i, last = last < 0 ? i : last;
            else first_not = i;
        }
        for (int k = 0; k < count; ++k) {
            ASSERT_EQ(searches[k]->first_of(row.data(), n, a, b), first) << k << " n " << n;
            ASSERT_EQ(searches[k]->first_not_of(row.data(), n, a, b), first_not) << k << " n " << n;
            ASSERT_EQ(searches[k]->last_of(row.data(), n, a, b), last) << k << " n " << n;
        }
    }
}

TEST(PixelSearch, EverySearchMatchesAPlainLook) {
    std::mt19937 rng(12);
    searches_match_a_plain_look<uint8_t>(rng);
    searches_match_a_plain_look<uint16_t>(rng);
    searches_match_a_plain_look<uint32_t>(rng);
}

struct Depth {
    int32_t mode, depth;
};
const Depth kDepths[] = {{11, 1}, {1, 2}, {7, 4}, {13, 8}, {19, 16}, {19, 32}};

TEST_F(GfxTest, ImagesRoundTripAndPutModesMatchAReference) {
    std::mt19937 rng(4);
    for (const Depth d : kDepths) {
        open(d.mode, d.depth);
        const int bpp = screen->bytes_per_pixel, w = screen->width, h = screen->height;
        const uint32_t mask = screen->colour_mask;
        for (int round = 0; round < 7; ++round) {
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint32_t v = rng() & mask;
                    std::memcpy(screen->rows[y] + x * bpp, &v, bpp);
                }
            const Pixels before = page_pixels();
            const int x1 = rng() % w, y1 = rng() % h, x2 = rng() % w, y2 = rng() % h;
            ImageHeader* image = image_get(x1, y1, x2, y2, 0);
            ASSERT_NE(image, nullptr);
            ASSERT_EQ(image_put(std::min(x1, x2), std::min(y1, y2), image, kPutCopy, 0, 0), 0);
            ASSERT_EQ(page_pixels(), before) << "round trip at depth " << d.depth;
            const int mode = round % (bpp == 4 ? 7 : 6), alpha = round % 2 ? 77 : -1;
            const int px = int(rng() % (w + 40)) - 20 - image->width / 2, py = int(rng() % (h + 40)) - 20 - image->height / 2;
            ASSERT_EQ(image_put(px, py, image, mode, alpha, 0), 0);
            const Pixels after = page_pixels();
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const uint32_t dst = before[y * w + x];
                    uint32_t want = dst;
                    const int ix = x - px, iy = y - py;
                    if (ix >= 0 && iy >= 0 && ix < image->width && iy < image->height) {
                        uint32_t s = 0;
                        std::memcpy(&s, reinterpret_cast<uint8_t*>(image + 1) + iy * image->pitch + ix * bpp, bpp);
                        const uint32_t a = alpha < 0 ? s >> 24 : uint32_t(alpha);
                        auto mix = [&](int sh) { return ((((s >> sh) & 255) * a + ((dst >> sh) & 255) * (255 - a) + 127) / 255) << sh; };
                        const uint32_t table[] = {s, ~s & mask, dst & s, dst | s, dst ^ s,
                                                  (bpp == 4 ? (s & 0xFFFFFF) : s) == image_transparent_pixel() ? dst : s,
                                                  (dst & 0xFF000000u) | mix(0) | mix(8) | mix(16)};
                        want = table[mode];
                    }
                    ASSERT_EQ(after[y * w + x], want) << "mode " << mode << " depth " << d.depth << " at " << x << "," << y;
                }
            EXPECT_EQ(image_free(image), 0);
        }
    }
}

TEST_F(GfxTest, OnlyTheChangedRowsAreMarkedOnTheVisiblePage) {
    std::mt19937 rng(21);
    for (const Depth d : kDepths) {
        open(d.mode, d.depth, 2);
        for (int round = 0; round < 12; ++round) {
            page_clear();
            const auto shape = random_shape(rng, screen->width, screen->height);
            shape();
            const Pixels after = page_pixels();
            for (int y = 0; y < screen->height; ++y) {
                bool changed = false;
                for (int x = 0; x < screen->width; ++x) changed |= after[y * screen->width + x] != 0;
                ASSERT_EQ(screen->dirty[y] != 0, changed) << "row " << y << " depth " << d.depth << " round " << round;
            }
        }
        // Drawing on a hidden work page marks nothing.
        page_clear();
        screen->work_page = 1;
        for (int y = 0; y < screen->height; ++y) screen->rows[y] = screen->pages[1] + y * screen->pitch;
        line_draw(0, 0, 100, 100, kLit, kDrawBox | kDrawFilled, 0xFFFF);
        for (int y = 0; y < screen->height; ++y) ASSERT_EQ(screen->dirty[y], 0);
        EXPECT_NE(screen->pages[1][0], 0);
    }
}

TEST_F(GfxTest, DrawingAfterAScrollSurvivesTheSettle) {
    open(19, 16);
    for (int i = 0; i < 40; ++i) gfx_print("line\n", 5, 0);
    ASSERT_TRUE(text_settle_pending());
    point_set(3, 5, 0xFFFFFF, 0);
    line_draw(0, 590, 799, 590, 0xFFFFFF, 0, 0xFFFF);
    text_settle();
    EXPECT_EQ(pixel(3, 5), 0xFFFFu);
    EXPECT_EQ(pixel(400, 590), 0xFFFFu);
}

TEST_F(GfxTest, ViewWindowPenAndImageTargets) {
    open(19, 32);
    const DrawBox view{100, 100, 299, 199}, world{0, 0, 10, 10};
    ASSERT_EQ(view_set(&view, 0x112233, 0xFF0000, 0), 0);
    EXPECT_EQ(pixel(99, 150), 0xFF0000u);
    EXPECT_EQ(pixel(150, 150), 0x112233u);
    point_set(0, 0, 5, 0);  // relative to the view
    EXPECT_EQ(pixel(100, 100), 5u);
    ASSERT_EQ(window_set(&world, 0), 0);
    point_set(0, 0, 6, 0);  // bottom left of the view
    EXPECT_EQ(pixel(100, 199), 6u);
    point_set(1, 0, 7, kDrawStep);
    double px, py;
    pen_get(&px, &py, kPenWorld);
    EXPECT_NEAR(px, 1, 1e-9);
    EXPECT_NEAR(py, 0, 1e-9);
    EXPECT_NEAR(point_convert(10, kWorldToViewX), 199, 1e-9);
    EXPECT_EQ(point_get(-1, 5, 0), -1);
    window_set(nullptr, 0);
    view_set(nullptr, -1, -1, 0);
    ImageHeader* image = image_create(20, 10, 0);
    ASSERT_EQ(draw_target(image), 0);
    line_draw(-5, 5, 100, 5, 9, 0, 0xFFFF);
    EXPECT_EQ(point_get(19, 5, 0), 9);
    EXPECT_EQ(point_get(20, 5, 0), -1);  // the image is the view
    ASSERT_EQ(draw_target(screen_pointer()), 0);
    image_put(0, 0, image, kPutCopy, 0, 0);
    EXPECT_EQ(pixel(19, 5), 9u);
    EXPECT_EQ(image_free(image), 0);
}

TEST_F(GfxTest, BadInputIsClippedOrRefused) {
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    int foreign[16] = {};
    struct Row {
        const char* what;
        std::function<int32_t()> call;
        int32_t want;
    };
    const DrawBox inverted{700, 500, 10, 20}, outside{900, 900, 1000, 1000}, huge{-1e300, -1e300, 1e300, 1e300};
    const std::vector<Row> rows = {
        {"nan point", [&] { return point_set(nan, 1, 1, 0); }, 1},
        {"inf line", [&] { return line_draw(0, 0, inf, 5, 1, 0, 0xFFFF); }, 1},
        {"1e300 line", [] { return line_draw(-1e300, 3, 1e300, 4, 1, 0, 0xFFFF); }, 0},
        {"1e300 box", [] { return line_draw(-1e300, -1e300, 1e300, 1e300, 1, kDrawBox | kDrawFilled, 0); }, 0},
        {"INT_MIN line", [] { return line_draw(INT32_MIN, INT32_MIN, INT32_MAX, 7, 1, 0, 0xFFFF); }, 0},
        {"radius 1e30", [] { return ellipse_draw(400, 300, 1e30, 1, 0, 0, 0, 0); }, 0},
        {"filled radius 1e30", [] { return ellipse_draw(1e30, 300, 1e30, 1, 0, 0, 0, kDrawFilled); }, 0},
        {"nan radius", [&] { return ellipse_draw(1, 1, nan, 1, 0, 0, 0, 0); }, 1},
        {"inf angle", [&] { return ellipse_draw(1, 1, 5, 1, inf, 0, 0, kDrawArc); }, 1},
        {"inverted view", [&] { return view_set(&inverted, 3, -1, 0); }, 0},
        {"view outside", [&] { return view_set(&outside, 3, -1, 0); }, 1},
        {"huge view", [&] { return view_set(&huge, -1, 1, 0); }, 0},
        {"empty window", [] { const DrawBox w{1, 1, 1, 5}; return window_set(&w, 0); }, 1},
        {"fill at 1e300", [] { return flood_fill(1e300, 0, 1, -1, 0); }, 0},
        {"null tile", [] { return flood_fill_tile(5, 5, nullptr, 16, 1, 0); }, 1},
        {"tile of 2^31-1 bytes, one row used", [] {
             const uint8_t row[16] = {};
             line_draw(0, 1, 799, 1, 7, 0, 0xFFFF);
             return flood_fill_tile(5, 0, row, INT32_MAX, 7, 0);
         }, 0},
        {"null image", [] { return image_put(0, 0, nullptr, kPutCopy, 0, 0); }, 1},
        {"foreign image", [&] { return image_put(0, 0, reinterpret_cast<ImageHeader*>(foreign), kPutCopy, 0, 0); }, 1},
        {"free foreign", [&] { return image_free(reinterpret_cast<ImageHeader*>(foreign)); }, 1},
        {"target foreign", [&] { return draw_target(foreign); }, 1},
        {"empty image", [] { return image_create(0, 5, 1) ? 0 : 1; }, 1},
        {"huge image", [] { return image_create(1 << 30, 1 << 30, 1) ? 0 : 1; }, 1},
        {"huge get", [] { return image_get(-1e300, 0, 1e300, 1, 0) ? 0 : 1; }, 1},
        {"alpha at 16 bits", [] {
             ImageHeader* i = image_create(4, 4, 1);
             const int32_t r = image_put(0, 0, i, kPutAlpha, 9, 0);
             image_free(i);
             return r;
         }, 1},
    };
    open(19, 16);
    for (const Row& r : rows) {
        set_last_error(0);
        EXPECT_EQ(r.call(), r.want) << r.what;
        EXPECT_EQ(last_error(), r.want) << r.what;
    }
    // An image of another depth is refused.
    ImageHeader* deep = image_create(4, 4, 1);
    open(19, 32);
    EXPECT_EQ(image_put(0, 0, deep, kPutCopy, 0, 0), 1);
    EXPECT_EQ(draw_target(deep), 1);
    image_free(deep);
    // No screen: every call is error 1.
    screen_open(0, 0, 0, 0, 0);
    for (const Row& r : rows) EXPECT_EQ(r.call(), 1) << r.what << " with no screen";
    EXPECT_EQ(point_get(1, 1, 0), -1);
}

}  // namespace
