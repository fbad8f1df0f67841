#include <gtest/gtest.h>

#include <string>

#include "runtime/key_codes.h"
#include "runtime/keys.h"

using namespace pantalla::detail;

namespace {

constexpr uint32_t kAlt = kLeftAltPressed, kCtrl = kLeftCtrlPressed, kShift = kShiftPressed;
constexpr uint32_t kEnh = kEnhancedKey;

TEST(KeyTranslation, Events) {
    struct Row { const char* what; uint8_t ch; uint16_t scan, vk; uint32_t state; int32_t want; };
    const Row rows[] = {
        // Typing keys give their characters.
        {"letter", 'a', 0x1E, 0x41, 0, 'a'},
        {"Enter", 13, 0x1C, 0x0D, 0, 13},
        {"Ctrl+A", 1, 0x1E, 0x41, kCtrl, 1},
        // Alt turns typing keys into extended keys.
        {"Alt+A", 'a', 0x1E, 0x41, kAlt, 0x1EFF},
        {"right Alt+Shift+Q", 'Q', 0x10, 0x51, kRightAltPressed | kShift, 0x10FF},
        {"Alt+7 as Alt+minus", '7', 0x08, 0x37, kAlt, 0x82FF},
        {"Alt+minus", '-', 0x0C, 0xBD, kAlt, 0x82FF},
        {"Alt+0", '0', 0x0B, 0x30, kAlt, 0x81FF},
        {"Alt+Backspace", 8, 0x0E, 0x08, kAlt, 0xE0FF},
        {"Shift+Tab", 9, 0x0F, 0x09, kShift, 0x0FFF},
        // A character that is not the key's own stays a character.
        {"Alt with a foreign character", '@', 0x10, 0x51, kAlt, '@'},
        // Function keys.
        {"F1", 0, 0x3B, 0x70, 0, 0x3BFF},
        {"Shift+F1", 0, 0x3B, 0x70, kShift, 0x54FF},
        {"Ctrl+F10", 0, 0x44, 0x79, kCtrl, 0x67FF},
        {"Alt+F4 is the close code", 0, 0x3E, 0x73, kAlt, kCloseKey},
        {"F11", 0, 0x57, 0x7A, 0, 0x85FF},
        {"Shift+F11", 0, 0x57, 0x7A, kShift, 0x87FF},
        {"Ctrl+F12", 0, 0x58, 0x7B, kCtrl, 0x8AFF},
        {"Alt+F12", 0, 0x58, 0x7B, kAlt, 0x8CFF},
        // Cursor block and keypad.
        {"Up", 0, 0x48, 0x26, kEnh, 0x48FF},
        {"Ctrl+Up", 0, 0x48, 0x26, kEnh | kCtrl, 0x8DFF},
        {"Alt+Up", 0, 0x48, 0x26, kEnh | kAlt, 0x98FF},
        {"keypad Up, no Num Lock", 0, 0x48, 0x26, 0, 0x48FF},
        {"keypad Ctrl+Up", 0, 0x48, 0x26, kCtrl, 0x8DFF},
        {"keypad Alt+Up gives nothing", 0, 0x48, 0x26, kAlt, -1},
        {"keypad 7, no Num Lock", 0, 0x47, 0x24, 0, 0x47FF},
        {"keypad 7, Num Lock", '7', 0x47, 0x67, 0, '7'},
        {"keypad 7 with Shift, no Num Lock", 0, 0x47, 0x24, kShift, -1},
        {"keypad Alt+5", 0, 0x4C, 0x0C, kAlt, 0x4CFF},
        {"keypad Enter", 0, 0x1C, 0x0D, kEnh, 13},
        {"Ctrl+keypad Enter", 0, 0x1C, 0x0D, kEnh | kCtrl, 10},
        {"Alt+keypad Enter", 0, 0x1C, 0x0D, kEnh | kAlt, 0xA6FF},
        {"keypad Enter typing its character", 13, 0x1C, 0x0D, kEnh, 13},
        {"keypad slash", 0, 0x35, 0x6F, kEnh, '/'},
        {"Shift+keypad slash", 0, 0x35, 0x6F, kEnh | kShift, '?'},
        {"Ctrl+keypad slash", 0, 0x35, 0x6F, kEnh | kCtrl, 0x95FF},
        // Keys that yield nothing.
        {"enhanced key not in the table", 0, 0x1D, 0x11, kEnh, -1},
        {"Shift alone", 0, 0x2A, 0x10, kShift, -1},
        {"scan code above the table", 0, 0x5B, 0x5B, 0, -1},
        {"character above the table", 'x', 0x70, 0, 0, 'x'},
    };
    for (const Row& r : rows)
        EXPECT_EQ(translate_key_event(r.ch, r.scan, r.vk, r.state, 0), r.want) << r.what;
}

TEST(KeyTranslation, ExtendedOnlySuppressesCharacters) {
    EXPECT_EQ(translate_key_event('a', 0x1E, 0x41, 0, 1), -1);
    EXPECT_EQ(translate_key_event('x', 0x70, 0, 0, 1), -1);
    EXPECT_EQ(translate_key_event(0, 0x3B, 0x70, 0, 1), 0x3BFF);
}

// Pushes n codes 1..n and returns what is left, oldest first.
template <int C>
std::vector<int32_t> after_pushes(int n) {
    KeyQueue<C> q{};
    for (int i = 1; i <= n; ++i) key_queue_push(q, i);
    std::vector<int32_t> left;
    for (int32_t code = 0; key_queue_take(q, &code);) left.push_back(code);
    return left;
}

TEST(KeyQueue, FullQueueDropsTheOldest) {
    struct Row { int pushes; size_t left; int32_t oldest; };
    const Row rows[] = {{1, 1, 1}, {15, 15, 1}, {16, 15, 2}, {20, 15, 6}, {47, 15, 33}};
    for (const Row& r : rows) {
        const auto left = after_pushes<kScreenKeyQueueCapacity>(r.pushes);
        ASSERT_EQ(left.size(), r.left) << r.pushes;
        EXPECT_EQ(left.front(), r.oldest) << r.pushes;
        EXPECT_EQ(left.back(), r.pushes) << r.pushes;
    }
    EXPECT_TRUE(after_pushes<kScreenKeyQueueCapacity>(0).empty());
}

TEST(KeyStrings, CodesAndStrings) {
    struct Row { int32_t code; std::string text; };
    const Row rows[] = {
        {0x48FF, "\xFF\x48"}, {0x3BFF, "\xFF\x3B"}, {kCloseKey, "\xFF\x6B"},
        {'A', "A"},           {255, "\xFF"},        {1, "\x01"},
    };
    for (const Row& r : rows) {
        RtString* s = key_code_string(r.code);
        EXPECT_TRUE(string_is_temporary(s));
        EXPECT_EQ(std::string(s->data, string_length(s)), r.text) << r.code;
        EXPECT_EQ(key_string_code(s), r.code) << r.code;
        string_release_temp(s);
    }
    for (int32_t none : {0, -1}) EXPECT_EQ(key_code_string(none), string_empty());
    EXPECT_EQ(key_string_code(string_empty()), -1);
}

}  // namespace
