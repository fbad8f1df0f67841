// The whole program on the "Null" driver: keys from another thread, then
// the screen's cells and pixels against the dialogue's layout.
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <algorithm>
#include <string>
#include <thread>

#include "app/dice.h"
#include "gfx/keyboard.h"
#include "gfx/text_draw.h"
#include "runtime/number_format.h"
#include "runtime/text_cursor.h"
#include "tests/gfx_fixture.h"

using namespace pantalla::detail;

namespace {

std::string row_text(int32_t row) {
    std::string s;
    for (int32_t col = 1; col <= screen->text_cols; ++col) s += static_cast<char>(read_cell(col, row, 0));
    while (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

// Every cell of the row is drawn with its glyph, white on black.
bool row_pixels_match(int32_t row) {
    auto pixel = [](int32_t x, int32_t y) {
        const uint8_t* p = screen->pages[0] + static_cast<size_t>(y) * screen->pitch + 2 * x;
        return static_cast<uint32_t>(p[0] | p[1] << 8);
    };
    const FontDescriptor& f = *screen->font;
    for (int32_t col = 0; col < screen->text_cols; ++col) {
        const uint8_t c = static_cast<uint8_t>(read_cell(col + 1, row, 0));
        for (int32_t y = 0; y < f.glyph_height; ++y)
            for (int32_t x = 0; x < 8; ++x) {
                const uint32_t want = (f.data[c * f.glyph_height + y] >> x) & 1 ? 0xFFFF : 0;
                if (pixel(col * 8 + x, (row - 1) * f.glyph_height + y) != want) return false;
            }
    }
    return true;
}

std::string face_line(int face, int32_t count) {
    return "frecuecia absoluta de  " + std::to_string(face) + " =  " + std::to_string(count);
}

class DiceProgram : public GfxTest {};

TEST_F(DiceProgram, TypicalRunOnTheScreen) {
    static char null_display[] = "DNGFX=null";
    putenv(null_display);
    dice = DiceState{};
    // The typist holds the driver's lock for each push, as a window's
    // event handler would; it never looks at the screen being opened.
    std::thread typist([] {
        auto push = [](int32_t key) {
            null_driver.lock();
            key_queue_push(screen_key_queue, key);
            null_driver.unlock();
        };
        for (int32_t key : {int32_t{'1'}, int32_t{'2'}, int32_t{13}}) {
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            push(key);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        push('q');
    });
    const double before = std::trunc(timer_seconds());
    dice_run();
    const double after = std::trunc(timer_seconds());
    typist.join();
    static char no_display[] = "DNGFX=";
    putenv(no_display);

    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(screen->depth, 16);
    EXPECT_EQ(screen->page_count, 4);
    EXPECT_EQ(dice.throw_count, 12);
    EXPECT_EQ(std::string(dice.key_text.data, string_length(&dice.key_text)), "q");

    // The seed is the whole second of the timer when the throws began.
    bool seed_found = false;
    for (double seed = before; seed <= after && !seed_found; ++seed) {
        DiceState expected{};
        random_seed(seed);
        throw_dice(expected, 1, 12);
        seed_found = std::equal(expected.face_counts, expected.face_counts + 8, dice.face_counts) &&
                     expected.throw_sum == dice.throw_sum;
    }
    EXPECT_TRUE(seed_found) << "the counts come from no seed of the run's seconds";

    char mean[kNumberTextSize];
    const std::string rows[] = {
        "SIMULADOR DE LANZAMIENTO DE DADOS",
        "=================================",
        "NUMERO DE LANZAMIENTOS = ? 12",
        "",
        "",
        std::string("MEDIA ARITMETICA GLOBAL = ") + float_to_text(dice.throw_sum / 12.0, 15, true, mean),
        "",
        face_line(1, dice.face_counts[1]),
        face_line(2, dice.face_counts[2]),
        face_line(3, dice.face_counts[3]),
        face_line(4, dice.face_counts[4]),
        face_line(5, dice.face_counts[5]),
        face_line(6, dice.face_counts[6]),
        "",
    };
    for (int32_t r = 0; r < 14; ++r) {
        EXPECT_EQ(row_text(r + 1), rows[r]) << "row " << r + 1;
        EXPECT_TRUE(row_pixels_match(r + 1)) << "row " << r + 1;
    }
    EXPECT_EQ(cursor_row_get(), 14);
    EXPECT_EQ(cursor_col_get(), 1);
    int32_t total = 0;
    for (int f = 1; f <= 6; ++f) total += dice.face_counts[f];
    EXPECT_EQ(total, 12);
    string_clear(&dice.key_text);
}

}  // namespace
