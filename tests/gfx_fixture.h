// Opens graphics screens on the "Null" driver for a test and closes them
// afterwards; keys come only from what the test pushes.
#pragma once

#include <gtest/gtest.h>

#include "gfx/display/display_driver.h"
#include "gfx/resources.h"
#include "gfx/screen.h"
#include "gfx/text_draw.h"
#include "runtime/context.h"

using namespace pantalla::detail;

class GfxTest : public ::testing::Test {
protected:
    void SetUp() override { null_driver_read_console(false); }
    void TearDown() override {
        screen_open(0, 0, 0, 0, 0);
        int32_t code;
        while (key_queue_take(screen_key_queue, &code)) {
        }
        null_driver_read_console(true);
    }
public:
    static void open(int32_t mode, int32_t depth = 0, int32_t pages = 1) {
        screen_open(mode, depth, pages, kOpenNullDriver, 0);
        ASSERT_NE(screen, nullptr) << "mode " << mode;
    }
    // Reads the work page as a display pass would, after a pending scroll.
    static uint32_t pixel(int32_t x, int32_t y) {
        text_settle();
        const uint8_t* row = screen->pages[0] + static_cast<size_t>(y) * screen->pitch;
        switch (screen->bytes_per_pixel) {
            case 1: return row[x];
            case 2: return row[2 * x] | row[2 * x + 1] << 8;
            default: return row[4 * x] | row[4 * x + 1] << 8 | row[4 * x + 2] << 16 | uint32_t(row[4 * x + 3]) << 24;
        }
    }
    // The glyph bit of character c at (x, y) of its cell in the open font.
    static bool glyph_bit(uint8_t c, int32_t x, int32_t y) {
        const FontDescriptor& f = *screen->font;
        return (f.data[c * f.glyph_height + y] >> x) & 1;
    }
};
