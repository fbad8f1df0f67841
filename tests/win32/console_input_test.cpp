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

constexpr DWORD kAlt = LEFT_ALT_PRESSED;

struct Key {
    bool down;
    WORD virtual_key;
    WORD scan_code;
    char character;
    DWORD state;
    WORD repeat = 1;
};

INPUT_RECORD record(const Key& k) {
    INPUT_RECORD r{};
    r.EventType = KEY_EVENT;
    r.Event.KeyEvent.bKeyDown = k.down;
    r.Event.KeyEvent.wRepeatCount = k.repeat;
    r.Event.KeyEvent.wVirtualKeyCode = k.virtual_key;
    r.Event.KeyEvent.wVirtualScanCode = k.scan_code;
    r.Event.KeyEvent.uChar.AsciiChar = k.character;
    r.Event.KeyEvent.dwControlKeyState = k.state;
    return r;
}

// Alt pressed, then each keypad digit pressed and released with Alt held.
std::vector<Key> alt_digits(const std::string& digits) {
    static const WORD scan[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    std::vector<Key> keys{{true, VK_MENU, 0x38, 0, kAlt}};
    for (char d : digits) {
        const int n = d - '0';
        keys.push_back({true, static_cast<WORD>(VK_NUMPAD0 + n), scan[n], 0, kAlt});
        keys.push_back({false, static_cast<WORD>(VK_NUMPAD0 + n), scan[n], 0, kAlt});
    }
    return keys;
}

const Key kAltUp{false, VK_MENU, 0x38, 0, 0};

std::vector<int32_t> feed(const std::vector<Key>& keys) {
    drain();
    for (const Key& k : keys) console_input_event(record(k));
    return drain();
}

std::vector<Key> operator+(std::vector<Key> a, const std::vector<Key>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(AltKeypad, ComposesOnRelease) {
    struct Row {
        const char* name;
        std::vector<Key> keys;
        std::vector<int32_t> expected;
    } rows[] = {
        {"6 5 gives A", alt_digits("65") + std::vector<Key>{kAltUp}, {65}},
        {"321 wraps to 65", alt_digits("321") + std::vector<Key>{kAltUp}, {65}},
        {"a long run keeps its low byte", alt_digits("99999999999") + std::vector<Key>{kAltUp},
         {static_cast<int32_t>(99999999999ull % 256)}},
        // Nothing is delivered while Alt is still held.
        {"held", alt_digits("65"), {}},
        // No number typed, nothing to deliver.
        {"zero", alt_digits("0") + std::vector<Key>{kAltUp}, {}},
        {"two in a row", alt_digits("66") + std::vector<Key>{kAltUp} + alt_digits("67") +
                             std::vector<Key>{kAltUp},
         {66, 67}},
        // With Ctrl or Shift as well, keypad digits are not composed.
        {"ctrl too",
         {{true, VK_NUMPAD6, 0x4D, 0, kAlt | LEFT_CTRL_PRESSED}, kAltUp},
         {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(feed(row.keys), row.expected) << row.name;
        feed({kAltUp});
    }
}

TEST(AltKeypad, NumberWaitsWhileAltIsHeld) {
    feed(alt_digits("65"));
    EXPECT_EQ(console_alt_number(), 65u);
    EXPECT_EQ(feed({kAltUp}), (std::vector<int32_t>{65}));
    EXPECT_EQ(console_alt_number(), 0u);
}

TEST(AltKeypad, AnotherKeyDropsTheNumber) {
    // A translated key in between abandons the composition.
    const auto codes = feed(alt_digits("65") + std::vector<Key>{{true, 'X', 0x2D, 'x', kAlt}, kAltUp});
    EXPECT_EQ(codes, (std::vector<int32_t>{extended_key(0x2D)}));
}

TEST(KeyEvents, Translation) {
    struct Row {
        const char* name;
        Key key;
        std::vector<int32_t> expected;
    } rows[] = {
        {"letter", {true, 'A', 0x1E, 'a', 0}, {'a'}},
        {"up", {true, VK_UP, 0x48, 0, ENHANCED_KEY}, {0x48FF}},
        {"f1", {true, VK_F1, 0x3B, 0, 0}, {0x3BFF}},
        {"enter", {true, VK_RETURN, 0x1C, '\r', 0}, {13}},
        {"escape", {true, VK_ESCAPE, 0x01, 27, 0}, {27}},
        {"escape without its character", {true, VK_ESCAPE, 0x01, 0, 0}, {27}},
        // An unknown terminal sequence: no key, no scan code.
        {"unknown", {true, 0, 0, 0, 0}, {}},
        // Repeat count 0 is no key press; a higher one still gives one code.
        {"repeat 0", {true, 'A', 0x1E, 'a', 0, 0}, {}},
        {"repeat 3", {true, 'A', 0x1E, 'a', 0, 3}, {'a'}},
        {"key up", {false, 'A', 0x1E, 'a', 0}, {}},
        {"shift alone", {true, VK_SHIFT, 0x2A, 0, SHIFT_PRESSED}, {}},
    };
    for (const Row& row : rows) EXPECT_EQ(feed({row.key}), row.expected) << row.name;
}

TEST(KeyEvents, OtherEventsAreDropped) {
    drain();
    INPUT_RECORD r{};
    for (WORD type : {MOUSE_EVENT, WINDOW_BUFFER_SIZE_EVENT, FOCUS_EVENT, MENU_EVENT}) {
        r.EventType = type;
        console_input_event(r);
    }
    EXPECT_TRUE(drain().empty());
}

TEST(CloseHandler, ClosingIsAKeyCtrlCIsNot) {
    struct Row {
        DWORD event;
        BOOL handled;
        std::vector<int32_t> pushed;
    } rows[] = {
        {CTRL_CLOSE_EVENT, TRUE, {kCloseKey}},
        {CTRL_LOGOFF_EVENT, TRUE, {kCloseKey}},
        {CTRL_SHUTDOWN_EVENT, TRUE, {kCloseKey}},
        {CTRL_C_EVENT, FALSE, {}},
        {CTRL_BREAK_EVENT, FALSE, {}},
        {99, FALSE, {}},
    };
    for (const Row& row : rows) {
        drain();
        EXPECT_EQ(console_close_handler(row.event), row.handled) << row.event;
        EXPECT_EQ(drain(), row.pushed) << row.event;
    }
}

TEST(CloseHandler, PushFromTheSystemThread) {
    // The system calls the handler on a thread of its own.
    drain();
    HANDLE thread = CreateThread(
        nullptr, 0,
        [](void*) -> DWORD { return console_close_handler(CTRL_CLOSE_EVENT) ? 0 : 1; }, nullptr,
        0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(drain(), (std::vector<int32_t>{kCloseKey}));
}
