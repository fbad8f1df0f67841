// The update thread's pass and the window module on a scripted surface.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "gfx/colours.h"
#include "gfx/display/window.h"
#include "gfx/keyboard.h"
#include "runtime/keys.h"
#include "runtime/rt_string.h"
#include "runtime/thread_start.h"
#include "tests/gfx_fixture.h"

using namespace pantalla::detail;

namespace {

// The scripted surface: 32-bit, red high, one buffer the size of the window.
struct Surface {
    bool open_fails = false;
    int opens = 0, closes = 0, palettes_sent = 0;
    std::vector<uint8_t> pixels;
    int32_t presented_first = -1, presented_end = -1;
    std::atomic<int> passes{0};
    std::atomic<int> push_at_pass{-1};
    int burst = 1;  // key events in that pass, 'a' to 'z' over and over
    uint8_t virtual_down[256] = {};
    int32_t display_rate = 0;  // what the display reports, 0 for nothing
};
Surface* surface = nullptr;

bool open_surface() {
    ++surface->opens;
    if (surface->open_fails) return false;
    if (window.refresh_rate <= 0) window.refresh_rate = surface->display_rate;
    surface->pixels.assign(static_cast<size_t>(window.width) * window.height * 4, 0);
    return window_choose_blitter(32, false);
}
void close_surface() { ++surface->closes; }
void send_palette(const uint32_t*) { ++surface->palettes_sent; }
uint8_t* begin_rows(int32_t* pitch) {
    *pitch = window.width * 4;
    return surface->pixels.data();
}
void present_rows(int32_t first, int32_t end) {
    surface->presented_first = first;
    surface->presented_end = end;
}
void read_virtual_keys(uint8_t* down) { std::memcpy(down, surface->virtual_down, 256); }
void pump_events() {
    // Like a window's key press arriving on some later pass.
    if (++surface->passes != surface->push_at_pass) return;
    if (surface->burst == 1) window_key_event('k', 0x25, 'K', 0);
    for (int i = 0; surface->burst > 1 && i < surface->burst; ++i)
        window_key_event(static_cast<uint8_t>('a' + i % 26), 0x25, 'K', 0);
}

const WindowOps scripted_ops = {
    .open_surface = open_surface,
    .close_surface = close_surface,
    .paint = nullptr,
    .thread_main = nullptr,
    .send_palette = send_palette,
    .begin_rows = begin_rows,
    .present_rows = present_rows,
    .read_virtual_keys = read_virtual_keys,
    .held_scan_codes = nullptr,
    .pump_events = pump_events,
    .apply_title = nullptr,
    .warp_pointer = nullptr,
    .show_pointer = nullptr,
    .bind_context = nullptr,
    .restore_surfaces = nullptr,
    .wait_idle = nullptr,
    .wake_idle = nullptr,
    .in_place = false,
};

const DisplayDriver scripted_driver = {
    .name = "Scripted",
    .init = nullptr,
    .exit = window_exit,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = window_get_mouse,
    .set_mouse = window_set_mouse,
    .set_window_title = window_set_title,
    .fetch_modes = nullptr,
    .poll_events = nullptr,
    .wait_input = nullptr,
};

// The steps of passes in the order they ran, one letter each: R restore
// surfaces, P palette, B begin rows, S show rows, K held keys, E events.
std::string step_log;
void log_step(char c) {
    if (step_log.size() < 4096) step_log += c;
}
const WindowOps logged_ops = {
    .open_surface = open_surface,
    .close_surface = close_surface,
    .paint = nullptr,
    .thread_main = nullptr,
    .send_palette = [](const uint32_t* p) { log_step('P'), send_palette(p); },
    .begin_rows = [](int32_t* pitch) { return log_step('B'), begin_rows(pitch); },
    .present_rows = [](int32_t first, int32_t end) { log_step('S'), present_rows(first, end); },
    .read_virtual_keys = [](uint8_t* down) { log_step('K'), read_virtual_keys(down); },
    .held_scan_codes = nullptr,
    .pump_events = [] { log_step('E'), pump_events(); },
    .apply_title = nullptr,
    .warp_pointer = nullptr,
    .show_pointer = nullptr,
    .bind_context = nullptr,
    .restore_surfaces = [] { log_step('R'); },
    .wait_idle = nullptr,
    .wake_idle = nullptr,
    .in_place = false,
};

// An idle wait that only a wake ends (a timeout would hide a lost wake):
// what the update thread waits for, and how often.
struct IdleGate {
    std::mutex mutex;
    std::condition_variable changed;
    bool woken = false;
    int waits = 0, wakes = 0;
    int32_t longest_ms = 0;
};
IdleGate idle_gate;
int idle_wakes() {
    const std::lock_guard<std::mutex> guard(idle_gate.mutex);
    return idle_gate.wakes;
}

const WindowOps idle_ops = [] {
    WindowOps ops = scripted_ops;
    ops.wait_idle = [](int32_t ms) {
        std::unique_lock<std::mutex> guard(idle_gate.mutex);
        ++idle_gate.waits;
        idle_gate.longest_ms = std::max(idle_gate.longest_ms, ms);
        idle_gate.changed.notify_all();
        idle_gate.changed.wait(guard, [] { return idle_gate.woken; });
        idle_gate.woken = false;
    };
    ops.wake_idle = [] {
        const std::lock_guard<std::mutex> guard(idle_gate.mutex);
        ++idle_gate.wakes;
        idle_gate.woken = true;
        idle_gate.changed.notify_all();
    };
    return ops;
}();

class WindowTest : public GfxTest {
protected:
    Surface s;
    void SetUp() override {
        GfxTest::SetUp();
        surface = &s;
    }
    void TearDown() override {
        if (screen && screen->driver == &scripted_driver) {
            window_exit();
            screen->driver = &null_driver;
        }
        GfxTest::TearDown();
        surface = nullptr;
    }
    // A screen on the Null driver, then handed to the scripted window.
    int32_t open_window(int32_t mode, int32_t depth, int32_t flags = 0) {
        open(mode, depth);
        const int32_t result = window_init(&scripted_ops, "Scripted", "t", screen->width,
                                           screen->height * screen->scale, screen->depth, 0, flags);
        if (result == 0) {
            screen->driver = &scripted_driver;
            window_lock();
            palette_resend();
            window_unlock();
        }
        return result;
    }
    uint32_t shown(int32_t x, int32_t y) {
        uint32_t v;
        std::memcpy(&v, s.pixels.data() + (static_cast<size_t>(y) * window.width + x) * 4, 4);
        return v;
    }
};

// A lost surface comes back before anything is sent to it.
TEST_F(WindowTest, SurfacesAreRestoredFirstInEachPass) {
    open(13, 8);
    ASSERT_EQ(window_init(&logged_ops, "Scripted", "t", screen->width, screen->height, screen->depth, 0, 0), 0);
    screen->driver = &scripted_driver;
    window_lock();
    step_log.clear();
    window_set_palette(1, 255, 0, 0);
    screen->dirty[3] = 1;
    window_unlock();
    std::string log;
    for (int i = 0; i < 5000 && log.find('S') == std::string::npos; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        window_lock();
        log = step_log;
        window_unlock();
    }
    window_exit();
    screen->driver = &null_driver;
    // Idle passes before and after: R K E each.
    const size_t at = log.find("RPBSKE");
    EXPECT_NE(at, std::string::npos) << log;
    for (size_t i = 0; i < at; i += 3) EXPECT_EQ(log.substr(i, 3), "RKE") << log;
}

TEST_F(WindowTest, TheScreenLearnsTheRefreshRate) {
    struct Row { int32_t requested, display, expected; };
    const Row rows[] = {{0, 75, 75}, {85, 75, 85}, {0, 0, 0}};
    for (const Row& r : rows) {
        s.display_rate = r.display;
        open(19, 16);
        ASSERT_EQ(window_init(&scripted_ops, "Scripted", "t", 800, 600, 16, r.requested, 0), 0);
        window_lock();
        EXPECT_EQ(screen->refresh_rate, r.expected) << r.requested << " " << r.display;
        window_unlock();
        window_exit();
    }
}

TEST_F(WindowTest, InitRefusals) {
    // OpenGL wanted from another driver
    EXPECT_NE(open_window(19, 16, kOpenOpenGl), 0);
    EXPECT_EQ(s.opens, 0);
    // the surface cannot be opened: the thread ends and init fails
    s.open_fails = true;
    EXPECT_EQ(window_init(&scripted_ops, "Scripted", "t", 800, 600, 16, 0, 0), -1);
    EXPECT_EQ(s.opens, 1);
    EXPECT_EQ(s.closes, 1);
    window_exit();  // harmless after a failed init
    // no thread to be had (a process limit): refused, and the next init works
    s.open_fails = false;
    s.opens = 0;
    thread_start_refuse(1);
    EXPECT_EQ(window_init(&scripted_ops, "Scripted", "t", 800, 600, 16, 0, 0), -1);
    EXPECT_EQ(s.opens, 0);
    EXPECT_FALSE(window_initialised());
    EXPECT_EQ(open_window(13, 8), 0);
}

TEST_F(WindowTest, InitClearsStateAndRaisesDepth) {
    ASSERT_EQ(open_window(13, 4), 0);
    window_lock();
    EXPECT_EQ(window.depth, 8);
    EXPECT_STREQ(window.class_name, "dngfxclass_t");
    EXPECT_TRUE(window.active);
    window_unlock();
    window_exit();
    EXPECT_EQ(s.closes, 1);
    EXPECT_FALSE(window_initialised());
}

TEST_F(WindowTest, PassConvertsMarkedRowsOfTheVisiblePageAndClearsAllMarks) {
    ASSERT_EQ(open_window(19, 16), 0);
    window_exit();  // drive the passes by hand from here
    window.ops = &scripted_ops;
    window_pass();  // the initial palette
    const uint16_t white = 0xFFFF;
    std::memcpy(screen->visible_page + 10 * screen->pitch + 2 * 3, &white, 2);
    std::memcpy(screen->visible_page + 20 * screen->pitch, &white, 2);
    screen->dirty[10] = 1;
    window_pass();
    EXPECT_EQ(shown(3, 10), 0xF8FCF8u);
    EXPECT_EQ(shown(0, 20), 0u);  // row 20 was not marked
    EXPECT_EQ(s.presented_first, 10);
    EXPECT_EQ(s.presented_end, 11);
    for (int32_t y = 0; y < screen->height; ++y) ASSERT_EQ(screen->dirty[y], 0) << y;
}

TEST_F(WindowTest, ScaledModeShowsEachRowTwice) {
    ASSERT_EQ(open_window(8, 0), 0);  // 640 x 200 shown as 640 x 400
    window_exit();
    window.ops = &scripted_ops;
    screen->visible_page[5 * screen->pitch + 1] = 15;  // white in the 16-colour palette
    screen->dirty[5] = 1;
    screen->dirty[399] = 1;  // a displayed-row mark past the framebuffer rows
    window_pass();
    EXPECT_EQ(shown(1, 10), 0xFFFFFFu);
    EXPECT_EQ(shown(1, 11), 0xFFFFFFu);
    EXPECT_EQ(shown(1, 12), 0u);
    EXPECT_EQ(screen->dirty[399], 0);
}

TEST_F(WindowTest, PaletteIsSentOnlyWhenChanged) {
    ASSERT_EQ(open_window(13, 8), 0);
    window_exit();
    window.ops = &scripted_ops;
    window_pass();
    const int after_open = s.palettes_sent;
    EXPECT_GE(after_open, 1);
    window_pass();
    EXPECT_EQ(s.palettes_sent, after_open);
    window_set_palette(1, 255, 0, 0);
    screen->visible_page[0] = 1;
    screen->dirty[0] = 1;
    window_pass();
    EXPECT_EQ(s.palettes_sent, after_open + 1);
    EXPECT_EQ(shown(0, 0), 0xFF0000u);
}

TEST_F(WindowTest, HeldKeysFollowTheVirtualKeysAndFocus) {
    ASSERT_EQ(open_window(19, 16), 0);
    window_exit();
    window.ops = &scripted_ops;
    s.virtual_down[0x26] = 1;  // Up, scan code 0x48
    s.virtual_down[0x61] = 1;  // keypad 1: the second key of End, 0x4F
    s.virtual_down[0x41] = 1;  // A, 0x1E
    window_pass();
    EXPECT_EQ(screen->key_down[0x48], 1);
    EXPECT_EQ(screen->key_down[0x4F], 1);
    EXPECT_EQ(screen->key_down[0x1E], 1);
    EXPECT_EQ(screen->key_down[0x1F], 0);
    window.mouse.buttons = kMouseLeft;
    window_set_active(false);
    EXPECT_EQ(screen->key_down[0x48], 0);
    EXPECT_EQ(window.mouse.buttons, 0);
    window_pass();  // inactive: held keys are not read
    EXPECT_EQ(screen->key_down[0x48], 0);
    window_set_active(true);
    for (int32_t y = 0; y < screen->height; ++y) ASSERT_EQ(screen->dirty[y], 1) << y;
}

TEST_F(WindowTest, MouseInFramebufferCoordinates) {
    ASSERT_EQ(open_window(8, 0), 0);  // scale 2
    window_exit();
    struct Row {
        bool full_screen;
        int32_t zoom, view_x, view_y;
        bool inside;
        int32_t mx, my;
        int32_t result, x, y;
    };
    const Row rows[] = {
        // in a window
        {false, 1, 0, 0, true, 10, 21, 0, 10, 10},
        {false, 1, 0, 0, false, 10, 21, -1, 0, 0},
        {false, 1, 0, 0, true, 640, 5, -1, 0, 0},
        // full screen, enlarged twice and centred: clamped into the screen
        {true, 2, 100, 50, true, 100 + 2 * 7, 50 + 4 * 3, 0, 7, 3},
        {true, 2, 100, 50, true, 0, 0, 0, 0, 0},
        {true, 2, 100, 50, true, 5000, 5000, 0, 639, 199},
    };
    for (const Row& r : rows) {
        window.flags = r.full_screen ? kOpenFullScreen : 0;
        window.zoom = r.zoom;
        window.view_x = r.view_x;
        window.view_y = r.view_y;
        window.mouse = WindowMouse{kMouseRight, 3, true, r.inside, r.mx, r.my};
        int32_t x = 0, y = 0, wheel = 0, buttons = -5;
        EXPECT_EQ(window_get_mouse(&x, &y, &wheel, &buttons), r.result) << r.mx << "," << r.my;
        if (r.result == 0) {
            EXPECT_EQ(x, r.x);
            EXPECT_EQ(y, r.y);
            EXPECT_EQ(wheel, 3);
            EXPECT_EQ(buttons, kMouseRight);
        } else {
            EXPECT_EQ(buttons, 0);
        }
    }
    window.active = false;
    EXPECT_EQ(window_get_mouse(nullptr, nullptr, nullptr, nullptr), -1);
}

TEST_F(WindowTest, ClosingWhileTheProgramHoldsTheLockEnds) {
    ASSERT_EQ(open_window(19, 16), 0);
    screen_lock();
    screen_open(0, 0, 0, 0, 0);  // joins the update thread, which waits for the lock
    EXPECT_EQ(screen, nullptr);
    EXPECT_FALSE(window_initialised());
}

// The program's final wait polls without pause, taking and giving back the
// lock each time; a key pushed by the window's events must still arrive.
TEST_F(WindowTest, KeyPushedDuringASpinningPollIsSeen) {
    s.push_at_pass = 5;
    ASSERT_EQ(open_window(19, 16), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::string got;
    while (got.empty() && std::chrono::steady_clock::now() < deadline) {
        RtString* k = poll_key_string();
        got.assign(k->data ? k->data : "", string_length(k));
        string_release_temp(k);
    }
    EXPECT_EQ(got, "k");
}

// A burst of key events larger than the key queue (a paste): every key
// reaches the program, in order.
TEST_F(WindowTest, BurstOfKeysLargerThanTheQueueKeepsEveryKey) {
    s.burst = 100;
    s.push_at_pass = 2;
    ASSERT_EQ(open_window(19, 16), 0);
    std::string got, want;
    for (int i = 0; i < s.burst; ++i) want += static_cast<char>('a' + i % 26);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (got.size() < want.size() && std::chrono::steady_clock::now() < deadline) {
        RtString* k = poll_key_string();
        got.append(k->data ? k->data : "", string_length(k));
        string_release_temp(k);
    }
    EXPECT_EQ(got, want);
}

// With nothing to draw the update thread waits idle; a drawing, a title, a
// palette change and the screen's close each end the wait, and the drawing
// is then shown.
TEST_F(WindowTest, IdleUpdateThreadWakesForEveryKindOfWork) {
    {
        const std::lock_guard<std::mutex> guard(idle_gate.mutex);
        idle_gate.woken = false;
        idle_gate.waits = idle_gate.wakes = idle_gate.longest_ms = 0;
    }
    open(19, 16);
    ASSERT_EQ(window_init(&idle_ops, "Scripted", "t", screen->width, screen->height, screen->depth, 0, 0), 0);
    screen->driver = &scripted_driver;
    const auto wait_for_idle = [](int waits) {
        std::unique_lock<std::mutex> guard(idle_gate.mutex);
        return idle_gate.changed.wait_for(guard, std::chrono::seconds(20), [&] { return idle_gate.waits >= waits; });
    };
    ASSERT_TRUE(wait_for_idle(1));
    EXPECT_GE(idle_gate.longest_ms, 50);

    struct Row {
        const char* work;
        void (*make)();
    };
    const Row rows[] = {
        {"drawing", [] {
             const uint16_t white = 0xFFFF;
             window_lock();
             std::memcpy(screen->visible_page + 7 * screen->pitch, &white, 2);
             screen->dirty[7] = 1;
             window_unlock();
         }},
        {"title", [] { window_set_title("other"); }},
        {"palette", [] {
             window_lock();
             window_set_palette(3, 1, 2, 3);
             window_unlock();
         }},
        {"mouse", [] {
             window_lock();
             window_set_mouse(-1, -1, 0);
             window_unlock();
         }},
    };
    int waits = 1;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.work);
        // Only idle again once the woken pass has run.
        const int wakes = idle_wakes();
        row.make();
        EXPECT_EQ(idle_wakes(), wakes + 1);
        ASSERT_TRUE(wait_for_idle(++waits));
    }
    window_lock();
    EXPECT_EQ(shown(0, 7), 0xF8FCF8u);
    EXPECT_EQ(window.show_request, -1);
    // Unlocks that leave nothing to draw do not wake it.
    const int wakes = idle_wakes();
    window_unlock();
    window_lock();
    window_unlock();
    EXPECT_EQ(idle_wakes(), wakes);
    window_exit();  // must end the wait, or this never returns
    EXPECT_FALSE(window_initialised());
}

}  // namespace
