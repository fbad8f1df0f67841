// The page as sixel bands or kitty row images, shown by a model terminal
// that paints each image where the cursor stands and takes a limited
// number of bytes a pass.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/display/terminal_pixels.h"
#include "kitty_decode.h"
#include "sixel_decode.h"

using namespace pantalla::detail;

namespace {

using sixel_decode::through_percent;

struct TermModel {
    TermModel(int32_t cw, int32_t ch, int32_t w, int32_t h)
        : cell_width(cw), cell_height(ch), width(w), canvas(static_cast<size_t>(w) * h, -1) {}
    int32_t cell_width, cell_height, width;
    std::vector<int64_t> canvas;
    int32_t col = 0, row = 0;
    std::vector<int32_t> image_rows;  // the cell row of each image, in order
    std::string unread;
    std::set<uint32_t> held;  // kitty images whose pixels the terminal keeps
    std::string kitty_payload;
    std::map<char, std::string> kitty_keys;  // of the image under way

    void feed(std::string_view bytes) {
        unread += bytes;
        size_t i = 0;
        while (i < unread.size()) {
            if (unread.compare(i, 2, "\x1bP") == 0) {
                const size_t end = unread.find("\x1b\\", i);
                if (end == std::string::npos) break;
                paint(sixel_decode::decode(unread.substr(i, end + 2 - i)));
                i = end + 2;
            } else if (unread.compare(i, 3, "\x1b_G") == 0) {
                const kitty_decode::Code c = kitty_decode::parse_code(unread, i);
                if (c.end == std::string::npos) break;
                kitty(c);
                i = c.end;
            } else if (unread.compare(i, 2, "\x1b[") == 0) {
                const size_t end = unread.find_first_of("HJm", i);
                if (end == std::string::npos) break;
                if (unread[end] == 'H') std::sscanf(unread.c_str() + i + 2, "%d;%d", &row, &col), --row, --col;
                if (unread[end] == 'J') std::fill(canvas.begin(), canvas.end(), -1);
                i = end + 1;
            } else {
                ADD_FAILURE() << "stray byte " << int(unread[i]);
                ++i;
            }
        }
        unread.erase(0, i);
    }
    void kitty(const kitty_decode::Code& c) {
        if (c.keys.count('a') && c.keys.at('a') == "d") {
            EXPECT_EQ(c.keys.at('d'), "I");
            EXPECT_EQ(held.erase(static_cast<uint32_t>(std::stoul(c.keys.at('i')))), 1u);
            return;
        }
        if (c.keys.count('a')) kitty_keys = c.keys, kitty_payload.clear();
        kitty_payload += c.payload;
        if (c.keys.at('m') == "1") return;
        sixel_decode::Decoded d;
        d.width = std::stoi(kitty_keys.at('s')), d.height = std::stoi(kitty_keys.at('v'));
        std::vector<uint8_t> rgb = kitty_decode::unbase64(kitty_payload);
        if (kitty_keys.count('o')) rgb = kitty_decode::inflate_fixed(rgb);
        EXPECT_EQ(rgb.size(), static_cast<size_t>(d.width) * d.height * 3);
        for (size_t p = 0; p + 2 < rgb.size(); p += 3) d.pixels.push_back(rgb[p] << 16 | rgb[p + 1] << 8 | rgb[p + 2]);
        held.insert(static_cast<uint32_t>(std::stoul(kitty_keys.at('i'))));
        paint(d);
    }
    void paint(const sixel_decode::Decoded& d) {
        image_rows.push_back(row);
        for (int32_t y = 0; y < d.height; ++y)
            for (int32_t x = 0; x < d.width; ++x)
                if (const int64_t c = d.pixels[static_cast<size_t>(y) * d.width + x]; c >= 0)
                    canvas.at(static_cast<size_t>(row * cell_height + y) * width + col * cell_width + x) = c;
    }
};

// A 200 x 100 page of palette indices in a 300 x 200 text area of 10 x 20
// cells: shown whole at cell (5, 2), five cell rows.
struct PixelsTest : ::testing::Test {
    uint32_t palette[256] = {};
    std::vector<uint8_t> pixels = std::vector<uint8_t>(200 * 100, 0), dirty = std::vector<uint8_t>(100, 0);
    SixelPage page{pixels.data(), 200, 200, 100, 8, palette};
    TerminalPixels out;
    TermModel term{10, 20, 300, 200};

    PixelsTest() {
        for (uint32_t i = 0; i < 256; ++i) palette[i] = i * 0x010203 & 0xFFFFFF;
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i % 200 / 4 + i / 200);
        out.set_caps(TerminalCaps{TermGraphics::sixel, true, false, 256, 10, 20, 300, 200});
    }
    void fill_rows(int32_t y0, int32_t y1, uint8_t colour) {
        std::memset(&pixels[static_cast<size_t>(y0) * 200], colour, static_cast<size_t>(y1 - y0) * 200);
        std::fill(dirty.begin() + y0, dirty.begin() + y1, uint8_t{1});
    }
    // One pass whose terminal takes at most `budget` bytes.
    bool pass(size_t budget = SIZE_MAX) {
        const bool taken = out.take(page, 1, dirty.data());
        if (taken) out.encode(256);
        const std::string_view bytes = out.unsent().substr(0, budget);
        term.feed(bytes);
        out.sent(bytes.size());
        return taken;
    }
    void expect_page_shown(bool exact = false) {
        for (int32_t y = 0; y < 100; ++y)
            for (int32_t x = 0; x < 200; ++x)
                ASSERT_EQ(term.canvas[static_cast<size_t>(40 + y) * 300 + 50 + x],
                          exact ? palette[pixels[static_cast<size_t>(y) * 200 + x]]
                                : through_percent(palette[pixels[static_cast<size_t>(y) * 200 + x]]))
                    << x << "," << y;
    }
};

}  // namespace

TEST(PixelLayout, WholeDivisorCentredOnCells) {
    const struct {
        int32_t page_w, page_h, text_w, text_h, cell_w, cell_h;
        PixelLayout want;
    } rows[] = {
        // Room to spare: full size, centred as far as whole cells go.
        {800, 600, 840, 650, 6, 13, {1, 3, 1, 6, 13, 800, 600, 47}},
        {640, 400, 640, 400, 8, 16, {1, 0, 0, 8, 16, 640, 400, 25}},
        // Smaller: the least divisor that fits both ways.
        {800, 600, 640, 480, 8, 16, {2, 15, 5, 8, 16, 400, 300, 19}},
        {800, 600, 300, 600, 10, 20, {3, 1, 10, 10, 20, 267, 200, 10}},
        // No cell size known, or not one cell: not shown.
        {800, 600, 0, 0, 0, 0, {}},
        {800, 600, 5, 600, 10, 20, {}},
    };
    for (const auto& r : rows) {
        TerminalCaps caps;
        caps.text_width = r.text_w, caps.text_height = r.text_h, caps.cell_width = r.cell_w, caps.cell_height = r.cell_h;
        EXPECT_EQ(pixel_layout(r.page_w, r.page_h, caps), r.want) << r.page_w << "x" << r.page_h << " in " << r.text_w;
    }
}

TEST_F(PixelsTest, OnlyTheChangedBandsFollowTheFirstPicture) {
    ASSERT_TRUE(pass());
    EXPECT_EQ(term.image_rows, (std::vector<int32_t>{2}));
    expect_page_shown();
    EXPECT_EQ(out.placement().left, 50);
    // A line of text in the page's third cell row: that band alone.
    term.image_rows.clear();
    fill_rows(42, 58, 9);
    ASSERT_TRUE(pass());
    EXPECT_EQ(term.image_rows, (std::vector<int32_t>{4}));
    expect_page_shown();
    // Changes in separate rows are separate bands; none, nothing.
    term.image_rows.clear();
    fill_rows(19, 21, 3);
    fill_rows(99, 100, 4);
    ASSERT_TRUE(pass());
    EXPECT_FALSE(pass());
    EXPECT_EQ(term.image_rows, (std::vector<int32_t>{2, 6}));
    expect_page_shown();
}

// A terminal slower than the program: changes made while the first picture
// goes out merge into one band, sent as it last was.
TEST_F(PixelsTest, SlowTerminalGetsTheLatestPictureOnce) {
    ASSERT_TRUE(pass(1000));
    for (uint8_t colour = 1; colour <= 5; ++colour) {
        fill_rows(25, 35, colour);
        EXPECT_FALSE(pass(1000)) << "encoded before the first picture went out";
    }
    for (int i = 0; i < 200; ++i) pass(1000);
    EXPECT_TRUE(out.unsent().empty());
    EXPECT_EQ(term.image_rows, (std::vector<int32_t>{2, 3}));
    expect_page_shown();
}

// Kitty: an image per cell row, exact colours; a changed row's image
// replaces that row's alone; a new layout and the close free them all.
TEST_F(PixelsTest, KittyRowImagesReplacedAndFreed) {
    out.set_caps(TerminalCaps{TermGraphics::kitty, false, true, 0, 10, 20, 300, 200});
    ASSERT_TRUE(pass());
    EXPECT_EQ(term.image_rows, (std::vector<int32_t>{2, 3, 4, 5, 6}));
    EXPECT_EQ(term.held.size(), 5u);
    expect_page_shown(true);
    term.image_rows.clear();
    fill_rows(42, 58, 9);
    ASSERT_TRUE(pass());
    EXPECT_EQ(term.image_rows, (std::vector<int32_t>{4}));
    EXPECT_EQ(term.held.size(), 5u);
    expect_page_shown(true);
    // Half the size: three rows, the old five freed first.
    out.set_caps(TerminalCaps{TermGraphics::kitty, false, true, 0, 10, 20, 150, 100});
    ASSERT_TRUE(pass());
    EXPECT_EQ(term.held.size(), 3u);
    out.finish();
    pass();
    EXPECT_TRUE(term.held.empty());
}
