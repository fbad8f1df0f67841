// Every key that the terminfo entries of common terminals describe must give
// the code that the same key gives in a window.
#include <gtest/gtest.h>

#include <cctype>
#include <map>
#include <string>
#include <vector>

#include "console/term_decoder.h"
#include "runtime/key_codes.h"

using namespace pantalla::detail;

namespace {

struct Capability {
    const char* terminal;
    const char* name;
    const char* sequence;
};

const Capability capabilities[] = {
#include "tests/posix/terminfo_keys.inc"
};

constexpr int32_t x(int32_t n) { return extended_key(n); }

enum class Mod { plain, shift, ctrl, ctrl_shift, alt, alt_shift };

// Function key n with modifiers, as the window gives it: Alt wins over
// Ctrl, Ctrl over Shift.
int32_t function_code(int n, Mod mod) {
    const int column = mod == Mod::plain ? 0 : mod == Mod::shift ? 1 : mod == Mod::alt || mod == Mod::alt_shift ? 3 : 2;
    if (n == 11) return x(0x85 + 2 * column);
    if (n == 12) return x(0x86 + 2 * column);
    static constexpr int offsets[] = {0, 0x19, 0x23, 0x2D};
    return x(0x3A + n + offsets[column]);
}

// kf13 and above: xterm's numbering goes through the modifiers twelve keys
// at a time; the Linux console and rxvt number Shift+F3 to F10 as 13 to 20.
int32_t numbered_function_code(const std::string& terminal, int n) {
    if (n <= 12) return function_code(n, Mod::plain);
    if (terminal == "linux" || terminal == "rxvt-unicode") return n <= 20 ? function_code(n - 10, Mod::shift) : 0;
    static constexpr Mod groups[] = {Mod::plain, Mod::shift, Mod::ctrl, Mod::ctrl_shift, Mod::alt, Mod::alt_shift};
    return function_code((n - 1) % 12 + 1, groups[(n - 1) / 12]);
}

// The window's code of each capability's key; Shift with a cursor key
// changes nothing there.
const std::map<std::string, int32_t> window_codes = {
    {"kcuu1", x(0x48)}, {"kri", x(0x48)},   {"kcud1", x(0x50)}, {"kind", x(0x50)},
    {"kcuf1", x(0x4D)}, {"kRIT", x(0x4D)},  {"kcub1", x(0x4B)}, {"kLFT", x(0x4B)},
    {"khome", x(0x47)}, {"kHOM", x(0x47)},  {"kend", x(0x4F)},  {"kEND", x(0x4F)},
    {"kich1", x(0x52)}, {"kIC", x(0x52)},   {"kdch1", x(0x53)}, {"kDC", x(0x53)},
    {"kpp", x(0x49)},   {"kPRV", x(0x49)},  {"knp", x(0x51)},   {"kNXT", x(0x51)},
    {"kbs", 8},         {"kcbt", x(0x0F)},  {"kent", 13},       {"kspd", 26},
    {"kbeg", x(0x4C)},  {"kel", x(0x75)},
    // The keypad corners in application mode type their digits.
    {"ka1", '7'},       {"ka3", '9'},       {"kb2", '5'},       {"kc1", '1'}, {"kc3", '3'},
    // rxvt's Find and Select stand where Home and End are elsewhere.
    {"kfnd", x(0x47)},  {"kFND", x(0x47)},  {"kslt", x(0x4F)},
};

// Where a terminal's key differs from the common meaning of its name.
const std::map<std::pair<std::string, std::string>, int32_t> terminal_codes = {
    {{"linux", "kb2"}, x(0x4C)},  // keypad 5 with Num Lock off
};

// The capabilities that are no key: a mouse report's prefix.
bool not_a_key(const std::string& name) { return name == "kmous"; }

int32_t expected_code(const std::string& terminal, const std::string& name) {
    const auto special = terminal_codes.find({terminal, name});
    if (special != terminal_codes.end()) return special->second;
    if (name.size() > 2 && name[0] == 'k' && name[1] == 'f' && std::isdigit(static_cast<unsigned char>(name[2])))
        return numbered_function_code(terminal, std::stoi(name.substr(2)));
    const auto common = window_codes.find(name);
    return common == window_codes.end() ? 0 : common->second;
}

std::vector<int32_t> decoded(const std::string& bytes) {
    TermDecoder d;
    TermEvent events[kTermEventsPerStep];
    std::vector<int32_t> codes;
    auto take = [&](int n) {
        for (int i = 0; i < n; ++i)
            codes.push_back(translate_key_event(events[i].character, events[i].scan_code, events[i].virtual_key,
                                                events[i].control_state, 0));
    };
    for (const char c : bytes) take(term_decoder_feed(d, static_cast<uint8_t>(c), events));
    take(term_decoder_timeout(d, events));
    return codes;
}

TEST(TerminfoKeys, EveryKeyGivesTheCodeOfTheSameKeyInAWindow) {
    int checked = 0;
    for (const Capability& c : capabilities) {
        if (not_a_key(c.name)) continue;
        const int32_t code = expected_code(c.terminal, c.name);
        if (code == 0) {
            ADD_FAILURE() << c.terminal << " " << c.name << ": no expected key; add one";
            continue;
        }
        EXPECT_EQ(decoded(c.sequence), std::vector<int32_t>{code}) << c.terminal << " " << c.name;
        // Typed straight after, the next key is not swallowed.
        EXPECT_EQ(decoded(std::string(c.sequence) + "z"), (std::vector<int32_t>{code, 'z'}))
            << c.terminal << " " << c.name;
        ++checked;
    }
    EXPECT_GT(checked, 250);
}

// The keypad in xterm's application mode with Num Lock on, and the Linux
// console's keypad, beside what the window gives for the same keys.
TEST(TerminfoKeys, KeypadInApplicationMode) {
    const std::vector<std::pair<std::string, int32_t>> rows = {
        {"\x1bOp", '0'}, {"\x1bOq", '1'}, {"\x1bOr", '2'}, {"\x1bOs", '3'}, {"\x1bOt", '4'},
        {"\x1bOu", '5'}, {"\x1bOv", '6'}, {"\x1bOw", '7'}, {"\x1bOx", '8'}, {"\x1bOy", '9'},
        {"\x1bOj", '*'}, {"\x1bOk", '+'}, {"\x1bOl", ','}, {"\x1bOm", '-'}, {"\x1bOn", '.'},
        {"\x1bOo", '/'}, {"\x1bOX", '='}, {"\x1bOM", 13},
        // Num Lock off: the cursor and editing keys.
        {"\x1b[G", x(0x4C)}, {"\x1bOE", x(0x4C)}, {"\x1b[E", x(0x4C)},
        // Modifiers that xterm puts before the letter, and Alt from an ESC.
        {"\x1bO5M", 10}, {"\x1b\x1bOM", x(0x1C)},
        // rxvt's own forms: $ Shift, ^ Ctrl, @ both; lower-case cursor letters.
        {"\x1b[3^", x(0x93)}, {"\x1b[5@", x(0x84)}, {"\x1b[a", x(0x48)}, {"\x1bOd", x(0x73)},
        {"\x1b[11^", x(0x5E)},
    };
    for (const auto& [bytes, code] : rows) EXPECT_EQ(decoded(bytes), std::vector<int32_t>{code}) << bytes.substr(1);
}

}  // namespace
