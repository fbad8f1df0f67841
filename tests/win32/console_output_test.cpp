#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "console/console.h"
#include "console/win32/console_state.h"
#include "runtime/platform.h"
#include "runtime/text_cursor.h"
#include "runtime/text_view.h"

namespace {

// Standard output pointed at a file for one test.
class RawOutput : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std_handles;
        char dir[MAX_PATH];
        GetTempPathA(MAX_PATH, dir);
        GetTempFileNameA(dir, "raw", 0, path_);
        file_ = CreateFileA(path_, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_TEMPORARY, nullptr);
        ASSERT_NE(file_, INVALID_HANDLE_VALUE);
        std_handles.output = reinterpret_cast<intptr_t>(file_);
        console_refresh();
    }
    void TearDown() override {
        std_handles = saved_;
        console_refresh();
        CloseHandle(file_);
        DeleteFileA(path_);
    }
    std::string written() {
        std::string s(GetFileSize(file_, nullptr), '\0');
        SetFilePointer(file_, 0, nullptr, FILE_BEGIN);
        DWORD got = 0;
        ReadFile(file_, s.data(), static_cast<DWORD>(s.size()), &got, nullptr);
        s.resize(got);
        return s;
    }
    StdHandles saved_{};
    char path_[MAX_PATH]{};
    HANDLE file_ = INVALID_HANDLE_VALUE;
};

}  // namespace

TEST_F(RawOutput, BytesReachTheFileUnchanged) {
    const std::string heading =
        "SIMULADOR DE LANZAMIENTO DE DADOS\r\n=================================\r\n";
    // Control characters are not interpreted without a console.
    const std::string controls("a\tb\bc\rd\ne\a\0f\xFF", 12);
    console_print_text(heading.data(), static_cast<uint32_t>(heading.size()), 0);
    console_print_text(controls.data(), static_cast<uint32_t>(controls.size()), 0);
    EXPECT_EQ(written(), heading + controls);
}

TEST_F(RawOutput, NoConsoleMeansDefaultSize) {
    int32_t cols = 0, rows = 0;
    console_text_size(&cols, &rows);
    EXPECT_EQ(cols, 80);
    EXPECT_EQ(rows, 25);
}

TEST_F(RawOutput, EmptyPrintsWriteNothing) {
    console_print_text("", 0, 0);
    console_print_text("", 0, kPrintSettleWrap);
    EXPECT_EQ(written(), "");
}

TEST_F(RawOutput, WideTextAsUtf8) {
    struct Row {
        std::u16string text;
        std::string bytes;
    } rows[] = {
        {u"A\r\n", "A\r\n"},
        {u"\u00F1\u20AC", "\xC3\xB1\xE2\x82\xAC"},
        {u"\U0001F600", "\xF0\x9F\x98\x80"},
    };
    std::string expected;
    for (const Row& row : rows) {
        console_print_text_wide(reinterpret_cast<const uint16_t*>(row.text.data()),
                                static_cast<uint32_t>(row.text.size()), 0);
        expected += row.bytes;
    }
    // A long text is converted in pieces without splitting a surrogate pair.
    std::u16string many(1023, u'x');
    many += u"\U0001F600";
    console_print_text_wide(reinterpret_cast<const uint16_t*>(many.data()),
                            static_cast<uint32_t>(many.size()), 0);
    expected += std::string(1023, 'x') + "\xF0\x9F\x98\x80";
    EXPECT_EQ(written(), expected);
}
