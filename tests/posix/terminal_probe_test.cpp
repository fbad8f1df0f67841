#include "gfx/display/posix/terminal_probe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "console/posix/terminal.h"
#include "gfx/display/display_driver.h"
#include "gfx/keyboard.h"
#include "gfx/screen.h"
#include "tests/posix/pty_terminal.h"

using namespace pantalla::detail;

namespace {

// An xterm with sixels, 10 x 20 pixel cells and pixel mouse reports.
const std::string kAnswers =
    "\x1b[6;20;10t\x1b[4;500;800t\x1b[?1;0;1024S\x1b[?1016;2$y\x1b[?63;1;2;4;6;9;15;16;22;28c";

// The "Terminal" driver opened on `pty` with "ab" typed before it asks and
// `answers` waiting behind them.
bool open_on(PtyTerminal& pty, const std::string& answers) {
    pty.attach();
    setenv("DNGFX", "terminal", 1);
    setenv("TERM", "xterm-256color", 1);
    unsetenv("TMUX");
    unsetenv("DNGFX_TERMINAL_GRAPHICS");
    pty.type("ab" + answers);
    screen_open(13, 8, 1, 0, 0);
    return screen && std::strcmp(screen->driver->name, "Terminal") == 0;
}

std::string keys_until(char last) {
    std::string keys;
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (keys.find(last) == std::string::npos && std::chrono::steady_clock::now() < give_up) {
        const int32_t code = gfx_take_key();
        if (code > 0)
            keys += static_cast<char>(code);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return keys;
}

TEST(TerminalProbe, KeysTypedAheadKeepTheirOrderWhateverTheTerminalAnswers) {
    struct Row {
        const char* name;
        std::string answers, late;  // at once, and once the driver is open (past the deadline)
        bool sixel;
        std::string keys;
    } rows[] = {
        {"answers", kAnswers.substr(0, 10) + "x" + kAnswers.substr(10), "", true, "abxc"},
        {"answers late", "", "\x1b_Gi=31;OK\x1b\\" + kAnswers, false, "abc"},
        {"answers garbage", "\x1b[?1;2;3x\x1b[5;1;2t\x1b[?1;3;0S\x1b_Xjunk\x1b\\y", "", false, "abyc"},
        {"never answers", "", "", false, "abc"},
    };
    for (const Row& r : rows) {
        PtyTerminal pty(80, 24, "");
        ASSERT_TRUE(open_on(pty, r.answers)) << r.name;
        const TerminalCaps caps = terminal_driver_caps();
        EXPECT_EQ(caps.sixel, r.sixel) << r.name;
        EXPECT_EQ(caps.graphics, r.sixel ? TermGraphics::sixel : TermGraphics::blocks) << r.name;
        pty.type(r.late);
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        pty.type("c");
        EXPECT_EQ(keys_until('c'), r.keys) << r.name;
        screen_open(0, 0, 0, 0, 0);
    }
}

// Under the screen lock, as the program reads it: x, y, buttons.
std::vector<int32_t> mouse(int32_t move_x = -1, int32_t move_y = -1) {
    int32_t x = -1, y = -1, wheel = 0, buttons = 0;
    screen_lock();
    screen->driver->set_mouse(move_x, move_y, 1);
    screen->driver->get_mouse(&x, &y, &wheel, &buttons);
    screen_unlock(1, 0);
    return {x, y, buttons};
}

TEST(TerminalProbe, MouseInPixelsAndItsModesOffAtTheEnd) {
    PtyTerminal pty(80, 24, "");
    ASSERT_TRUE(open_on(pty, kAnswers));
    EXPECT_NE(pty.take().find("\x1b[?1006h\x1b[?1016h"), std::string::npos);
    // The page is shown as sixel pixels, centred on whole 10 x 20 cells of
    // the 800 x 500 text area: page pixel 16, 16 reported with the right
    // button held; then moved by the program, as far as the page goes.
    const int32_t left = (800 - screen->width) / 2 / 10 * 10;
    const int32_t top = (500 - screen->height * std::max(screen->scale, 1)) / 2 / 20 * 20;
    pty.type("\x1b[<2;" + std::to_string(left + 17) + ';' + std::to_string(top + 17) + 'M');
    for (int i = 0; i < 500 && mouse()[0] < 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(mouse(), (std::vector<int32_t>{16, 16, 2}));
    EXPECT_EQ(mouse(400, 7), (std::vector<int32_t>{319, 7, 2}));
    screen_open(0, 0, 0, 0, 0);
    EXPECT_NE(pty.take().find(kMouseReportsOff), std::string::npos);
}

}  // namespace
