// The shared Windows window procedure, fed messages directly: what reaches
// the screen's key queue and the mouse state, and what is kept from the
// system. No window is needed for these messages.
#include <gtest/gtest.h>

#include <vector>

#include "gfx/display/win32/win_window.h"
#include "gfx/screen.h"

namespace {

std::vector<int32_t> drain() {
    std::vector<int32_t> codes;
    int32_t c;
    while (key_queue_take(screen_key_queue, &c)) codes.push_back(c);
    return codes;
}

LPARAM key_lparam(int repeat, int scan, bool extended) {
    return static_cast<LPARAM>(repeat) | static_cast<LPARAM>(scan) << 16 | (extended ? 1L << 24 : 0);
}

class WindowProc : public ::testing::Test {
protected:
    void SetUp() override {
        drain();
        window = WindowState{};
        win_system = WinSystem{};
        win_system.version = 0x0A00;
    }
};

struct MessageRow {
    const char* what;
    UINT msg;
    WPARAM wparam;
    LPARAM lparam;
    std::vector<int32_t> codes;
};

TEST_F(WindowProc, MessagesBecomeKeyCodes) {
    const MessageRow rows[] = {
        // Characters, once per repeat.
        {"letter", WM_CHAR, 'a', 1, {'a'}},
        {"repeated", WM_CHAR, 'z', 3, {'z', 'z', 'z'}},
        {"Enter", WM_CHAR, 13, 1, {13}},
        // Extended keys at key-down, once per repeat; their WM_CHAR never comes.
        {"Up", WM_KEYDOWN, VK_UP, key_lparam(1, 0x48, true), {0x48FF}},
        {"Up repeated", WM_KEYDOWN, VK_UP, key_lparam(2, 0x48, true), {0x48FF, 0x48FF}},
        {"F1", WM_KEYDOWN, VK_F1, key_lparam(1, 0x3B, false), {0x3BFF}},
        {"F10", WM_SYSKEYDOWN, VK_F10, key_lparam(1, 0x44, false), {0x44FF}},
        // The close button is a key; the window stays.
        {"close", WM_CLOSE, 0, 0, {0x6BFF}},
    };
    for (const MessageRow& r : rows) {
        win_window_proc(nullptr, r.msg, r.wparam, r.lparam);
        EXPECT_EQ(drain(), r.codes) << r.what;
    }
}

TEST_F(WindowProc, KeysKeptFromTheSystemAnswerZero) {
    // F10 and Alt would otherwise start the menu loop.
    EXPECT_EQ(win_window_proc(nullptr, WM_SYSKEYDOWN, VK_F10, key_lparam(1, 0x44, false)), 0);
    EXPECT_EQ(win_window_proc(nullptr, WM_SYSKEYDOWN, VK_MENU, key_lparam(1, 0x38, false)), 0);
    EXPECT_EQ(win_window_proc(nullptr, WM_CLOSE, 0, 0), 0);
    drain();
}

struct WheelRow {
    int32_t version;
    int delta;
    int32_t wheel;
};

TEST_F(WindowProc, WheelCountsNotchesOnNewerSystems) {
    const WheelRow rows[] = {
        {0x0A00, WHEEL_DELTA, 1},
        {0x0A00, -2 * WHEEL_DELTA, -2},
        {0x0500, WHEEL_DELTA, 1},
        // 4.9 and older have no wheel.
        {0x0409, WHEEL_DELTA, 0},
    };
    for (const WheelRow& r : rows) {
        window.mouse.wheel = 0;
        win_system.version = r.version;
        win_window_proc(nullptr, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(r.delta)), 0);
        EXPECT_EQ(window.mouse.wheel, r.wheel) << r.version << " " << r.delta;
    }
}

TEST_F(WindowProc, ButtonsFollowPressesAndFocusClearsThem) {
    const struct {
        UINT msg;
        int32_t buttons;
    } rows[] = {
        {WM_LBUTTONDOWN, kMouseLeft},
        {WM_RBUTTONDOWN, kMouseLeft | kMouseRight},
        {WM_MBUTTONDOWN, kMouseLeft | kMouseRight | kMouseMiddle},
        {WM_LBUTTONUP, kMouseRight | kMouseMiddle},
    };
    for (const auto& r : rows) {
        win_window_proc(nullptr, r.msg, 0, MAKELPARAM(10, 20));
        EXPECT_EQ(window.mouse.buttons, r.buttons) << r.msg;
    }
    EXPECT_EQ(window.mouse.x, 10);
    EXPECT_EQ(window.mouse.y, 20);
    window.active = true;
    win_window_proc(nullptr, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_FALSE(window.active);
    EXPECT_EQ(window.mouse.buttons, 0);
    win_window_proc(nullptr, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_TRUE(window.active);
}

}  // namespace
