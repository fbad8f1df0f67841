#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "runtime/line_input.h"

using namespace pantalla::detail;

namespace {

void set_line(const std::string& s) {
    LineReader& r = line_reader();
    string_set(&r.line, s.data(), static_cast<uint32_t>(s.size()));
    r.pos = 0;
}

std::vector<std::string> fields(const std::string& line, int count, int32_t max_chars, int32_t text_mode) {
    set_line(line);
    std::vector<std::string> out;
    std::vector<char> buffer(max_chars + 1);
    for (int i = 0; i < count; ++i) {
        next_field(buffer.data(), max_chars, text_mode);
        out.emplace_back(buffer.data());
    }
    return out;
}

using V = std::vector<std::string>;

TEST(FieldSplitter, NumberMode) {
    struct Row { std::string line; V expected; };
    const Row rows[] = {
        {"  12  ", {"12", ""}},
        {"7,8", {"7", "8"}},
        {"1 5", {"1", "5"}},
        {"\"12\"", {"12", ""}},
        {"\"1,2\"3,4", {"1,23", "4"}},       // quotes keep the comma, the field goes on
        {"\" 4\"", {"4", ""}},                // a blank right after the quote is dropped
        {"ab\"c", {"ab\"c", ""}},             // a quote inside a field is a character
        {"12\r\n34", {"12", "34"}},
        {"12\rX", {"12", "X"}},
        {"\t\r\n 9", {"9", ""}},
        {"", {"", ""}},
        {"123456789012345", {"12345678901", "2345"}},  // cut at 11, the rest stays
    };
    for (const Row& r : rows) EXPECT_EQ(fields(r.line, 2, 11, 0), r.expected) << r.line;
}

TEST(FieldSplitter, TextMode) {
    struct Row { std::string line; V expected; };
    const Row rows[] = {
        {"hello world,x", {"hello world", "x"}},
        {"\" a, b \" , next", {" a, b ", "next"}},
        {"\"q\"  z", {"q", "z"}},
        {"\"q\"\r\nz", {"q", "z"}},
        {"\"q\"\rz", {"q", "z"}},
        {"\"\",b", {"", "b"}},
    };
    for (const Row& r : rows) EXPECT_EQ(fields(r.line, 2, 255, 1), r.expected) << r.line;
}

TEST(FieldSplitter, CharactersAndPushBack) {
    set_line("ab");
    EXPECT_EQ(next_char(), 'a');
    unread_char();
    EXPECT_EQ(next_char(), 'a');
    EXPECT_EQ(next_char(), 'b');
    EXPECT_EQ(next_char(), -1);
    EXPECT_EQ(next_char(), -1);
    set_line("\xE9");
    EXPECT_EQ(next_char(), 0xE9);  // bytes above 127 are not negative
}

TEST(ReadIntField, LikeTheCLibraryButSaturating) {
    struct Row { std::string line; int32_t value; };
    const Row rows[] = {
        {"12", 12}, {"12abc", 12}, {"-5", -5}, {"+4", 4}, {"3.9", 3}, {"7.9", 7}, {"", 0},
        {"&H10", 0}, {"abc", 0}, {"1,5", 1}, {"1 5", 1}, {"\"12\"", 12}, {"  25abc", 25},
        {"-3", -3}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
        {"2147483648", INT_MAX}, {"-2147483649", INT_MIN}, {"99999999999", INT_MAX},
        {"-99999999999", INT_MIN}, {"123456789012345", INT_MAX}, {"00000000012345", 12},
        {"+-1", 0}, {"- 1", 0},
    };
    for (const Row& r : rows) {
        set_line(r.line);
        int32_t value = -77;
        EXPECT_EQ(read_int_field(&value), 0);
        EXPECT_EQ(value, r.value) << r.line;
    }
}

TEST(ReadIntField, MissingFieldReadsZero) {
    set_line("5");
    int32_t a = -1, b = -1;
    read_int_field(&a);
    read_int_field(&b);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 0);
}

}  // namespace
