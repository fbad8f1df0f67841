// Typed characters and the numeric keypad through the shared Windows window
// procedure: what a Spanish or German user types reaches the program as its
// code page 437 byte, and the keypad gives digits with Num Lock on and the
// cursor keys with it off.
#include <gtest/gtest.h>

#include <vector>

#include "console/win32/code_page.h"
#include "gfx/display/win32/win_window.h"
#include "gfx/screen.h"

using namespace pantalla::detail;

namespace {

std::vector<int32_t> drain() {
    std::vector<int32_t> codes;
    int32_t c;
    while (key_queue_take(screen_key_queue, &c)) codes.push_back(c);
    return codes;
}

LPARAM key_lparam(int scan, bool extended) {
    return 1 | static_cast<LPARAM>(scan) << 16 | (extended ? 1L << 24 : 0);
}

class WindowKeys : public ::testing::Test {
protected:
    void SetUp() override {
        drain();
        window = WindowState{};
        win_system = WinSystem{};
        win_system.version = 0x0A00;
    }
};

// The byte of `u` in the system's ANSI code page, or -1 without one.
int ansi_byte(wchar_t u) {
    char narrow = 0;
    BOOL used_default = FALSE;
    const int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, &u, 1, &narrow, 1, nullptr, &used_default);
    return n == 1 && !used_default ? static_cast<unsigned char>(narrow) : -1;
}

TEST_F(WindowKeys, AnsiCharactersBecomeCodePage437) {
    const struct {
        wchar_t typed;
        std::vector<int32_t> codes;
    } rows[] = {
        {L'\u00E1', {0xA0}},  // a acute
        {L'\u00F1', {0xA4}},  // n tilde
        {L'\u00D1', {0xA5}},  // N tilde
        {L'\u00BF', {0xA8}},  // inverted question mark
        {L'\u00A1', {0xAD}},  // inverted exclamation mark
        {L'\u00E7', {0x87}},  // c cedilla
        {L'\u00FC', {0x81}},  // u diaeresis
        {L'\u00DF', {0xE1}},  // sharp s
        {L'\u20AC', {}},      // euro sign: no 437 form, dropped
    };
    int checked = 0;
    for (const auto& r : rows) {
        const int byte = ansi_byte(r.typed);
        if (byte < 0) continue;  // not in this system's code page
        win_window_proc(nullptr, WM_CHAR, static_cast<WPARAM>(byte), 1);
        EXPECT_EQ(drain(), r.codes) << "U+" << std::hex << static_cast<int>(r.typed);
        ++checked;
    }
    EXPECT_GT(checked, 0) << "code page " << GetACP();
}

TEST(CodePages, CharactersBecomeCodePage437) {
    const struct {
        UINT code_page;
        uint8_t byte;
        int32_t cp437;
    } rows[] = {
        {1252, 'a', 'a'},   {1252, 0xE1, 0xA0},  // a acute
        {1252, 0xF1, 0xA4}, {1252, 0xBF, 0xA8},  // n tilde, inverted question mark
        {1252, 0xDF, 0xE1}, {1252, 0x80, -1},    // sharp s; the euro sign has no 437 form
        // A Spanish console's code page: mostly the same bytes, not all.
        {850, 0xA4, 0xA4},  {850, 0xA8, 0xA8},   // n tilde, inverted question mark
        {850, 0xB5, -1},    {850, 0xE1, 0xE1},   // A acute (none in 437), sharp s
        {437, 0xB5, 0xB5},
    };
    for (const auto& r : rows)
        EXPECT_EQ(code_page_to_437(r.byte, r.code_page), r.cp437) << r.code_page << " " << int{r.byte};
}

struct KeyRow {
    const char* name;
    UINT vk;
    int scan;
    bool extended;
    WPARAM character;  // the WM_CHAR that TranslateMessage sends after it, 0 for none
    std::vector<int32_t> codes;
};

TEST_F(WindowKeys, NumericKeypad) {
    const KeyRow rows[] = {
        // Num Lock on: digits, operators and Enter as characters.
        {"7", VK_NUMPAD7, 0x47, false, '7', {'7'}},
        {"0", VK_NUMPAD0, 0x52, false, '0', {'0'}},
        {"point", VK_DECIMAL, 0x53, false, '.', {'.'}},
        {"plus", VK_ADD, 0x4E, false, '+', {'+'}},
        {"minus", VK_SUBTRACT, 0x4A, false, '-', {'-'}},
        {"star", VK_MULTIPLY, 0x37, false, '*', {'*'}},
        {"slash", VK_DIVIDE, 0x35, true, '/', {'/'}},
        {"Enter", VK_RETURN, 0x1C, true, 13, {13}},
        // Num Lock off: the cursor and editing keys.
        {"Home", VK_HOME, 0x47, false, 0, {0x47FF}},
        {"Up", VK_UP, 0x48, false, 0, {0x48FF}},
        {"centre", VK_CLEAR, 0x4C, false, 0, {0x4CFF}},
        {"Page Down", VK_NEXT, 0x51, false, 0, {0x51FF}},
        {"Insert", VK_INSERT, 0x52, false, 0, {0x52FF}},
        {"Delete", VK_DELETE, 0x53, false, 0, {0x53FF}},
    };
    for (const KeyRow& r : rows) {
        win_window_proc(nullptr, WM_KEYDOWN, r.vk, key_lparam(r.scan, r.extended));
        if (r.character) win_window_proc(nullptr, WM_CHAR, r.character, key_lparam(r.scan, r.extended));
        EXPECT_EQ(drain(), r.codes) << r.name;
    }
}

}  // namespace
