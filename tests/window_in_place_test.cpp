// The window module without an update thread (flag 0x02): the surface on
// the program's thread, and passes run from key reads and unlock.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <thread>
#include <vector>

#include "gfx/display/window.h"
#include "gfx/keyboard.h"
#include "runtime/thread_start.h"
#include "tests/gfx_fixture.h"

using namespace pantalla::detail;

namespace {

struct Surface {
    bool open_fails = false;
    int opens = 0, closes = 0, passes = 0;
    std::thread::id opened_on, closed_on;
    std::vector<uint8_t> pixels;
    int32_t presented_first = -1, presented_end = -1;
    int push_at_pass = -1;
    int paint_at_pass = -1;  // an expose taken by that pass
    int binds = 0, paints = 0;
    // The thread the drawing context is current on, and whether each
    // presentation found it current on its own thread.
    std::thread::id bound_on;
    bool presented_unbound = false;  // or the context was taken or let go wrongly
};
Surface* surface = nullptr;

bool open_surface() {
    ++surface->opens;
    surface->opened_on = std::this_thread::get_id();
    if (surface->open_fails) return false;
    surface->bound_on = surface->opened_on;
    surface->pixels.assign(static_cast<size_t>(window.width) * window.height * 4, 0);
    return window_choose_blitter(32, true);
}
void close_surface() {
    ++surface->closes;
    surface->closed_on = std::this_thread::get_id();
}
uint8_t* begin_rows(int32_t* pitch) {
    *pitch = window.width * 4;
    return surface->pixels.data();
}
void present_rows(int32_t first, int32_t end) {
    surface->presented_first = first;
    surface->presented_end = end;
    if (surface->bound_on != std::this_thread::get_id()) surface->presented_unbound = true;
}
// A context is current on one thread at a time, and only that thread can
// let it go.
void bind_context(bool bound) {
    const std::thread::id expected = bound ? std::thread::id() : std::this_thread::get_id();
    if (surface->bound_on != expected) surface->presented_unbound = true;
    surface->bound_on = bound ? std::this_thread::get_id() : std::thread::id();
    if (bound) ++surface->binds;
}
void paint() {
    ++surface->paints;
    if (surface->bound_on != std::this_thread::get_id()) surface->presented_unbound = true;
}
void pump_events() {
    ++surface->passes;
    if (surface->passes == surface->push_at_pass) window_key_event('k', 0x25, 'K', 0);
    if (surface->passes == surface->paint_at_pass) window_paint();
}

const WindowOps in_place_ops = {
    .open_surface = open_surface,
    .close_surface = close_surface,
    .paint = paint,
    .thread_main = nullptr,
    .send_palette = nullptr,
    .begin_rows = begin_rows,
    .present_rows = present_rows,
    .read_virtual_keys = nullptr,
    .held_scan_codes = nullptr,
    .pump_events = pump_events,
    .apply_title = nullptr,
    .warp_pointer = nullptr,
    .show_pointer = nullptr,
    .bind_context = bind_context,
    .restore_surfaces = nullptr,
    .wait_idle = nullptr,
    .wake_idle = nullptr,
    .in_place = false,
};

void unlock_and_catch_up() {
    window_unlock();
    window_pass_or_defer();
}

const DisplayDriver in_place_driver = {
    .name = "OpenGL",
    .init = nullptr,
    .exit = window_exit,
    .lock = window_lock,
    .unlock = unlock_and_catch_up,
    .set_palette = window_set_palette,
    .wait_vsync = nullptr,
    .get_mouse = nullptr,
    .set_mouse = nullptr,
    .set_window_title = nullptr,
    .fetch_modes = nullptr,
    .poll_events = window_pass_if_due,
    .wait_input = nullptr,
};

constexpr auto kPastInterval = std::chrono::milliseconds(15);

class InPlaceWindowTest : public GfxTest {
protected:
    Surface s;
    void SetUp() override {
        GfxTest::SetUp();
        surface = &s;
    }
    void TearDown() override {
        window_exit();
        if (screen) screen->driver = &null_driver;
        GfxTest::TearDown();
        surface = nullptr;
    }
    int32_t open_window(int32_t flags = kOpenOpenGl) {
        open(19, 16);
        const int32_t result = window_init(&in_place_ops, "OpenGL", "t", screen->width, screen->height,
                                           screen->depth, 0, flags);
        if (result == 0) screen->driver = &in_place_driver;
        return result;
    }
};

TEST_F(InPlaceWindowTest, SurfaceLivesOnTheCallingThreadAndNoPassRunsByItself) {
    ASSERT_EQ(open_window(), 0);
    EXPECT_EQ(s.opened_on, std::this_thread::get_id());
    EXPECT_TRUE(window.active);
    EXPECT_TRUE(window_initialised());
    std::this_thread::sleep_for(std::chrono::milliseconds(40));
    EXPECT_EQ(s.passes, 0);
    window_exit();
    EXPECT_EQ(s.closes, 1);
    EXPECT_EQ(s.closed_on, std::this_thread::get_id());
    EXPECT_FALSE(window_initialised());
    window_exit();  // a second exit closes nothing more
    EXPECT_EQ(s.closes, 1);
}

TEST_F(InPlaceWindowTest, FailedOpenIsClosedAndRefused) {
    s.open_fails = true;
    EXPECT_EQ(open_window(), -1);
    EXPECT_EQ(s.opens, 1);
    EXPECT_EQ(s.closes, 1);
    EXPECT_FALSE(window_initialised());
    window_exit();
    EXPECT_EQ(s.closes, 1);
    // no helper thread to be had: the opened surface is closed again
    s = Surface{};
    thread_start_refuse(1);
    EXPECT_EQ(open_window(), -1);
    EXPECT_EQ(s.opens, 1);
    EXPECT_EQ(s.closes, 1);
    EXPECT_FALSE(window_initialised());
}

TEST_F(InPlaceWindowTest, ClosingWhileHoldingTheLockDoesNotWait) {
    ASSERT_EQ(open_window(), 0);
    window_lock();
    window_exit();
    EXPECT_EQ(s.closes, 1);
    window_lock();  // the lock is free again
    window_unlock();
}

TEST_F(InPlaceWindowTest, PassesRunWhenPolledAndWhenDue) {
    ASSERT_EQ(open_window(), 0);
    struct Row {
        const char* what;
        bool wait_interval;  // sleep past the pass interval first
        bool only_if_due;    // window_pass_if_due rather than window_poll
        bool hold_lock;      // as the keyboard operations do
        int added;           // passes run
    };
    const Row rows[] = {
        {"poll at once", false, false, false, 1},
        {"poll with the lock held", false, false, true, 1},
        {"due right after a pass", false, true, false, 0},
        {"due after the interval", true, true, false, 1},
        {"due after the interval, lock held", true, true, true, 1},
        {"due again at once", false, true, true, 0},
    };
    for (const Row& r : rows) {
        if (r.wait_interval) std::this_thread::sleep_for(kPastInterval);
        const int before = s.passes;
        if (r.hold_lock) window_lock();
        if (r.only_if_due)
            window_pass_if_due();
        else
            window_poll();
        if (r.hold_lock) window_unlock();
        EXPECT_EQ(s.passes - before, r.added) << r.what;
    }
}

// Making the context current costs round trips to the display server: a
// pass binds it only to draw, and an expose taken by a pass with nothing
// to draw still paints with the context current.
TEST_F(InPlaceWindowTest, ContextIsBoundOnlyToDraw) {
    ASSERT_EQ(open_window(), 0);
    window_poll();  // whatever the opening left to draw
    struct Row {
        const char* what;
        bool draw, expose;
        int binds, paints;
    };
    const Row rows[] = {
        {"nothing to draw", false, false, 0, 0},
        {"a drawing", true, false, 1, 0},
        {"an expose alone", false, true, 1, 1},
        {"a drawing and an expose", true, true, 1, 1},
        {"nothing again", false, false, 0, 0},
    };
    for (const Row& r : rows) {
        if (r.draw) {
            window_lock();
            screen->dirty[3] = 1;
            window_unlock();
        }
        s.paint_at_pass = r.expose ? s.passes + 1 : -1;
        const int binds = s.binds, paints = s.paints;
        window_poll();
        EXPECT_EQ(s.binds - binds, r.binds) << r.what;
        EXPECT_EQ(s.paints - paints, r.paints) << r.what;
    }
    EXPECT_FALSE(s.presented_unbound);
}

TEST_F(InPlaceWindowTest, KeyReadGathersTheWindowsEvents) {
    ASSERT_EQ(open_window(), 0);
    s.push_at_pass = 1;
    std::this_thread::sleep_for(kPastInterval);
    EXPECT_EQ(gfx_take_key(), 'k');
}

// After a drawing the program makes no further call at all: the drawing
// must still show, whether the last pass was long ago or just now.
TEST_F(InPlaceWindowTest, DrawingShowsWithoutAnyKeyRead) {
    ASSERT_EQ(open_window(), 0);
    struct Row {
        const char* what;
        bool right_after_a_pass;
        int32_t y;
    };
    const Row rows[] = {
        {"long after a pass", false, 7},
        {"right after a pass", true, 9},
        {"right after a pass again", true, 11},
        {"long after a deferred pass", false, 13},
    };
    const uint16_t white = 0xFFFF;
    for (const Row& r : rows) {
        if (r.right_after_a_pass)
            window_poll();
        else
            std::this_thread::sleep_for(kPastInterval);
        window_lock();
        s.presented_first = s.presented_end = -1;
        window_unlock();
        screen_lock();
        std::memcpy(screen->visible_page + r.y * screen->pitch, &white, 2);
        screen_unlock(r.y, r.y);
        // A generous bound: only a drawing that never shows ends the wait.
        int32_t end = -1;
        for (int i = 0; i < 5000 && end < 0; ++i) {
            window_lock();
            end = s.presented_end;
            window_unlock();
            if (end < 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        window_lock();
        EXPECT_EQ(s.presented_first, r.y) << r.what;
        EXPECT_EQ(s.presented_end, r.y + 1) << r.what;
        uint32_t shown = 0;
        std::memcpy(&shown, s.pixels.data() + r.y * static_cast<size_t>(window.width) * 4, 4);
        EXPECT_EQ(shown, 0xF8FCF8u) << r.what;  // red in the low byte
        EXPECT_FALSE(s.presented_unbound) << r.what;
        window_unlock();
    }
    // The program's thread takes the context for its own passes again.
    window_poll();
    window_lock();
    EXPECT_FALSE(s.presented_unbound);
    window_unlock();
}

}  // namespace
