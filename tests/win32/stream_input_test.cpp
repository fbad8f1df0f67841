#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "console/console_input.h"
#include "console/win32/libdn_io_input.h"
#include "runtime/key_codes.h"

namespace {

std::vector<int32_t> drain() {
    std::vector<int32_t> codes;
    for (int32_t c = console_queue_take(); c != -1; c = console_queue_take()) codes.push_back(c);
    return codes;
}

std::vector<int32_t> keys(const std::string& s) { return {s.begin(), s.end()}; }

struct Pipe {
    HANDLE read = nullptr, write = nullptr;
    Pipe() { CreatePipe(&read, &write, nullptr, 1 << 16); }
    ~Pipe() {
        if (read) CloseHandle(read);
        close_writer();
    }
    void put(const std::string& s) {
        DWORD n = 0;
        WriteFile(write, s.data(), static_cast<DWORD>(s.size()), &n, nullptr);
    }
    void close_writer() {
        if (write) CloseHandle(write);
        write = nullptr;
    }
};

}  // namespace

TEST(StreamInput, BytesAreKeysLineEndsAreEnter) {
    struct Row {
        const char* name;
        std::string bytes;
        std::vector<int32_t> expected;
    } rows[] = {
        {"plain", "ab", keys("ab")},
        {"lf", "1\n2", keys("1\r2")},
        {"cr", "1\r2", keys("1\r2")},
        {"cr lf is one Enter", "1\r\n2", keys("1\r2")},
        {"lf cr is two", "\n\r", keys("\r\r")},
        {"zero is dropped", std::string("a\0b", 3), keys("ab")},
        {"high bytes", "\xFF\x80", {0xFF, 0x80}},
    };
    for (const Row& row : rows) {
        Pipe pipe;
        StreamInput stream{};
        drain();
        pipe.put(row.bytes);
        pump_stream_input(stream, pipe.read);
        EXPECT_EQ(drain(), row.expected) << row.name;
    }
}

TEST(StreamInput, CrLfSplitBetweenReads) {
    Pipe pipe;
    StreamInput stream{};
    drain();
    pipe.put("x\r");
    pump_stream_input(stream, pipe.read);
    EXPECT_EQ(drain(), keys("x\r"));
    pipe.put("\ny");
    pump_stream_input(stream, pipe.read);
    EXPECT_EQ(drain(), keys("y"));
}

TEST(StreamInput, EmptyPipeDoesNotWait) {
    Pipe pipe;
    StreamInput stream{};
    drain();
    pump_stream_input(stream, pipe.read);
    EXPECT_TRUE(drain().empty());
    EXPECT_FALSE(stream.ended);
}

TEST(StreamInput, EndGivesTheCloseCodeToEveryWait) {
    Pipe pipe;
    StreamInput stream{};
    drain();
    pipe.put("z");
    pipe.close_writer();
    pump_stream_input(stream, pipe.read);
    EXPECT_EQ(drain(), keys("z"));
    pump_stream_input(stream, pipe.read);
    EXPECT_EQ(drain(), (std::vector<int32_t>{kCloseKey}));
    pump_stream_input(stream, pipe.read);
    EXPECT_EQ(drain(), (std::vector<int32_t>{kCloseKey}));
    // Not one more while a code is still waiting.
    pump_stream_input(stream, pipe.read);
    pump_stream_input(stream, pipe.read);
    EXPECT_EQ(drain(), (std::vector<int32_t>{kCloseKey}));
}

TEST(StreamInput, NoHandleIsTheEnd) {
    StreamInput stream{};
    drain();
    pump_stream_input(stream, nullptr);
    EXPECT_EQ(drain(), (std::vector<int32_t>{kCloseKey}));
}

TEST(StreamInput, LongInputLosesNothing) {
    // More than the queue holds: read only as the keys are taken.
    Pipe pipe;
    StreamInput stream{};
    drain();
    std::string text;
    for (int i = 0; i < 3000; ++i) text += static_cast<char>('a' + i % 26);
    pipe.put(text);
    pipe.close_writer();
    std::string got;
    for (int guard = 0; guard < 10000; ++guard) {
        pump_stream_input(stream, pipe.read);
        const int32_t c = console_queue_take();
        if (c == kCloseKey) break;
        if (c != -1) got += static_cast<char>(c);
    }
    EXPECT_EQ(got, text);
}

TEST(StreamInput, FileToItsEnd) {
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    GetTempFileNameA(dir, "key", 0, path);
    HANDLE file = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_TEMPORARY, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD n = 0;
    WriteFile(file, "12\r\n", 4, &n, nullptr);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    StreamInput stream{};
    drain();
    pump_stream_input(stream, file);
    EXPECT_EQ(drain(), keys("12\r"));
    pump_stream_input(stream, file);
    EXPECT_EQ(drain(), (std::vector<int32_t>{kCloseKey}));
    CloseHandle(file);
    DeleteFileA(path);
}
