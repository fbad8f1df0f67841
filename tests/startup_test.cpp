#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "runtime/device.h"
#include "runtime/startup.h"

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

TEST(RuntimeEndDeathTest, ExitsWithTheCodeRunningHandlersInReverse) {
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

}  // namespace
