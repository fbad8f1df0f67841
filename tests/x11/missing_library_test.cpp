// The drivers on a machine where the X or GL libraries cannot be used. Run
// by no_x_libraries.sh with LD_LIBRARY_PATH shadowing them and DISPLAY at
// a live server, one suite per shadow: the refusals must then come from
// the libraries, not from the display.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>

#include "gfx/display/display_driver.h"
#include "gfx/display/x11/gl_api.h"
#include "gfx/display/x11/x11_api.h"
#include "gfx/screen.h"
#include "runtime/context.h"
#include "runtime/print.h"
#include "runtime/rt_string.h"

using namespace pantalla::detail;

namespace {

const DisplayDriver* driver_named(const char* name) {
    for (int i = 0; display_drivers[i]; ++i)
        if (std::strcmp(display_drivers[i]->name, name) == 0) return display_drivers[i];
    return nullptr;
}

// Libraries shadowed by empty or unloadable files: every X driver refuses,
// the search ends without a screen, and "Null" still opens.
TEST(AllXLibrariesMissing, DriversRefuseAndTheSearchGoesOn) {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "needs a live display";
    null_driver_read_console(false);
    EXPECT_FALSE(libx11_load());
    EXPECT_FALSE(libxext_load());
    EXPECT_FALSE(libgl_load());
    EXPECT_EQ(libx11.XOpenDisplay, nullptr) << "a failed load leaves the table empty";
    EXPECT_EQ(libglx.glXChooseVisual, nullptr);

    struct Row {
        const char* driver;
        int32_t flags;
    };
    const Row rows[] = {{"X11", 0}, {"X11", kOpenFullScreen}, {"OpenGL", kOpenOpenGl}};
    for (const Row& r : rows) {
        const DisplayDriver* d = driver_named(r.driver);
        ASSERT_NE(d, nullptr) << r.driver;
        EXPECT_NE(d->init("t", 800, 600, 16, 0, r.flags), 0) << r.driver << " flags " << r.flags;
        d->exit();
    }
    int32_t count = -1;
    EXPECT_EQ(driver_named("OpenGL")->fetch_modes(16, &count), nullptr);
    EXPECT_EQ(count, 0);

    struct OpenRow {
        const char* dngfx;  // null: unset
        int32_t flags;
        const char* opened;  // null: no screen
    };
    const OpenRow opens[] = {
        {nullptr, 0, nullptr},
        {nullptr, kOpenOpenGl, nullptr},
        {"X11", 0, nullptr},
        {"OpenGL", kOpenOpenGl, nullptr},
        {"null", 0, "Null"},
    };
    for (const OpenRow& o : opens) {
        if (o.dngfx)
            setenv("DNGFX", o.dngfx, 1);
        else
            unsetenv("DNGFX");
        screen_open(19, 16, 4, o.flags, 0);
        if (o.opened) {
            ASSERT_NE(screen, nullptr) << o.dngfx;
            EXPECT_STREQ(screen->driver->name, o.opened);
        } else {
            EXPECT_EQ(screen, nullptr) << (o.dngfx ? o.dngfx : "unset") << " flags " << o.flags;
            EXPECT_EQ(last_error(), 1);
        }
        screen_open(0, 0, 0, 0, 0);
    }
    unsetenv("DNGFX");
}

// Only libXext shadowed: the "X11" driver opens and draws with plain
// images, without shared memory.
TEST(XextMissing, X11DriverOpensWithoutSharedMemory) {
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "needs a live display";
    EXPECT_TRUE(libx11_load());
    EXPECT_FALSE(libxext_load());
    EXPECT_EQ(libxext.XShmPutImage, nullptr);
    setenv("DNGFX", "X11", 1);
    // Twice: the second open must not find anything left of the first.
    for (int round = 0; round < 2; ++round) {
        screen_open(19, 16, 4, 0, 0);
        ASSERT_NE(screen, nullptr) << "round " << round;
        EXPECT_STREQ(screen->driver->name, "X11");
        print_text(0, string_temp_literal("DRAWN WITHOUT SHARED MEMORY"), 1);
        // Through the update thread's passes until every row is shown.
        for (int pass = 0; pass < 500; ++pass) {
            display_lock(screen->driver);
            bool pending = false;
            for (int32_t y = 0; y < screen->height; ++y) pending |= screen->dirty[y] != 0;
            display_unlock(screen->driver);
            if (!pending) break;
            usleep(10000);
        }
        display_lock(screen->driver);
        for (int32_t y = 0; y < screen->height; ++y) EXPECT_EQ(screen->dirty[y], 0) << "row " << y;
        display_unlock(screen->driver);
        screen_open(0, 0, 0, 0, 0);
    }
    unsetenv("DNGFX");
}

}  // namespace
