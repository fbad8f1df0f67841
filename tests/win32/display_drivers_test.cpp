// The "DirectX" and "OpenGL" drivers in process: what they refuse, the
// DirectInput held-key rule and the full-screen mode lists.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <vector>

#include "gfx/display/display_driver.h"
#include "gfx/display/win32/dinput_state.h"
#include "gfx/display/win32/display_modes.h"
#include "gfx/display/win32/window_station.h"
#include "gfx/display/window.h"
#include "runtime/platform.h"

using namespace pantalla::detail;

namespace pantalla::detail {
extern const DisplayDriver directx_driver;
extern const DisplayDriver opengl_driver;
extern const DisplayDriver gdi_driver;
extern const DisplayDriver console_driver;
}  // namespace pantalla::detail

namespace {

bool have_display() {
    const char* name = std::getenv("DISPLAY");
    return name && *name;
}

struct StateRow {
    const char* what;
    std::vector<int> set;   // state bytes given 0x80
    int plain;              // another byte given 0x7F: not held
    std::vector<int> held;  // expected scan codes
};

TEST(DinputState, HeldWhenBit7OfTheCodeOrTheCodePlus128) {
    const StateRow rows[] = {
        {"nothing", {}, -1, {}},
        {"a plain key", {0x1E}, -1, {0x1E}},
        {"an enhanced key counts as its plain code", {0x9D}, -1, {0x1D}},
        {"both halves of one code", {0x1D, 0x9D}, -1, {0x1D}},
        {"the first and last bytes", {0x00, 0xFF}, -1, {0x00, 0x7F}},
        {"low bits alone are not held", {}, 0x1E, {}},
        {"low bits of the enhanced half", {0x10}, 0x90, {0x10}},
    };
    for (const StateRow& row : rows) {
        uint8_t state[kDinputStateSize] = {};
        for (int i : row.set) state[i] = 0x80;
        if (row.plain >= 0) state[row.plain] = 0x7F;
        uint8_t key_down[128];
        std::fill(key_down, key_down + 128, 0xAA);  // every byte must be written
        dinput_held_keys(state, key_down);
        std::vector<int> held;
        for (int sc = 0; sc < 128; ++sc) {
            EXPECT_TRUE(key_down[sc] == 0 || key_down[sc] == 1) << row.what << " at " << sc;
            if (key_down[sc]) held.push_back(sc);
        }
        EXPECT_EQ(held, row.held) << row.what;
    }
}

TEST(ModeList, SortedWithoutRepeats) {
    struct Row {
        const char* what;
        std::vector<std::pair<int, int>> added, listed;
    };
    const Row rows[] = {
        {"ascending by width then height",
         {{1024, 768}, {640, 480}, {800, 600}, {640, 400}},
         {{640, 400}, {640, 480}, {800, 600}, {1024, 768}}},
        {"the same size at other rates once", {{800, 600}, {800, 600}, {640, 480}, {800, 600}},
         {{640, 480}, {800, 600}}},
        {"no empty or negative sizes", {{0, 600}, {800, 0}, {-1, -1}, {320, 200}}, {{320, 200}}},
    };
    for (const Row& row : rows) {
        ModeList list{};
        for (auto [w, h] : row.added) mode_list_add(&list, w, h);
        std::vector<std::pair<int, int>> listed;
        for (int i = 0; i < list.count; ++i) listed.emplace_back(list.pairs[2 * i], list.pairs[2 * i + 1]);
        EXPECT_EQ(listed, row.listed) << row.what;
    }
}

TEST(ModeList, StopsWhenFull) {
    ModeList list{};
    for (int i = 1; i <= ModeList::kCapacity + 10; ++i) mode_list_add(&list, i, i);
    EXPECT_EQ(list.count, ModeList::kCapacity);
    EXPECT_EQ(list.pairs[2 * ModeList::kCapacity - 2], ModeList::kCapacity);
}

TEST(ModeList, DepthsThatServeAScreen) {
    struct Row {
        int depth, bits;
        bool serves;
    };
    const Row rows[] = {
        {16, 16, true}, {16, 15, true}, {15, 16, true}, {32, 32, true}, {32, 24, true}, {24, 32, true},
        {8, 8, true},   {16, 32, false}, {32, 16, false}, {8, 16, false}, {0, 0, false},
    };
    for (const Row& row : rows)
        EXPECT_EQ(mode_depth_matches(row.depth, row.bits), row.serves) << row.depth << " on " << row.bits;
}

// The system's list through both drivers: ascending pairs of positive
// sizes, and at least the desktop's size where a display runs.
TEST(ModeList, FromTheSystem) {
    for (const DisplayDriver* d : {&directx_driver, &opengl_driver}) {
        ASSERT_NE(d->fetch_modes, nullptr) << d->name;
        int32_t count = -1;
        const int32_t* pairs = d->fetch_modes(32, &count);
        ASSERT_GE(count, 0) << d->name;
        EXPECT_EQ(pairs == nullptr, count == 0) << d->name;
        for (int32_t i = 0; i < count; ++i) {
            EXPECT_GT(pairs[2 * i], 0);
            EXPECT_GT(pairs[2 * i + 1], 0);
            if (i > 0) {
                EXPECT_TRUE(pairs[2 * i - 2] < pairs[2 * i] ||
                            (pairs[2 * i - 2] == pairs[2 * i] && pairs[2 * i - 1] < pairs[2 * i + 1]));
            }
        }
        if (have_display()) {
            EXPECT_GE(count, 1) << d->name;
        }
        d->fetch_modes(32, nullptr);  // a null count is allowed
    }
}

TEST(OpenGlDriver, RefusesWithoutItsFlag) {
    for (const int32_t flags : {0, 1, 4, 5, -1}) {
        EXPECT_NE(opengl_driver.init("refusal", 320, 200, 16, 0, flags), 0) << flags;
        EXPECT_EQ(window.handle, nullptr) << flags;
        opengl_driver.exit();
    }
}

TEST(DirectXDriver, RefusesTheOpenGlFlag) {
    for (const int32_t flags : {2, 3, 6}) {
        EXPECT_NE(directx_driver.init("refusal", 320, 200, 16, 0, flags), 0) << flags;
        EXPECT_EQ(window.handle, nullptr) << flags;
        directx_driver.exit();
    }
}

// Without a visible window station no window driver opens, even where a
// display would give it a window; the seam stands in for such a session.
TEST(WindowStation, InvisibleStationRefusesTheWindowDrivers) {
    window_station_assume(0);
    EXPECT_FALSE(window_station_visible());
    const struct {
        const DisplayDriver* driver;
        int32_t flags;
    } rows[] = {{&directx_driver, 0}, {&directx_driver, 1}, {&gdi_driver, 0}, {&opengl_driver, 2}};
    for (const auto& row : rows) {
        EXPECT_NE(row.driver->init("station", 320, 200, 16, 0, row.flags), 0) << row.driver->name;
        EXPECT_EQ(window.handle, nullptr) << row.driver->name;
        row.driver->exit();
    }
    window_station_assume(1);
    EXPECT_TRUE(window_station_visible());
    window_station_assume(-1);
}

// Standard handles that are no console: the console driver refuses, so a
// redirected run reports that no screen could be had.
TEST(ConsoleDriver, RefusesWithoutConsoles) {
    const StdHandles before = std_handles;
    HANDLE file = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    const intptr_t nul = reinterpret_cast<intptr_t>(file);
    for (const StdHandles handles : {StdHandles{nul, nul}, StdHandles{before.input, nul}, StdHandles{nul, before.output},
                                     StdHandles{0, 0}}) {
        std_handles = handles;
        EXPECT_NE(console_driver.init("console", 320, 200, 16, 0, 1), 0);
        console_driver.exit();
    }
    std_handles = before;
    CloseHandle(file);
}

// Needs a display: a window with a context opens and closes again.
TEST(OpenGlDriver, OpensAWindowWithItsFlag) {
    if (!have_display()) GTEST_SKIP() << "no display";
    ASSERT_EQ(opengl_driver.init("opengl", 320, 200, 32, 0, 2), 0);
    EXPECT_NE(window.handle, nullptr);
    opengl_driver.poll_events();
    opengl_driver.exit();
    EXPECT_EQ(window.handle, nullptr);
}

}  // namespace
