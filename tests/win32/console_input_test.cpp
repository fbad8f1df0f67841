#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "console/console_input.h"
#include "console/win32/console_wait.h"
#include "console/win32/libdn_io_input.h"
#include "runtime/key_codes.h"

using namespace pantalla::detail;

namespace {

using Codes = std::vector<int32_t>;

Codes drain() {
    Codes codes;
    for (int32_t c = console_queue_take(); c != -1; c = console_queue_take()) codes.push_back(c);
    return codes;
}

Codes chars(const std::string& s) { return {s.begin(), s.end()}; }

struct Key {
    bool down;
    WORD virtual_key, scan_code;
    char character;
    DWORD state;
    WORD repeat = 1;
};

Codes feed(const std::vector<Key>& keys) {
    drain();
    for (const Key& k : keys) {
        INPUT_RECORD r{};
        r.EventType = KEY_EVENT;
        r.Event.KeyEvent = {k.down, k.repeat, k.virtual_key, k.scan_code, {}, k.state};
        r.Event.KeyEvent.uChar.AsciiChar = k.character;
        console_input_event(r);
    }
    return drain();
}

constexpr DWORD kAlt = LEFT_ALT_PRESSED;
const Key kAltDown{true, VK_MENU, 0x38, 0, kAlt};
const Key kAltUp{false, VK_MENU, 0x38, 0, 0};

// Alt held, each keypad digit pressed and released; then Alt released.
std::vector<Key> alt_number(const std::string& digits, bool release = true) {
    static const WORD scan[10] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
    std::vector<Key> keys{kAltDown};
    for (char d : digits) {
        const WORD vk = static_cast<WORD>(VK_NUMPAD0 + d - '0');
        keys.push_back({true, vk, scan[d - '0'], 0, kAlt});
        keys.push_back({false, vk, scan[d - '0'], 0, kAlt});
    }
    if (release) keys.push_back(kAltUp);
    return keys;
}

std::vector<Key> operator+(std::vector<Key> a, const std::vector<Key>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

}  // namespace

TEST(ConsoleKeys, Events) {
    struct Row {
        const char* name;
        std::vector<Key> keys;
        Codes expected;
    } rows[] = {
        {"letter", {{true, 'A', 0x1E, 'a', 0}}, {'a'}},
        {"up", {{true, VK_UP, 0x48, 0, ENHANCED_KEY}}, {0x48FF}},
        // Repeat count 0 is no press; a higher count still gives one code.
        {"repeat 0", {{true, 'A', 0x1E, 'a', 0, 0}}, {}},
        {"repeat 3", {{true, 'A', 0x1E, 'a', 0, 3}}, {'a'}},
        {"key up", {{false, 'A', 0x1E, 'a', 0}}, {}},
        // Wine's console on a terminal gives Escape no character.
        {"escape without its character", {{true, VK_ESCAPE, 0x01, 0, 0}}, {27}},
        {"unknown terminal sequence", {{true, 0, 0, 0, 0}}, {}},
        // Alt+keypad: the number modulo 256 when Alt is released, and no
        // stray code for the digits themselves (keypad 5 has one).
        {"alt 6 5", alt_number("65"), {65}},
        {"alt 3 2 1", alt_number("321"), {65}},
        {"alt 5 5", alt_number("55"), {55}},
        {"overlong number keeps its low byte", alt_number("99999999999"),
         {static_cast<int32_t>(99999999999ull % 256)}},
        {"still held", alt_number("65", false), {}},
        {"two in a row", alt_number("66") + alt_number("67"), {66, 67}},
        {"ctrl as well: no composition",
         {{true, VK_NUMPAD6, 0x4D, 0, kAlt | LEFT_CTRL_PRESSED}, kAltUp},
         {}},
        {"another key abandons it",
         alt_number("65", false) + std::vector<Key>{{true, 'X', 0x2D, 'x', kAlt}, kAltUp},
         {extended_key(0x2D)}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(feed(row.keys), row.expected) << row.name;
        feed({kAltUp});
    }
}

TEST(ConsoleKeys, CloseHandler) {
    struct Row {
        DWORD event;
        BOOL handled;
        Codes pushed;
    } rows[] = {
        {CTRL_CLOSE_EVENT, TRUE, {kCloseKey}},   {CTRL_LOGOFF_EVENT, TRUE, {kCloseKey}},
        {CTRL_SHUTDOWN_EVENT, TRUE, {kCloseKey}}, {CTRL_C_EVENT, FALSE, {}},
        {CTRL_BREAK_EVENT, FALSE, {}},           {99, FALSE, {}},
    };
    for (const Row& row : rows) {
        drain();
        EXPECT_EQ(console_close_handler(row.event), row.handled) << row.event;
        EXPECT_EQ(drain(), row.pushed) << row.event;
    }
}

namespace {

struct Pipe {
    HANDLE read = nullptr, write = nullptr;
    StreamInput stream{};
    Pipe() { CreatePipe(&read, &write, nullptr, 1 << 16); }
    ~Pipe() {
        CloseHandle(read);
        close_writer();
    }
    void close_writer() {
        if (write) CloseHandle(write);
        write = nullptr;
    }
    Codes pump(const std::string& bytes) {
        DWORD n = 0;
        if (!bytes.empty())
            WriteFile(write, bytes.data(), static_cast<DWORD>(bytes.size()), &n, nullptr);
        drain();
        pump_stream_input(stream, read);
        return drain();
    }
};

}  // namespace

TEST(StreamKeys, BytesAreKeys) {
    struct Row {
        std::vector<std::string> reads;  // one pump each
        Codes expected;                  // all pumps together
    } rows[] = {
        {{"ab"}, chars("ab")},
        {{"1\n2", "3\r4"}, chars("1\r23\r4")},
        {{"1\r\n2"}, chars("1\r2")},
        {{"x\r", "\ny"}, chars("x\ry")},  // CR LF split between reads
        {{"\n\r"}, chars("\r\r")},
        {{std::string("a\0b", 3)}, chars("ab")},
        {{"\xFF"}, {0xFF}},
        {{""}, {}},  // nothing there: no wait, no end
    };
    for (const Row& row : rows) {
        Pipe pipe;
        Codes got;
        for (const std::string& bytes : row.reads) {
            const Codes part = pipe.pump(bytes);
            got.insert(got.end(), part.begin(), part.end());
        }
        EXPECT_EQ(got, row.expected) << row.reads[0];
    }
}

TEST(StreamKeys, EndIsTheCloseCodeForEveryWait) {
    Pipe pipe;
    pipe.pump("");
    pipe.close_writer();
    EXPECT_EQ(pipe.pump(""), Codes{kCloseKey});
    EXPECT_EQ(pipe.pump(""), Codes{kCloseKey});
    StreamInput none{};
    pump_stream_input(none, nullptr);
    EXPECT_EQ(drain(), Codes{kCloseKey});
}

TEST(StreamKeys, InputLongerThanTheQueueLosesNothing) {
    Pipe pipe;
    std::string text;
    for (int i = 0; i < 3000; ++i) text += static_cast<char>('a' + i % 26);
    DWORD n = 0;
    WriteFile(pipe.write, text.data(), static_cast<DWORD>(text.size()), &n, nullptr);
    pipe.close_writer();
    drain();
    std::string got;
    for (int32_t c = -1; c != kCloseKey; c = console_queue_take()) {
        if (c != -1) got += static_cast<char>(c);
        pump_stream_input(pipe.stream, pipe.read);
    }
    EXPECT_EQ(got, text);
}

// A console input handle that is signalled with no event waiting (Wine's)
// would make every wait return at once: from then on the waits sleep.
TEST(ConsoleWait, AHandleSignalledWithNothingWaitingIsSleptOn) {
    const struct {
        const char* what;
        bool spins_before;
        bool signalled;
        int64_t events;
        bool waits, sleeps, spins_after;
    } rows[] = {
        {"timed out", false, false, 0, true, false, false},
        {"an event came", false, true, 1, true, false, false},
        {"count unknown", false, true, -1, true, false, false},
        {"signalled with none", false, true, 0, true, true, true},
        {"seen spinning before", true, true, 0, false, true, true},
    };
    for (const auto& r : rows) {
        ConsoleWait decision{r.spins_before};
        uint32_t waited = 0, slept = 0;
        decision.run(
            7,
            [&](uint32_t ms) {
                waited = ms;
                return r.signalled;
            },
            [&] { return r.events; }, [&](uint32_t ms) { slept = ms; });
        EXPECT_EQ(waited, r.waits ? 7u : 0u) << r.what;
        EXPECT_EQ(slept, r.sleeps ? 7u : 0u) << r.what;
        EXPECT_EQ(decision.spins, r.spins_after) << r.what;
    }
}
