// The "OpenGL" driver: its place in the list, and its quick refusals.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <cstring>
#include <string>

#include "gfx/display/display_driver.h"
#include "gfx/screen.h"

using namespace pantalla::detail;

namespace {

const DisplayDriver* driver_named(const char* name, int* index) {
    for (int i = 0; display_drivers[i]; ++i)
        if (std::strcmp(display_drivers[i]->name, name) == 0) {
            *index = i;
            return display_drivers[i];
        }
    return nullptr;
}

// Keeps an environment variable as it was around a test.
class SavedEnv {
public:
    explicit SavedEnv(const char* name) : name_(name) {
        const char* v = getenv(name);
        had_ = v != nullptr;
        if (v) value_ = v;
    }
    ~SavedEnv() {
        if (had_)
            setenv(name_, value_.c_str(), 1);
        else
            unsetenv(name_);
    }
    void set(const char* value) {
        if (value)
            setenv(name_, value, 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    bool had_;
    std::string value_;
};

TEST(OpenGlDriver, FollowsX11InTheList) {
    int x11 = -1, gl = -1;
    ASSERT_NE(driver_named("X11", &x11), nullptr);
    ASSERT_NE(driver_named("OpenGL", &gl), nullptr);
    EXPECT_EQ(gl, x11 + 1);
}

TEST(OpenGlDriver, RefusesQuicklyWithoutFlagOrDisplay) {
    int index = 0;
    const DisplayDriver* gl = driver_named("OpenGL", &index);
    ASSERT_NE(gl, nullptr);
    SavedEnv display("DISPLAY");
    struct Row {
        int32_t flags;
        const char* display;  // null: unset
    };
    const Row rows[] = {
        // OpenGL not asked for, whatever the display
        {0, ":59999"},
        {kOpenFullScreen, ":59999"},
        {kOpenNoSwitch, nullptr},
        {-1, ":59999"},
        // asked for, but no display to reach
        {kOpenOpenGl, nullptr},
        {kOpenOpenGl, ""},
        {kOpenOpenGl | kOpenFullScreen, ":59999"},
    };
    for (const Row& r : rows) {
        display.set(r.display);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_NE(gl->init("t", 800, 600, 16, 0, r.flags), 0) << r.flags << " " << (r.display ? r.display : "unset");
        gl->exit();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    }
}

TEST(OpenGlDriver, NoModesWithoutDisplay) {
    int index = 0;
    const DisplayDriver* gl = driver_named("OpenGL", &index);
    ASSERT_NE(gl, nullptr);
    ASSERT_NE(gl->fetch_modes, nullptr);
    SavedEnv display("DISPLAY");
    display.set(nullptr);
    int32_t count = -1;
    EXPECT_EQ(gl->fetch_modes(16, &count), nullptr);
    EXPECT_EQ(count, 0);
}

}  // namespace
