#include "gfx/colours.h"
#include "tests/gfx_fixture.h"

using namespace pantalla::detail;

namespace {

uint32_t rgb(uint32_t r, uint32_t g, uint32_t b) { return r | g << 8 | b << 16; }

TEST_F(GfxTest, SetColoursPerDepth) {
    struct Row { int32_t mode, depth, fg; uint32_t stored; };
    const Row rows[] = {
        {19, 16, 0xFF8040, 0xFC08}, {19, 16, 0x070707, 0x20}, {19, 16, 0x030303, 0}, {19, 16, 0xFFFFFF, 0xFFFF},
        {19, 32, 0x7F123456, 0x7F123456}, {13, 8, 300, 44},
    };
    for (const Row& r : rows) {
        open(r.mode, r.depth);
        set_colours(r.fg, -1);
        EXPECT_EQ(screen->fg_colour, r.stored) << std::hex << r.fg;
    }
    open(19, 16);
    EXPECT_EQ(set_colours(-1, 0x0000FF), 0xFFFF);
    EXPECT_EQ(screen->bg_colour, 0x1Fu);
    EXPECT_EQ(screen->fg_colour, 0xFFFFu);
    EXPECT_EQ(colour_to_pixel(0xFF8040), 0xFC08u);
}

TEST_F(GfxTest, DefaultPalettes) {
    open(13);
    EXPECT_EQ(screen->palette[1], rgb(0, 0, 170));
    EXPECT_EQ(screen->palette[6], rgb(170, 85, 0));
    EXPECT_EQ(screen->palette[23], rgb(97, 97, 97));
    EXPECT_EQ(screen->palette[32], rgb(0, 0, 255));
    EXPECT_EQ(screen->palette[40], rgb(255, 0, 0));
    EXPECT_EQ(screen->palette[255], 0u);
    open(9);
    EXPECT_EQ(screen->palette[6], rgb(170, 85, 0));
    EXPECT_EQ(screen->attribute_map[6], 20);
    EXPECT_EQ(screen->palette[8], rgb(85, 85, 85));
    EXPECT_EQ(screen->attribute_map[8], 56);
    open(2);
    EXPECT_EQ(screen->palette[1], rgb(255, 255, 255));
    open(19, 16);
    EXPECT_EQ(screen->palette[1], 0u);  // no palette at 16 bits
}

TEST_F(GfxTest, PaletteSetAndItsRowMarks) {
    open(13);
    palette_set(1, 63, -1, -1);
    EXPECT_EQ(screen->palette[1], rgb(255, 0, 0));
    palette_set(1, 255, 128, 0);
    EXPECT_EQ(screen->palette[1], rgb(255, 129, 0));
    palette_set(2, 31 | 1 << 8 | 0x7F << 16, -1, -1);  // bits beyond 6 are cut
    EXPECT_EQ(screen->palette[2], rgb(125, 4, 255));
    for (int y = 0; y < 200; ++y) ASSERT_EQ(screen->dirty[y], 1);
    palette_set(300, 63, -1, -1);  // beyond the palette: ignored
    palette_set(-1, 0, -1, -1);
    EXPECT_EQ(screen->palette[1], rgb(0, 0, 170));
}

TEST_F(GfxTest, ModeOneColourSets) {
    open(1);
    set_colours(-1, 0);
    EXPECT_EQ(screen->palette[1], screen->colour_set[2]);
    EXPECT_EQ(screen->palette[3], screen->colour_set[6]);
    set_colours(-1, 3);
    EXPECT_EQ(screen->palette[1], screen->colour_set[11]);
    EXPECT_EQ(screen->palette[3], screen->colour_set[15]);
    set_colours(4, -1);  // entry 0 shows colour 4
    EXPECT_EQ(screen->palette[0], screen->colour_set[4]);
    EXPECT_EQ(screen->fg_colour, 3u);
}

TEST_F(GfxTest, ModesSevenToNineChangeEntryZeroForTheBackground) {
    open(9);
    set_colours(0x1E, 1);
    EXPECT_EQ(screen->fg_colour, 14u);
    EXPECT_EQ(screen->bg_colour, 0u);
    EXPECT_EQ(screen->palette[0], screen->colour_set[1]);
}

TEST_F(GfxTest, PalettePorts) {
    open(13);
    EXPECT_EQ(port_out(968, 1), 0);
    port_out(969, 63);
    port_out(969, 0);
    port_out(969, 0);
    EXPECT_EQ(screen->palette[1], rgb(255, 0, 0));
    port_out(969, 0);  // the index moved on to 2
    port_out(969, 63);
    port_out(969, 0);
    EXPECT_EQ(screen->palette[2], rgb(0, 255, 0));

    palette_set(5, 10 | 20 << 8 | 30 << 16, -1, -1);
    port_out(967, 5);
    EXPECT_EQ(port_in(969), 10);
    EXPECT_EQ(port_in(969), 20);
    EXPECT_EQ(port_in(969), 30);
    EXPECT_EQ(port_in(986), 8);
    EXPECT_EQ(port_in(1234), -1);

    open(9);  // a fixed colour set: the components go into the set
    port_out(968, 20);
    port_out(969, 0);
    port_out(969, 63);
    port_out(969, 0);
    EXPECT_EQ(screen->colour_set[20], rgb(0, 252, 0));
    EXPECT_EQ(screen->palette[6], rgb(0, 252, 0));

    // Modes 7 and 8 map entry i to colour i: a port write recolours only
    // the entries that show that colour.
    for (int32_t mode : {7, 8}) {
        open(mode);
        for (int32_t i = 0; i < 16; ++i) EXPECT_EQ(screen->attribute_map[i], i) << "mode " << mode;
        const uint32_t entry_5 = screen->palette[5];
        port_out(968, 4);
        for (int32_t v : {63, 0, 0}) port_out(969, v);
        EXPECT_EQ(screen->palette[4], rgb(252, 0, 0)) << "mode " << mode;
        port_out(968, 0);
        for (int32_t v : {0, 63, 0}) port_out(969, v);
        EXPECT_EQ(screen->palette[0], rgb(0, 252, 0)) << "mode " << mode;
        EXPECT_EQ(screen->palette[5], entry_5) << "mode " << mode;
    }

    open(19, 16);
    EXPECT_EQ(port_in(969), -1);
    EXPECT_EQ(port_out(969, 1), -1);
    EXPECT_EQ(port_in(986), 8);
    screen_open(0, 0, 0, 0, 0);
    EXPECT_EQ(port_in(986), -1);
}

}  // namespace
