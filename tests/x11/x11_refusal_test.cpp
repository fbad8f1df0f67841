// The X11 driver refuses at once where no display can be reached.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <string>

#include "gfx/display/display_driver.h"
#include "gfx/screen.h"
#include "runtime/context.h"

using namespace pantalla::detail;

namespace {

TEST(X11Refusal, NoReachableDisplayFailsQuickly) {
    const char* saved_display = getenv("DISPLAY");
    const std::string display = saved_display ? saved_display : "";
    const char* saved_driver = getenv("DNGFX");
    const std::string driver = saved_driver ? saved_driver : "";
    setenv("DNGFX", "X11", 1);
    struct Row {
        const char* display;  // null: unset
    };
    const Row rows[] = {
        {nullptr},      // no display named
        {""},           // named empty
        {":59999"},     // a display that no server serves
    };
    for (const Row& r : rows) {
        if (r.display)
            setenv("DISPLAY", r.display, 1);
        else
            unsetenv("DISPLAY");
        const auto start = std::chrono::steady_clock::now();
        screen_open(19, 16, 4, 0, 0);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_EQ(screen, nullptr) << (r.display ? r.display : "unset");
        EXPECT_EQ(last_error(), 1);
        EXPECT_LT(took, std::chrono::seconds(2));
    }
    if (saved_display) setenv("DISPLAY", display.c_str(), 1); else unsetenv("DISPLAY");
    if (saved_driver) setenv("DNGFX", driver.c_str(), 1); else unsetenv("DNGFX");
}

}  // namespace
