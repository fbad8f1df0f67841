// The shared Windows window procedure, fed messages directly: what reaches
// the screen's key queue and the mouse state, and what is kept from the
// system. No window is needed for these messages.
#include <gtest/gtest.h>

#include <vector>

#include "gfx/display/win32/win_window.h"
#include "gfx/screen.h"

using namespace pantalla::detail;

namespace {

std::vector<int32_t> drain() {
    std::vector<int32_t> codes;
    int32_t c;
    for (window_take_waiting_keys(); key_queue_take(screen_key_queue, &c); window_take_waiting_keys())
        codes.push_back(c);
    return codes;
}

LPARAM key_lparam(int repeat, int scan, bool extended) {
    return static_cast<LPARAM>(repeat) | static_cast<LPARAM>(scan) << 16 | (extended ? 1L << 24 : 0);
}

// A driver's surface steps that only count their calls; opening fails
// while `refuse_opens` is above zero.
struct FakeSurface {
    int opens, closes, paints, refuse_opens;
};
FakeSurface surface;
WindowOps counting_ops() {
    WindowOps ops{};
    ops.open_surface = [] { return ++surface.opens, surface.refuse_opens-- <= 0; };
    ops.close_surface = [] { ++surface.closes; };
    ops.paint = [] { ++surface.paints; };
    return ops;
}
const WindowOps fake_ops = counting_ops();

class WindowProc : public ::testing::Test {
protected:
    void SetUp() override {
        drain();
        window = WindowState{};
        window.ops = &fake_ops;
        surface = FakeSurface{};
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
        {"repeated past the queue", WM_CHAR, 'y', 40, std::vector<int32_t>(40, 'y')},
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

// Alt+Enter is a system key-down of Enter with the context bit (29); bit 30
// marks a repeat of a held key.
constexpr LPARAM kAltContext = 1L << 29, kRepeat = 1L << 30;

TEST_F(WindowProc, AltEnterAndMaximiseSwitchWhileActive) {
    struct Row {
        const char* what;
        UINT msg;
        WPARAM wparam;
        LPARAM lparam;
        bool active;
        int32_t flags;
        int refuse_opens;   // the new mode's opening fails
        int32_t flags_after;
        int closes, opens;  // surface steps taken
    };
    const LPARAM alt_enter = key_lparam(1, 0x1C, false) | kAltContext;
    const Row rows[] = {
        {"Alt+Enter to full screen", WM_SYSKEYDOWN, VK_RETURN, alt_enter, true, 0, 0, 1, 1, 1},
        {"Alt+Enter back to a window", WM_SYSKEYDOWN, VK_RETURN, alt_enter, true, 1, 0, 0, 1, 1},
        {"Alt+Enter held: once only", WM_SYSKEYDOWN, VK_RETURN, alt_enter | kRepeat, true, 0, 0, 0, 0, 0},
        {"Alt+Enter while inactive", WM_SYSKEYDOWN, VK_RETURN, alt_enter, false, 0, 0, 0, 0, 0},
        {"Alt+Enter with no switching", WM_SYSKEYDOWN, VK_RETURN, alt_enter, true, 4, 0, 4, 0, 0},
        {"Alt+Enter refused: the former mode again", WM_SYSKEYDOWN, VK_RETURN, alt_enter, true, 0, 1, 0, 2, 2},
        {"maximise", WM_SYSCOMMAND, SC_MAXIMIZE, 0, true, 0, 0, 1, 1, 1},
        {"maximise from the title bar", WM_SYSCOMMAND, SC_MAXIMIZE | 2, 0, true, 0, 0, 1, 1, 1},
        {"maximise while inactive", WM_SYSCOMMAND, SC_MAXIMIZE, 0, false, 0, 0, 0, 0, 0},
        {"maximise with no switching", WM_SYSCOMMAND, SC_MAXIMIZE, 0, true, 4, 0, 4, 0, 0},
    };
    for (const Row& r : rows) {
        SetUp();
        window.active = r.active;
        window.flags = r.flags;
        surface.refuse_opens = r.refuse_opens;
        EXPECT_EQ(win_window_proc(nullptr, r.msg, r.wparam, r.lparam), 0) << r.what;
        EXPECT_EQ(window.flags, r.flags_after) << r.what;
        EXPECT_EQ(surface.closes, r.closes) << r.what;
        EXPECT_EQ(surface.opens, r.opens) << r.what;
        if (r.opens) {
            // Everything is sent and drawn again in the new mode.
            EXPECT_TRUE(window.palette_changed) << r.what;
            EXPECT_TRUE(window.active) << r.what;
        }
        EXPECT_EQ(drain(), std::vector<int32_t>{}) << r.what << ": no key";
    }
}

TEST_F(WindowProc, PaintShowsTheSurfaceAgain) {
    win_window_proc(nullptr, WM_PAINT, 0, 0);
    EXPECT_EQ(surface.paints, 1);
    window.ops = nullptr;  // no driver behind the window: nothing to call
    win_window_proc(nullptr, WM_PAINT, 0, 0);
    EXPECT_EQ(surface.paints, 1);
}

// The pointer's display count, which ShowCursor moves by one per call.
int cursor_count() {
    const int count = ShowCursor(TRUE) - 1;
    ShowCursor(FALSE);
    return count;
}

TEST_F(WindowProc, CursorMessageShowsAndHidesThePointerOnce) {
    win_system.cursor_message = RegisterWindowMessageA("DN mouse cursor");
    ASSERT_NE(win_system.cursor_message, 0u);
    const int shown = cursor_count();
    const struct {
        WPARAM visible;
        bool hidden;
        int count;  // relative to the start
    } rows[] = {
        {0, true, -1},
        {0, true, -1},  // hidden already: the count stays
        {1, false, 0},
        {1, false, 0},
    };
    for (const auto& r : rows) {
        EXPECT_EQ(win_window_proc(nullptr, win_system.cursor_message, r.visible, 0), 0);
        EXPECT_EQ(win_system.cursor_hidden, r.hidden) << r.visible;
        EXPECT_EQ(cursor_count() - shown, r.count) << r.visible;
    }
}

TEST_F(WindowProc, CharactersAboveAsciiComeFromTheAnsiCodePageAs437) {
    if (GetACP() != 1252) GTEST_SKIP() << "rows for ANSI code page 1252; this system has " << GetACP();
    const MessageRow rows[] = {
        {"e acute", WM_CHAR, 0xE9, 1, {0x82}},
        {"C cedilla", WM_CHAR, 0xC7, 1, {0x80}},
        {"n tilde", WM_CHAR, 0xF1, 1, {0xA4}},
        {"N tilde", WM_CHAR, 0xD1, 1, {0xA5}},
        {"inverted question mark", WM_CHAR, 0xBF, 1, {0xA8}},
        {"inverted exclamation mark", WM_CHAR, 0xA1, 1, {0xAD}},
        {"pound", WM_CHAR, 0xA3, 1, {0x9C}},
        {"degree", WM_CHAR, 0xB0, 1, {0xF8}},
        {"y diaeresis", WM_CHAR, 0xFF, 1, {0x98}},
        {"repeated", WM_CHAR, 0xFC, 2, {0x81, 0x81}},
        // Not in code page 437: nothing is pushed.
        {"euro", WM_CHAR, 0x80, 1, {}},
        {"copyright", WM_CHAR, 0xA9, 1, {}},
    };
    for (const MessageRow& r : rows) {
        EXPECT_EQ(win_window_proc(nullptr, r.msg, r.wparam, r.lparam), 0) << r.what;
        EXPECT_EQ(drain(), r.codes) << r.what;
    }
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

// Every pass reads the held keys; the system is asked only when the thread
// has taken messages since, or a message reached the window procedure.
TEST_F(WindowProc, KeyStateIsAskedForOnlyAfterMessages) {
    uint8_t down[256];
    win_key_state_changed();
    const struct {
        const char* what;
        void (*step)();
        bool asks;
    } rows[] = {
        {"after a change", [] {}, true},
        {"nothing since", [] {}, false},
        {"an empty queue pumped", [] { win_pump_messages(); }, false},
        {"a message pumped",
         [] {
             PostThreadMessageA(GetCurrentThreadId(), WM_USER, 0, 0);
             win_pump_messages();
         },
         true},
        {"nothing since the message", [] {}, false},
        {"a sent message", [] { win_window_proc(nullptr, WM_ACTIVATEAPP, TRUE, 0); }, true},
        {"a window closed", [] { win_destroy_window(); }, true},
    };
    for (const auto& r : rows) {
        r.step();
        const uint64_t before = win_key_state_reads();
        win_read_virtual_keys(down);
        EXPECT_EQ(win_key_state_reads() - before, r.asks ? 1u : 0u) << r.what;
    }
    // What is reported is the thread's state as the system gives it.
    BYTE state[256] = {};
    state['A'] = 0x80;
    state[VK_SHIFT] = 0x81;
    ASSERT_TRUE(SetKeyboardState(state));
    win_key_state_changed();
    win_read_virtual_keys(down);
    for (int vk = 0; vk < 256; ++vk) EXPECT_EQ(down[vk], (vk == 'A' || vk == VK_SHIFT) ? 1 : 0) << vk;
    const BYTE none[256] = {};
    SetKeyboardState(const_cast<BYTE*>(none));
    win_key_state_changed();
}

}  // namespace
