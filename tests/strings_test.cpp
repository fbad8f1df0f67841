#include <gtest/gtest.h>

#include "runtime/rt_string.h"

using namespace pantalla::detail;

namespace {

TEST(Strings, CompareBytewiseShorterFirst) {
    struct Row { const char* a; const char* b; int sign; };
    const Row rows[] = {
        {"", "", 0}, {"a", "", 1}, {"", "a", -1}, {"ab", "abc", -1}, {"b", "abc", 1},
        {"\xFF", "a", 1},  // bytes compare unsigned
    };
    for (const Row& r : rows) {
        const int c = string_compare(string_temp_literal(r.a), string_temp_literal(r.b));
        EXPECT_EQ((c > 0) - (c < 0), r.sign) << r.a << " vs " << r.b;
    }
    EXPECT_EQ(string_pool_free(), kStringPoolSize);  // temporaries were released
}

TEST(Strings, AssignTakesATemporaryAndKeepsNoTemporaryBit) {
    RtString v{};
    string_assign(&v, string_temp_copy("key", 3));
    EXPECT_EQ(string_length(&v), 3u);
    EXPECT_FALSE(string_is_temporary(&v));
    string_assign(&v, string_temp_literal("literal"));
    EXPECT_EQ(std::string(v.data, string_length(&v)), "literal");
    string_assign(&v, string_empty());
    EXPECT_EQ(string_length(&v), 0u);
    EXPECT_EQ(string_pool_free(), kStringPoolSize);
    string_clear(&v);
}

TEST(Strings, AppendGrowsAndKeepsTheTemporaryMark) {
    RtString* s = string_temp_copy(nullptr, 0);
    ASSERT_NE(s, nullptr);
    std::string expected;
    for (int i = 0; i < 1000; ++i) {
        string_append(s, "abcdefg", 7);
        expected += "abcdefg";
    }
    EXPECT_TRUE(string_is_temporary(s));
    EXPECT_EQ(std::string(s->data, string_length(s)), expected);
    string_release_temp(s);
}

TEST(Strings, ReleaseIgnoresVariablesAndTheSharedEmpty) {
    RtString v{};
    string_set(&v, "x", 1);
    string_release_temp(&v);
    string_release_temp(string_empty());
    string_release_temp(nullptr);
    EXPECT_EQ(string_length(&v), 1u);
    string_clear(&v);
}

}  // namespace
