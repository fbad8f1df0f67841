#include "gfx/display/posix/terminal_probe.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "console/posix/terminal.h"
#include "gfx/display/display_driver.h"
#include "gfx/keyboard.h"
#include "gfx/screen.h"
#include "tests/posix/pty_terminal.h"

namespace {

// An xterm with sixels, 10 x 20 pixel cells and pixel mouse reports.
const std::string kAnswers =
    "\x1b[6;20;10t\x1b[4;500;800t\x1b[?1;0;1024S\x1b[?1016;2$y\x1b[?63;1;2;4;6;9;15;16;22;28c";

// The "Terminal" driver opened on `pty` with "ab" typed before it asks.
bool open_on(PtyTerminal& pty) {
    pty.attach();
    setenv("DNGFX", "terminal", 1);
    setenv("TERM", "xterm-256color", 1);
    unsetenv("TMUX");
    unsetenv("DNGFX_TERMINAL_GRAPHICS");
    pty.type("ab");
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
        std::string reply;  // to the device-attributes query; empty: none
        int delay_ms;
        bool sixel;
        std::string keys;
    } rows[] = {
        {"answers", kAnswers.substr(0, 10) + "x" + kAnswers.substr(10), 0, true, "abxc"},
        // Past the deadline: half blocks, and the answer is no key.
        {"answers late", "\x1b_Gi=31;OK\x1b\\" + kAnswers, 600, false, "abc"},
        {"answers garbage", "\x1b[?1;2;3x\x1b[5;1;2t\x1b[?1;3;0S\x1b_Xjunk\x1b\\y", 0, false, "abyc"},
        {"never answers", "", 0, false, "abc"},
    };
    for (const Row& r : rows) {
        PtyTerminal pty(80, 24, "");
        if (!r.reply.empty()) pty.reply_to("\x1b[c", r.reply, r.delay_ms);
        ASSERT_TRUE(open_on(pty)) << r.name;
        const TerminalCaps caps = terminal_driver_caps();
        EXPECT_EQ(caps.sixel, r.sixel) << r.name;
        EXPECT_EQ(caps.graphics, r.sixel ? TermGraphics::sixel : TermGraphics::blocks) << r.name;
        std::this_thread::sleep_for(std::chrono::milliseconds(r.delay_ms + 100));
        pty.type("c");
        EXPECT_EQ(keys_until('c'), r.keys) << r.name;
        screen_open(0, 0, 0, 0, 0);
    }
}

TEST(TerminalProbe, MouseInPixelsAndItsModesOffAtTheEnd) {
    PtyTerminal pty(80, 24, "");
    pty.reply_to("\x1b[c", kAnswers, 0);
    ASSERT_TRUE(open_on(pty));
    EXPECT_NE(pty.take().find("\x1b[?1006h\x1b[?1016h"), std::string::npos);
    // Pixel 20, 40 of the terminal: page pixel 16, 16 of 8 x 8 cells shown
    // as 10 x 20 terminal cells; the right button held.
    pty.type("\x1b[<2;21;41M");
    int32_t x = -1, y = -1, wheel = 0, buttons = 0;
    for (int i = 0; i < 500 && x < 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        screen_lock();
        screen->driver->get_mouse(&x, &y, &wheel, &buttons);
        screen_unlock(1, 0);
    }
    EXPECT_EQ(x, 16);
    EXPECT_EQ(y, 16);
    EXPECT_EQ(buttons, 2);
    // Moved only as reported.
    screen_lock();
    screen->driver->set_mouse(400, 7, 1);
    screen->driver->get_mouse(&x, &y, &wheel, &buttons);
    screen_unlock(1, 0);
    EXPECT_EQ(x, 319);
    EXPECT_EQ(y, 7);
    screen_open(0, 0, 0, 0, 0);
    EXPECT_NE(pty.take().find(kMouseReportsOff), std::string::npos);
}

}  // namespace
