#include "console/term_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "runtime/key_codes.h"

using namespace pantalla::detail;

namespace {

// One decoder fed piece by piece; a cursor report shows as
// -(row * 1000 + col), other reports not at all.
struct Feeder {
    TermDecoder d;
    std::vector<int32_t> codes;
    TermEvent events[kTermEventsPerStep];

    void take(int n) {
        for (int i = 0; i < n; ++i) {
            const TermEvent& e = events[i];
            if (e.kind == TermEvent::cursor_report)
                codes.push_back(-(e.row * 1000 + e.col));
            else if (e.kind == TermEvent::key)
                codes.push_back(translate_key_event(e.character, e.scan_code, e.virtual_key,
                                                    e.control_state, 0));
        }
    }
    void feed(const std::string& bytes) {
        for (const char c : bytes) take(term_decoder_feed(d, static_cast<uint8_t>(c), events));
    }
    void pause() { take(term_decoder_timeout(d, events)); }
};

// The codes of `input`, then of a pause.
std::vector<int32_t> codes_of(const std::string& input, bool expect_report = false) {
    Feeder f;
    f.d.expect_report = expect_report;
    f.feed(input);
    f.pause();
    return f.codes;
}

// Feeds `input` to one decoder, with a time-out at each '|' and at the end.
std::vector<int32_t> codes_with_pauses(const std::string& input) {
    Feeder f;
    for (const char c : input) {
        if (c == '|')
            f.pause();
        else
            f.feed(std::string(1, c));
    }
    f.pause();
    return f.codes;
}

constexpr int32_t x(int32_t n) { return extended_key(n); }

struct Row {
    const char* name;
    std::string input;
    std::vector<int32_t> codes;
};

void check(const std::vector<Row>& rows) {
    for (const Row& r : rows) EXPECT_EQ(codes_of(r.input), r.codes) << r.name;
}

TEST(TermDecoder, CursorAndEditingKeys) {
    check({
        // CSI and SS3 (application mode) forms.
        {"up", "\x1b[A", {x(0x48)}},        {"down", "\x1b[B", {x(0x50)}},
        {"right", "\x1b[C", {x(0x4D)}},     {"left", "\x1b[D", {x(0x4B)}},
        {"ss3 up", "\x1bOA", {x(0x48)}},    {"ss3 left", "\x1bOD", {x(0x4B)}},
        {"home H", "\x1b[H", {x(0x47)}},    {"end F", "\x1b[F", {x(0x4F)}},
        {"ss3 home", "\x1bOH", {x(0x47)}},  {"ss3 end", "\x1bOF", {x(0x4F)}},
        {"home 1~", "\x1b[1~", {x(0x47)}},  {"home 7~", "\x1b[7~", {x(0x47)}},
        {"end 4~", "\x1b[4~", {x(0x4F)}},   {"end 8~", "\x1b[8~", {x(0x4F)}},
        {"insert", "\x1b[2~", {x(0x52)}},   {"delete", "\x1b[3~", {x(0x53)}},
        {"page up", "\x1b[5~", {x(0x49)}},  {"page down", "\x1b[6~", {x(0x51)}},
        {"keypad 5", "\x1b[E", {x(0x4C)}},  {"keypad enter", "\x1bOM", {13}},
    });
}

TEST(TermDecoder, FunctionKeys) {
    check({
        {"F1 ss3", "\x1bOP", {x(0x3B)}},     {"F2 ss3", "\x1bOQ", {x(0x3C)}},
        {"F3 ss3", "\x1bOR", {x(0x3D)}},     {"F4 ss3", "\x1bOS", {x(0x3E)}},
        {"F1 11~", "\x1b[11~", {x(0x3B)}},   {"F4 14~", "\x1b[14~", {x(0x3E)}},
        {"F5", "\x1b[15~", {x(0x3F)}},       {"F6", "\x1b[17~", {x(0x40)}},
        {"F7", "\x1b[18~", {x(0x41)}},       {"F8", "\x1b[19~", {x(0x42)}},
        {"F9", "\x1b[20~", {x(0x43)}},       {"F10", "\x1b[21~", {x(0x44)}},
        {"F11", "\x1b[23~", {x(0x85)}},      {"F12", "\x1b[24~", {x(0x86)}},
        // The Linux console's own forms of F1 to F5.
        {"F1 linux", "\x1b[[A", {x(0x3B)}},  {"F5 linux", "\x1b[[E", {x(0x3F)}},
    });
}

TEST(TermDecoder, Modifiers) {
    check({
        {"ctrl up", "\x1b[1;5A", {x(0x8D)}},      {"alt up", "\x1b[1;3A", {x(0x98)}},
        {"shift up", "\x1b[1;2A", {x(0x48)}},     {"ctrl home", "\x1b[1;5H", {x(0x77)}},
        {"ctrl end", "\x1b[1;5F", {x(0x75)}},     {"ctrl left", "\x1b[1;5D", {x(0x73)}},
        {"ctrl delete", "\x1b[3;5~", {x(0x93)}},  {"alt delete", "\x1b[3;3~", {x(0xA3)}},
        {"ctrl page up", "\x1b[5;5~", {x(0x84)}}, {"ctrl insert", "\x1b[2;5~", {x(0x92)}},
        {"shift F1", "\x1b[1;2P", {x(0x54)}},     {"ctrl F1", "\x1b[1;5P", {x(0x5E)}},
        {"alt F1", "\x1b[1;3P", {x(0x68)}},       {"shift F5", "\x1b[15;2~", {x(0x58)}},
        {"alt F10", "\x1b[21;3~", {x(0x71)}},     {"ctrl F12", "\x1b[24;5~", {x(0x8A)}},
        {"meta up as alt", "\x1b[1;9A", {x(0x98)}},
        {"ss3 with modifier", "\x1bO5P", {x(0x5E)}},
        // ESC before a sequence is Alt.
        {"esc esc up", "\x1b\x1b[A", {x(0x98)}},
        {"shift tab", "\x1b[Z", {x(0x0F)}},
        {"ctrl F3 is not a report", "\x1b[1;5R", {x(0x60)}},
    });
}

TEST(TermDecoder, CharactersAltAndControl) {
    check({
        {"letters", "aZ", {'a', 'Z'}},
        {"enter", "\r", {13}},
        {"ctrl enter", "\n", {10}},
        {"tab", "\t", {9}},
        {"del is backspace", "\x7f", {8}},
        {"ctrl h is backspace", "\x08", {8}},
        {"ctrl a, ctrl z", "\x01\x1a", {1, 26}},
        {"ctrl space", std::string("\0", 1), {x(0x03)}},
        {"alt a", "\x1b" "a", {x(0x1E)}},
        {"alt shift a", "\x1b" "A", {x(0x1E)}},
        {"alt z", "\x1bz", {x(0x2C)}},
        {"alt 1", "\x1b" "1", {x(0x78)}},
        {"alt minus", "\x1b-", {x(0x82)}},
        {"alt backspace", "\x1b\x7f", {x(0xE0)}},
        {"alt !", "\x1b!", {'!'}},
        {"lone escape after the pause", "\x1b", {27}},
        // Escape pressed twice or three times quickly is that many Escapes.
        {"two escapes", "\x1b\x1b", {27, 27}},
        {"three escapes", "\x1b\x1b\x1b", {27, 27, 27}},
        {"escape then alt a", "\x1b\x1b" "a", {27, x(0x1E)}},
        {"alt [ after the pause", "\x1b[", {x(0x1A)}},
        {"alt O after the pause", "\x1bO", {x(0x18)}},
    });
    // Escape then a letter after the pause are two keys.
    EXPECT_EQ(codes_with_pauses("\x1b|a"), (std::vector<int32_t>{27, 'a'}));
    // A sequence split across reads within the pause is still one key: the
    // first read leaves it waiting without a key, the second completes it.
    const char* const splits[] = {"\x1b", "\x1b[", "\x1b[1", "\x1b[1;", "\x1b[1;5"};
    for (const std::string first : splits) {
        Feeder f;
        f.feed(first);
        EXPECT_TRUE(f.codes.empty()) << first.size();
        EXPECT_TRUE(term_decoder_pending(f.d)) << first.size();
        f.feed(std::string("\x1b[1;5A").substr(first.size()));
        f.pause();
        EXPECT_EQ(f.codes, (std::vector<int32_t>{x(0x8D)})) << first.size();
    }
}

TEST(TermDecoder, BrokenAndUnknownSequencesAreDroppedWhole) {
    check({
        {"unknown final", "\x1b[x", {}},
        {"unknown number", "\x1b[99~", {}},
        {"zero number", "\x1b[0~", {}},
        {"mouse report", "\x1b[<0;10;5M", {}},
        {"private marker", "\x1b[?1;2c", {}},
        {"too many fields", "\x1b[1;2;3A", {}},
        {"letter with a number", "\x1b[2A", {}},
        {"huge number", "\x1b[123456789~", {}},
        {"parameters overflow", "\x1b[" + std::string(40, '1') + "~", {}},
        {"unknown ss3", "\x1bOz", {}},
        {"truncated csi", "\x1b[1;5", {}},
        {"truncated ss3 modifier", "\x1bO5", {}},
        {"bad linux form", "\x1b[[Z", {}},
        {"then the next key", "\x1b[99~a", {'a'}},
        // A control byte ends the sequence and counts as its own key.
        {"control inside", "\x1b[1;\x01", {1}},
        {"escape inside restarts", "\x1b[1\x1b[A", {x(0x48)}},
        {"cursor report unasked is ctrl F3 or dropped", "\x1b[12;40R", {}},
    });
}

TEST(TermDecoder, CursorReportWhenAsked) {
    EXPECT_EQ(codes_of("a\x1b[12;40Rb", true), (std::vector<int32_t>{'a', -12040, 'b'}));
    // Only the first report answers the question.
    EXPECT_EQ(codes_of("\x1b[1;5R\x1b[1;5R", true), (std::vector<int32_t>{-1005, x(0x60)}));
}

TEST(TermDecoder, Utf8ToCodePage437) {
    check({
        {"e acute", "\xc3\xa9", {0x82}},
        {"n tilde", "\xc3\xb1", {0xA4}},
        {"light shade", "\xe2\x96\x91", {0xB0}},
        {"beta", "\xc3\x9f", {0xE1}},
        {"house", "\xe2\x8c\x82", {127}},
        {"no 437 form", "\xe2\x82\xac", {}},
        {"emoji", "\xf0\x9f\x98\x80", {}},
        {"control glyph is no key", "\xe2\x98\xba", {}},
        {"overlong", "\xc0\x80\xe0\x80\x80", {}},
        {"surrogate", "\xed\xa0\x80", {}},
        {"stray continuation", "\x80\xbf", {}},
        {"truncated then ascii", "\xc3" "a", {'a'}},
        {"truncated at the end", "\xe2\x96", {}},
    });
    TermDecoder legacy;
    legacy.utf8_input = false;
    TermEvent e[kTermEventsPerStep];
    ASSERT_EQ(term_decoder_feed(legacy, 0x82, e), 1);
    EXPECT_EQ(e[0].character, 0x82);
}

TEST(TermDecoder, RandomBytesAlwaysSettle) {
    std::mt19937 random(12345);
    TermEvent events[kTermEventsPerStep];
    for (int round = 0; round < 2000; ++round) {
        TermDecoder d;
        d.expect_answers = round % 2;
        const int n = static_cast<int>(random() % 24);
        for (int i = 0; i < n; ++i) {
            // Bias towards the bytes that sequences are made of.
            static const char alphabet[] = "\x1b[O;0123456789~ABCDHFPQRSZ\x7f\xc3\xa9\xe2\x96?<_$tcyMm\\";
            const uint8_t b = random() % 3 ? static_cast<uint8_t>(alphabet[random() % (sizeof alphabet - 1)])
                                           : static_cast<uint8_t>(random());
            const int count = term_decoder_feed(d, b, events);
            ASSERT_LE(count, kTermEventsPerStep);
            for (int k = 0; k < count; ++k) EXPECT_LE(events[k].scan_code, 0x58);
        }
        // An answer awaited is waited for; once none is, everything settles.
        d.expect_answers = false;
        term_decoder_timeout(d, events);
        EXPECT_FALSE(term_decoder_pending(d));
    }
}

}  // namespace
