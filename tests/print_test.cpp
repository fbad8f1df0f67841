#include <gtest/gtest.h>

#include <climits>

#include "runtime/context.h"
#include "runtime/print.h"
#include "tests/capture.h"

using namespace pantalla::detail;

namespace {

class PrintTest : public ::testing::Test {
protected:
    void SetUp() override { Capture::install(); }
    void TearDown() override { Capture::remove(); }
    using W = std::vector<std::string>;
};

TEST_F(PrintTest, IntegersGoOutInOneWriteWithTheirLineEnd) {
    struct Row { int32_t value; uint32_t flags; const char* text; };
    const Row rows[] = {
        {5, 1, " 5\r\n"}, {5, 4, " 5\r\n"}, {-7, 0, "-7"}, {0, 0, " 0"},
        {INT_MIN, 0, "-2147483648"}, {INT_MAX, 1, " 2147483647\r\n"},
    };
    for (const Row& r : rows) {
        Capture::writes.clear();
        EXPECT_EQ(print_integer(0, r.value, r.flags), 0);
        EXPECT_EQ(Capture::writes, W{r.text}) << r.value;
    }
}

TEST_F(PrintTest, UnsignedHasNoBlank) {
    print_unsigned(0, 4294967295u, 0);
    print_unsigned(0, 7, 1);
    EXPECT_EQ(Capture::writes, (W{"4294967295", "7\r\n"}));
}

TEST_F(PrintTest, FloatsUseSignificantDigitsAndABlank) {
    print_double(0, 4.0, 0);
    print_double(0, 3.5, 0);
    print_double(0, -2.25, 0);
    print_double(0, 41.0 / 12.0, 1);
    print_single(0, 10.0f / 3.0f, 0);
    EXPECT_EQ(Capture::writes, (W{" 4", " 3.5", "-2.25", " 3.41666666666667", "\r\n", " 3.333333"}));
}

TEST_F(PrintTest, TextWritesOnlyItsSeparatorWhenEmpty) {
    print_text(0, nullptr, 0);
    print_text(0, string_temp_literal(""), 0);
    EXPECT_TRUE(Capture::writes.empty());
    print_text(0, nullptr, 1);
    print_text(0, string_temp_literal("ab"), 1);
    print_newline(0, 4);
    EXPECT_EQ(Capture::writes, (W{"\r\n", "ab", "\r\n", "\r\n"}));
}

TEST_F(PrintTest, FlagsThreeEndTheLineAndIntegersThenPadAZone) {
    print_text(0, string_temp_literal("x"), 3);
    print_double(0, 1.5, 3);
    print_integer(0, 5, 3);
    EXPECT_EQ(Capture::writes, (W{"x", "\r\n", " 1.5", "\r\n", " 5\r\n", std::string(14, ' ')}));
}

TEST_F(PrintTest, ZonesOnAHundredColumnDevice) {
    struct Row { int32_t column; std::string written; };
    const Row rows[] = {
        {0, std::string(14, ' ')}, {5, std::string(9, ' ')}, {13, " "},
        {14, std::string(14, ' ')}, {72, std::string(12, ' ')}, {84, "\r\n"},
    };
    DeviceRecord* screen = device_for_file(0);
    for (const Row& r : rows) {
        Capture::writes.clear();
        screen->column = r.column;
        print_next_zone(screen);
        EXPECT_EQ(Capture::writes, W{r.written}) << "column " << r.column;
    }
    screen->column = 72;
    print_next_zone(screen);
    EXPECT_EQ(screen->column, 84);
}

TEST_F(PrintTest, NarrowDeviceNeverTurnsAZoneIntoALineEnd) {
    Capture::install(10);
    DeviceRecord* screen = device_for_file(0);
    ASSERT_EQ(screen->width, 10u);
    screen->column = 5;
    print_next_zone(screen);
    EXPECT_EQ(Capture::writes, W{std::string(9, ' ')});
}

TEST_F(PrintTest, ZoneSeparatorAfterText) {
    print_text(0, string_temp_literal("abcde"), 2);
    EXPECT_EQ(Capture::writes, (W{"abcde", std::string(9, ' ')}));
}

TEST_F(PrintTest, FileNumbersWithoutAnOpenDevice) {
    // Every statement, even one that would write nothing (an empty or absent
    // text, a bare separator, flags 0), fails on a missing or closed device.
    struct Row { const char* what; int32_t (*print)(int32_t file); };
    const Row rows[] = {
        {"integer, flags 3", [](int32_t f) { return print_integer(f, 1, 3); }},
        {"unsigned, flags 0", [](int32_t f) { return print_unsigned(f, 1, 0); }},
        {"single, flags 2", [](int32_t f) { return print_single(f, 1.5f, 2); }},
        {"double, flags 0", [](int32_t f) { return print_double(f, 1.5, 0); }},
        {"text, flags 1", [](int32_t f) { return print_text(f, string_temp_literal("a"), 1); }},
        {"empty text, flags 0", [](int32_t f) { return print_text(f, string_temp_literal(""), 0); }},
        {"absent text, flags 0", [](int32_t f) { return print_text(f, nullptr, 0); }},
        {"absent text, flags 2", [](int32_t f) { return print_text(f, nullptr, 2); }},
        {"newline, flags 0", [](int32_t f) { return print_newline(f, 0); }},
        {"newline, flags 1", [](int32_t f) { return print_newline(f, 1); }},
        {"newline, flags 2", [](int32_t f) { return print_newline(f, 2); }},
    };
    const uint32_t pool_before = string_pool_free();
    for (int32_t file : {255, -2, 300, 1000, -1, 1, 254}) {
        for (const Row& r : rows) {
            set_last_error(0);
            EXPECT_EQ(r.print(file), 1) << r.what << ", file " << file;
            EXPECT_EQ(last_error(), 1) << r.what << ", file " << file;
        }
    }
    EXPECT_TRUE(Capture::writes.empty());
    EXPECT_EQ(string_pool_free(), pool_before) << "temporary texts must be released";
    EXPECT_EQ(device_for_file(255), nullptr);
    EXPECT_EQ(device_for_file(-1), &device_table[1]);
    EXPECT_EQ(device_for_file(254), &device_table[255]);
}

TEST_F(PrintTest, CorruptedColumnPadsAtMostOneZone) {
    struct Row { int32_t column; uint32_t width; std::string written; };
    const Row rows[] = {
        {INT_MIN, 100, std::string(14, ' ')},
        {INT_MIN + 13, 100, std::string(14, ' ')},
        {INT_MIN, 0, std::string(14, ' ')},
        {-1, 100, " "},
        {-20, 0, std::string(14, ' ')},
    };
    DeviceRecord* screen = device_for_file(0);
    for (const Row& r : rows) {
        Capture::writes.clear();
        screen->column = r.column;
        screen->width = r.width;
        EXPECT_EQ(print_next_zone(screen), 0);
        EXPECT_EQ(Capture::writes, W{r.written}) << "column " << r.column << ", width " << r.width;
    }
}

TEST_F(PrintTest, PrintingAllocatesNoDescriptors) {
    const uint32_t free_before = string_pool_free();
    for (int i = 0; i < 1000; ++i) print_text(0, string_temp_literal("x"), 1);
    EXPECT_EQ(string_pool_free(), free_before);
}

TEST_F(PrintTest, ExhaustedPoolGivesAnEmptyItemButKeepsTheSeparator) {
    std::vector<RtString*> held;
    while (string_pool_free() > 0) held.push_back(string_temp_literal("held"));
    RtString* wrapped = string_temp_literal("lost");
    EXPECT_EQ(string_length(wrapped), 0u);
    print_text(0, wrapped, 1);
    EXPECT_EQ(Capture::writes, W{"\r\n"});
    for (RtString* s : held) string_release_temp(s);
    EXPECT_EQ(string_pool_free(), kStringPoolSize);
}

TEST_F(PrintTest, PrintItemDispatchesByKind) {
    PrintItem item{0, PrintKind::integer, {}, 0};
    item.value.integer = 3;
    print_item(item);
    item.kind = PrintKind::double_value;
    item.value.double_value = 0.5;
    print_item(item);
    item.kind = PrintKind::none;
    item.flags = 1;
    print_item(item);
    EXPECT_EQ(Capture::writes, (W{" 3", " 0.5", "\r\n"}));
}

}  // namespace
