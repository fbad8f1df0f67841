// Image calls against a header the program changed after the image was
// made: every one is refused with error 1 and touches no pixel.
#include <climits>
#include <cstddef>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

#include "gfx/draw.h"
#include "gfx_fixture.h"

using namespace pantalla::detail;

namespace {

std::vector<uint8_t> bytes_of(const void* start, size_t count) {
    return std::vector<uint8_t>(static_cast<const uint8_t*>(start), static_cast<const uint8_t*>(start) + count);
}

TEST_F(GfxTest, ImageCallsRefuseAChangedHeader) {
    const std::pair<const char*, size_t> fields[] = {
        {"version", offsetof(ImageHeader, version)}, {"bytes_per_pixel", offsetof(ImageHeader, bytes_per_pixel)},
        {"width", offsetof(ImageHeader, width)},     {"height", offsetof(ImageHeader, height)},
        {"pitch", offsetof(ImageHeader, pitch)}};
    const std::pair<const char*, int32_t (*)(int32_t)> changes[] = {
        {"one more", [](int32_t v) { return v + 1; }}, {"one less", [](int32_t v) { return v - 1; }},
        {"far larger", [](int32_t v) { return v * 3750; }}, {"negated", [](int32_t v) { return -v; }},
        {"-1000000", [](int32_t) { return -1000000; }}, {"INT32_MAX", [](int32_t) { return INT32_MAX; }},
        {"INT32_MIN", [](int32_t) { return INT32_MIN; }}};
    static const uint8_t tile[8 * 8 * 4] = {0x11};
    ImageHeader* other = nullptr;
    struct Call {
        const char* name;
        bool as_target;  // the image is the target before its header changes
        std::function<int32_t(ImageHeader*)> run;
    };
    const Call calls[] = {
        // The image as a source or a new target.
        {"put it", false, [](ImageHeader* i) { return image_put(0, 0, i, kPutCopy, 0, 0); }},
        {"target it", false, [](ImageHeader* i) { return draw_target(i); }},
        // Every drawing call while it is already the target.
        {"put it on itself", true, [](ImageHeader* i) { return image_put(1, 1, i, kPutXor, 0, 0); }},
        {"put another on it", true, [&](ImageHeader*) { return image_put(0, 0, other, kPutCopy, 0, 0); }},
        {"get from it", true, [](ImageHeader*) { return image_get(0, 0, 7, 7, 0) ? 0 : 1; }},
        {"point_set", true, [](ImageHeader*) { return point_set(2, 2, 3, 0); }},
        {"point_clear", true, [](ImageHeader*) { return point_clear(2, 2, 3, 0); }},
        {"point_get", true, [](ImageHeader*) { return point_get(2, 2, 0) == -1 ? 1 : 0; }},
        {"filled box", true, [](ImageHeader*) { return line_draw(-5, -5, 500, 500, 3, kDrawBox | kDrawFilled, 0); }},
        {"flood_fill", true, [](ImageHeader*) { return flood_fill(1, 1, 3, 9, 0); }},
        {"flood_fill_tile", true, [](ImageHeader*) { return flood_fill_tile(1, 1, tile, sizeof tile, 9, 0); }},
        {"ellipse", true, [](ImageHeader*) { return ellipse_draw(4, 4, 300, 3, 0, 0, 1, kDrawFilled | kDrawAspect); }},
    };
    for (int32_t depth : {8, 16, 32}) {
        screen_open_size(64, 48, depth, 1, kOpenNullDriver, 0);
        ASSERT_NE(screen, nullptr);
        other = image_create(4, 4, 7);
        for (const auto& [field, offset] : fields)
            for (const auto& [change, value] : changes)
                for (const Call& call : calls) {
                    const auto where = ::testing::Message() << depth << " bits, " << field << " " << change << ", "
                                                            << call.name;
                    ImageHeader* image = image_create(8, 8, 5);
                    ASSERT_TRUE(image && (!call.as_target || draw_target(image) == 0)) << where;
                    const size_t pixel_bytes = size_t(image->pitch) * image->height;
                    const auto pixels = bytes_of(image + 1, pixel_bytes);
                    const auto page = bytes_of(screen->pages[0], size_t(screen->pitch) * screen->height);
                    char* at = reinterpret_cast<char*>(image) + offset;
                    int32_t kept;
                    std::memcpy(&kept, at, sizeof kept);
                    const int32_t changed = value(kept);
                    std::memcpy(at, &changed, sizeof changed);
                    set_last_error(0);
                    EXPECT_EQ(call.run(image), 1) << where;
                    EXPECT_EQ(last_error(), 1) << where;
                    std::memcpy(at, &kept, sizeof kept);
                    EXPECT_TRUE(bytes_of(image + 1, pixel_bytes) == pixels) << "image touched, " << where;
                    EXPECT_TRUE(bytes_of(screen->pages[0], page.size()) == page) << "screen touched, " << where;
                    draw_target(nullptr);
                    image_free(image);
                }
        // A changed header does not keep the image from being freed.
        ImageHeader* spoilt = image_create(8, 8, 5);
        spoilt->height = 30000;
        EXPECT_EQ(image_free(spoilt), 0);
        image_free(other);
    }
}

}  // namespace
