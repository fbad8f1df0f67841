#include <gtest/gtest.h>

#include <string>

#include "runtime/context.h"
#include "runtime/device.h"
#include "tests/capture.h"

using namespace pantalla::detail;

namespace {

std::string written;
int32_t record_write(DeviceRecord*, const char* bytes, uint32_t length) {
    written.append(bytes, length);
    return 0;
}
int32_t failing_write(DeviceRecord*, const char*, uint32_t) { return 7; }

class DeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        Capture::install();
        written.clear();
        record = DeviceRecord{};
        record.ops = &ops;
        record.width = 100;
    }
    void TearDown() override { Capture::remove(); }
    DeviceOps ops{nullptr, nullptr, record_write, nullptr};
    DeviceRecord record{};
};

TEST_F(DeviceTest, ColumnCountsBytesSinceTheLastLineEnd) {
    struct Row { std::string bytes; int32_t start, column; uint32_t width; };
    const Row rows[] = {
        {"ab\r\ncd", 0, 2, 100},
        {std::string(100, 'x'), 0, 0, 100},
        {"abc", 98, 1, 100},
        {"a\x07\tb", 3, 7, 100},  // control bytes other than CR and LF count
        {"x\r", 40, 0, 100},
        {"line\n", 7, 0, 0},
        {std::string(150, 'y'), 10, 160, 0},
    };
    for (const Row& r : rows) {
        record.column = r.start;
        record.width = r.width;
        EXPECT_EQ(device_write(&record, r.bytes.data(), static_cast<uint32_t>(r.bytes.size())), 0);
        EXPECT_EQ(record.column, r.column) << r.bytes;
    }
}

TEST_F(DeviceTest, ColumnLivesAtTheEndOfTheChain) {
    DeviceRecord last{};
    last.width = 10;
    record.chain = &last;
    record.column = 0;
    device_write(&record, "abcdefghijkl", 12);
    EXPECT_EQ(last.column, 2);
    EXPECT_EQ(record.column, 0);
}

TEST_F(DeviceTest, MissingOperationsAreErrorOne) {
    EXPECT_EQ(device_write(nullptr, "a", 1), 1);
    DeviceRecord closed{};
    EXPECT_EQ(device_write(&closed, "a", 1), 1);
    ops.write = nullptr;
    record.column = 5;
    EXPECT_EQ(device_write(&record, "abc", 3), 1);
    EXPECT_EQ(last_error(), 1);
    EXPECT_EQ(record.column, 5);
}

TEST_F(DeviceTest, FailedWriteKeepsTheColumnAndReportsItsError) {
    ops.write = failing_write;
    record.column = 5;
    EXPECT_EQ(device_write(&record, "abc", 3), 7);
    EXPECT_EQ(last_error(), 7);
    EXPECT_EQ(record.column, 5);
}

TEST_F(DeviceTest, ScreenDeviceIsSetUpOnFirstUse) {
    DeviceRecord* screen = device_for_file(0);
    EXPECT_EQ(screen, &device_table[0]);
    EXPECT_EQ(screen->mode, kScreenDeviceMode);
    EXPECT_EQ(screen->access, 4u);
    EXPECT_EQ(screen->sharing, 3u);
    EXPECT_EQ(screen->width, 100u);
    EXPECT_EQ(screen->column, 0);  // the cursor stands in column 1
    ASSERT_NE(screen->input_buffer, nullptr);
    EXPECT_EQ(screen->input_buffer[kScreenInputBytes], 0);
    EXPECT_EQ(screen->chain, nullptr);
    ASSERT_NE(screen->ops, nullptr);
    EXPECT_EQ(device_write(screen, "hello", 5), 0);
    EXPECT_EQ(Capture::all(), "hello");
    EXPECT_EQ(screen->column, 5);
}

}  // namespace
