#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "gfx/screen.h"
#include "runtime/device.h"
#include "runtime/startup.h"

using namespace pantalla::detail;

namespace {

std::string order;
void a() { order += 'a'; }
void b() { order += 'b'; }
void c() { order += 'c'; }

TEST(ModuleLists, ConstructorsRunFromLastToFirst) {
    const ModuleFunction counted[] = {a, b, c};
    order.clear();
    run_constructor_list({3, counted});
    EXPECT_EQ(order, "cba");

    const ModuleFunction terminated[] = {a, b, nullptr, c};
    order.clear();
    run_constructor_list({-1, terminated});
    EXPECT_EQ(order, "ba");

    order.clear();
    run_constructor_list({0, counted});
    EXPECT_EQ(order, "");
}

TEST(ModuleLists, DestructorsRunInOrderUpToNull) {
    const ModuleFunction list[] = {a, b, nullptr, c};
    order.clear();
    run_destructor_list(list);
    EXPECT_EQ(order, "ab");
}

TEST(RuntimeStart, ClearsTheDeviceTable) {
    device_table[0].mode = 4;
    device_table[256].column = 9;
    char arg0[] = "prog";
    char* argv[] = {arg0, nullptr};
    runtime_start(1, argv);
    EXPECT_EQ(device_table[0].mode, 0u);
    EXPECT_EQ(device_table[256].column, 0);
    EXPECT_EQ(runtime_argc, 1);
    EXPECT_EQ(runtime_argv, argv);
}

void say_first() { std::fputs("first-registered ", stderr); }
void say_second() { std::fputs("second-registered ", stderr); }

// Death tests run in a fresh start of this program, not in a fork of it:
// a fork of a process with threads can inherit a lock that one of them
// holds, and a fork would inherit exit handlers that earlier tests left.
TEST(RuntimeEndDeathTest, ExitsWithTheCodeRunningHandlersInReverse) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            module_init_once();
            module_init_once();
            std::atexit(say_first);
            std::atexit(say_second);
            runtime_end(3);
        },
        ::testing::ExitedWithCode(3), "second-registered first-registered");
    EXPECT_EXIT(runtime_end(0), ::testing::ExitedWithCode(0), "");
}

// Exit handlers registered around the screen's opening report whether the
// screen is still open when exit calls them.
void report(const char* who) {
    std::fputs(who, stderr);
    std::fputs(screen ? ":open " : ":closed ", stderr);
}
void registered_first() { report("first"); }
void registered_between() { report("between"); }
void open_screen() { screen_open(13, 0, 1, kOpenNullDriver, 0); }

// The screen's close is registered once, at the first opening, so it runs
// after every handler registered later and before every one registered
// earlier: the destructor walker, registered by module_init_once before
// anything else, comes after it.
TEST(RuntimeEndDeathTest, ScreenClosesOnceBeforeTheEarlierHandlers) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    struct Row {
        const char* what;
        void (*run)();
        int code;
        const char* output;
    };
    const Row rows[] = {
        {"opened twice, open at the end",
         [] {
             module_init_once();
             std::atexit(registered_first);
             open_screen();
             std::atexit(registered_between);
             screen_open(0, 0, 0, 0, 0);
             open_screen();
             module_init_once();
             runtime_end(0);
         },
         0, "^between:open first:closed $"},
        {"closed before the end",
         [] {
             module_init_once();
             std::atexit(registered_first);
             open_screen();
             screen_open(0, 0, 0, 0, 0);
             runtime_end(0);
         },
         0, "^first:closed $"},
        {"never opened",
         [] {
             module_init_once();
             std::atexit(registered_first);
             runtime_end(6);
         },
         6, "^first:closed $"},
    };
    for (const Row& r : rows) EXPECT_EXIT(r.run(), ::testing::ExitedWithCode(r.code), r.output) << r.what;
}

}  // namespace
