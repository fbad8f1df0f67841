#include "console/term_decoder.h"

#include <string_view>

#include "console/cp437.h"
#include "runtime/key_codes.h"

namespace pantalla::detail {

namespace {

struct KeyPlace {
    uint8_t scan_code;
    uint8_t virtual_key;
    bool shift;
};

// Where each printable ASCII character sits on a US keyboard, so that an
// Alt+character sequence translates as it would from the real key.
KeyPlace ascii_key(uint8_t c) {
    static constexpr uint8_t letter_scan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22,
                                                0x23, 0x17, 0x24, 0x25, 0x26, 0x32, 0x31,
                                                0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16,
                                                0x2F, 0x11, 0x2D, 0x15, 0x2C};
    struct Symbol {
        char plain, shifted;
        uint8_t scan_code, virtual_key;
    };
    static constexpr Symbol symbols[] = {
        {'1', '!', 0x02, 0x31}, {'2', '@', 0x03, 0x32}, {'3', '#', 0x04, 0x33},
        {'4', '$', 0x05, 0x34}, {'5', '%', 0x06, 0x35}, {'6', '^', 0x07, 0x36},
        {'7', '&', 0x08, 0x37}, {'8', '*', 0x09, 0x38}, {'9', '(', 0x0A, 0x39},
        {'0', ')', 0x0B, 0x30}, {'-', '_', 0x0C, 0xBD}, {'=', '+', 0x0D, 0xBB},
        {'[', '{', 0x1A, 0xDB}, {']', '}', 0x1B, 0xDD}, {';', ':', 0x27, 0xBA},
        {'\'', '"', 0x28, 0xDE}, {'`', '~', 0x29, 0xC0}, {'\\', '|', 0x2B, 0xDC},
        {',', '<', 0x33, 0xBC}, {'.', '>', 0x34, 0xBE}, {'/', '?', 0x35, 0xBF},
        {' ', ' ', 0x39, 0x20}};
    if (c >= 'a' && c <= 'z') return {letter_scan[c - 'a'], static_cast<uint8_t>(c - 32), false};
    if (c >= 'A' && c <= 'Z') return {letter_scan[c - 'A'], c, true};
    for (const Symbol& s : symbols) {
        if (c == static_cast<uint8_t>(s.plain)) return {s.scan_code, s.virtual_key, false};
        if (c == static_cast<uint8_t>(s.shifted)) return {s.scan_code, s.virtual_key, true};
    }
    return {0, 0, false};
}

TermEvent key(uint8_t character, uint16_t scan_code, uint16_t virtual_key, uint32_t state) {
    return {TermEvent::key, character, scan_code, virtual_key, state, 0, 0};
}

// A single byte as the key that types it; `alt` when an ESC came first.
TermEvent byte_key(uint8_t c, bool alt) {
    const uint32_t alt_state = alt ? kLeftAltPressed : 0;
    switch (c) {
        // Ctrl+2 (also Ctrl+Space and Ctrl+@ on a terminal).
        case 0: return key('2', 0x03, 0x32, kLeftCtrlPressed | alt_state);
        case 8:
        case 127: return key(8, 0x0E, 0x08, alt_state);
        case 9: return key(9, 0x0F, 0x09, alt_state);
        case 10: return key(10, 0x1C, 0x0D, kLeftCtrlPressed | alt_state);
        case 13: return key(13, 0x1C, 0x0D, alt_state);
        case 27: return key(27, 0x01, 0x1B, alt_state);
        default: break;
    }
    if (c < 27) {
        const KeyPlace place = ascii_key(static_cast<uint8_t>(c + 'a' - 1));
        return key(c, place.scan_code, place.virtual_key, kLeftCtrlPressed | alt_state);
    }
    if (c >= 128) return key(c, 0, 0, 0);
    const KeyPlace place = ascii_key(c);
    return key(c, place.scan_code, place.virtual_key,
               alt_state | (place.shift ? kShiftPressed : 0));
}

// The modifier parameter of a sequence (1 + bits: shift 1, alt 2, ctrl 4,
// meta 8) as control-state bits.
uint32_t modifier_state(int32_t param) {
    const int32_t bits = param > 1 ? param - 1 : 0;
    uint32_t state = 0;
    if (bits & 1) state |= kShiftPressed;
    if (bits & (2 | 8)) state |= kLeftAltPressed;
    if (bits & 4) state |= kLeftCtrlPressed;
    return state;
}

struct NamedKey {
    uint8_t scan_code, virtual_key;
    bool enhanced;
};

constexpr NamedKey kUp{0x48, 0x26, true}, kDown{0x50, 0x28, true}, kRight{0x4D, 0x27, true},
    kLeft{0x4B, 0x25, true}, kHome{0x47, 0x24, true}, kEnd{0x4F, 0x23, true},
    kInsert{0x52, 0x2D, true}, kDelete{0x53, 0x2E, true}, kPageUp{0x49, 0x21, true},
    kPageDown{0x51, 0x22, true}, kCentre{0x4C, 0x0C, false}, kNone{0, 0, false};

constexpr NamedKey function_key(int n) {
    if (n <= 10) return {static_cast<uint8_t>(0x3A + n), static_cast<uint8_t>(0x6F + n), false};
    return {static_cast<uint8_t>(0x57 + n - 11), static_cast<uint8_t>(0x7A + n - 11), false};
}

// The key a final letter names, in the CSI and SS3 forms alike.
NamedKey letter_key(uint8_t final_byte) {
    switch (final_byte) {
        case 'A': return kUp;
        case 'B': return kDown;
        case 'C': return kRight;
        case 'D': return kLeft;
        case 'H': return kHome;
        case 'F': return kEnd;
        case 'E':
        case 'G': return kCentre;  // keypad 5 with Num Lock off; G on the Linux console
        case 'P': return function_key(1);
        case 'Q': return function_key(2);
        case 'R': return function_key(3);
        case 'S': return function_key(4);
        default: return kNone;
    }
}

// The key of CSI number ~.
NamedKey tilde_key(int32_t number) {
    switch (number) {
        case 1:
        case 7: return kHome;
        case 2: return kInsert;
        case 3: return kDelete;
        case 4:
        case 8: return kEnd;
        case 5: return kPageUp;
        case 6: return kPageDown;
        case 11: case 12: case 13: case 14: case 15: return function_key(number - 10);
        case 17: case 18: case 19: case 20: case 21: return function_key(number - 11);
        case 23: return function_key(11);
        case 24: return function_key(12);
        default: return kNone;
    }
}

// The Linux console and rxvt send Shift+F3 to Shift+F10 as numbers of
// their own (Shift+F1 and F2 are F11 and F12 there).
bool shifted_function_key(int32_t number, NamedKey* k) {
    static constexpr int8_t numbers[] = {25, 26, 28, 29, 31, 32, 33, 34};
    for (int i = 0; i < 8; ++i)
        if (numbers[i] == number) {
            *k = function_key(3 + i);
            return true;
        }
    return false;
}

// rxvt ends a numbered key with $ for Shift, ^ for Ctrl and @ for both.
uint32_t rxvt_final_state(uint8_t final_byte) {
    switch (final_byte) {
        case '$': return kShiftPressed;
        case '^': return kLeftCtrlPressed;
        case '@': return kLeftCtrlPressed | kShiftPressed;
        default: return 0;
    }
}

bool is_numbered_final(uint8_t final_byte) {
    return final_byte == '~' || rxvt_final_state(final_byte) != 0;
}

// A keypad key in application mode (SS3 and a letter), as the character it
// types with Num Lock on.
struct KeypadKey {
    uint8_t final_byte, character, scan_code, virtual_key;
};
constexpr KeypadKey keypad_keys[] = {
    {'p', '0', 0x52, 0x60}, {'q', '1', 0x4F, 0x61}, {'r', '2', 0x50, 0x62}, {'s', '3', 0x51, 0x63},
    {'t', '4', 0x4B, 0x64}, {'u', '5', 0x4C, 0x65}, {'v', '6', 0x4D, 0x66}, {'w', '7', 0x47, 0x67},
    {'x', '8', 0x48, 0x68}, {'y', '9', 0x49, 0x69}, {'j', '*', 0x37, 0x6A}, {'k', '+', 0x4E, 0x6B},
    {'m', '-', 0x4A, 0x6D}, {'n', '.', 0x53, 0x6E},
};

TermEvent named(const NamedKey& k, uint32_t state) {
    return key(0, k.scan_code, k.virtual_key, state | (k.enhanced ? kEnhancedKey : 0));
}

// Splits "n;m" into at most two numbers; false when the parameters hold
// anything else (private markers, sub-parameters, too many fields).
bool parse_params(const TermDecoder& d, int32_t* first, int32_t* second, int* count) {
    int32_t values[2] = {-1, -1};
    int n = 0;
    int32_t current = -1;
    for (uint8_t i = 0; i < d.length; ++i) {
        const char c = d.params[i];
        if (c >= '0' && c <= '9') {
            current = (current < 0 ? 0 : current) * 10 + (c - '0');
            if (current > 9999) return false;
        } else if (c == ';') {
            if (n == 1) return false;
            values[n++] = current;
            current = -1;
        } else {
            return false;
        }
    }
    values[n++] = current;
    *first = values[0];
    *second = values[1];
    *count = d.length == 0 ? 0 : n;
    return true;
}

// The numbers of "n;m;..." from params[from] on, -1 for an empty field,
// and whether a '$' ended them; false for anything else.
struct Numbers {
    int32_t values[sizeof TermDecoder::params + 1];  // one per field, empty ones too
    int count = 0;
    bool dollar = false;
};

bool parse_numbers(const TermDecoder& d, uint8_t from, Numbers* n) {
    int32_t current = -1;
    for (uint8_t i = from; i < d.length; ++i) {
        const char c = d.params[i];
        if (c >= '0' && c <= '9') {
            current = (current < 0 ? 0 : current) * 10 + (c - '0');
            if (current > 999999) return false;
        } else if (c == ';') {
            n->values[n->count++] = current;
            current = -1;
        } else if (c == '$' && i + 1 == d.length) {
            n->dollar = true;
        } else {
            return false;
        }
    }
    n->values[n->count++] = current;
    return true;
}

TermEvent report(TermEvent::Kind kind, int32_t row, int32_t col) { return {kind, 0, 0, 0, 0, row, col}; }

// A sequence with a private marker: an answer to a query or a mouse report,
// never a key.
bool private_event(TermDecoder& d, uint8_t final_byte, TermEvent* out) {
    Numbers n;
    if (!parse_numbers(d, 1, &n)) return false;
    const int32_t* v = n.values;
    if (d.params[0] == '<') {
        if ((final_byte != 'M' && final_byte != 'm') || n.count != 3 || v[0] < 0 || v[1] < 1 || v[2] < 1 || n.dollar)
            return false;
        *out = {TermEvent::mouse, final_byte, 0, 0, static_cast<uint32_t>(v[0]), v[2], v[1]};
        return true;
    }
    if (final_byte == 'c') {
        // Everything asked before it has been answered by now.
        d.expect_answers = false;
        bool sixel = false;
        for (int i = 1; i < n.count; ++i) sixel = sixel || v[i] == 4;
        *out = report(TermEvent::attributes, 0, sixel ? 1 : 0);
        return true;
    }
    // Graphics attribute 1 (colour registers) read with success (0).
    if (final_byte == 'S' && n.count == 3 && v[0] == 1 && v[1] == 0 && v[2] > 0) {
        *out = report(TermEvent::colour_registers, 0, v[2]);
        return true;
    }
    if (final_byte == 'y' && n.dollar && n.count == 2 && v[0] > 0) {
        *out = report(TermEvent::mode_report, v[0], v[1] < 0 ? 0 : v[1]);
        return true;
    }
    return false;
}

// CSI 6;h;w t and CSI 4;h;w t: a cell's and the text area's size in pixels.
bool window_report(const TermDecoder& d, TermEvent* out) {
    Numbers n;
    if (!parse_numbers(d, 0, &n) || n.dollar || n.count != 3 || n.values[1] <= 0 || n.values[2] <= 0) return false;
    if (n.values[0] != 6 && n.values[0] != 4) return false;
    *out = report(n.values[0] == 6 ? TermEvent::cell_pixels : TermEvent::text_pixels, n.values[1], n.values[2]);
    return true;
}

// A complete CSI sequence; true with `out` filled when it names a key, a
// report or an answer.
bool csi_event(TermDecoder& d, uint8_t final_byte, TermEvent* out) {
    if (d.length > 0 && (d.params[0] == '?' || d.params[0] == '<')) return private_event(d, final_byte, out);
    if (final_byte == 't') return window_report(d, out);
    int32_t first = -1, second = -1;
    int count = 0;
    if (!parse_params(d, &first, &second, &count)) return false;
    const uint32_t alt = d.alt ? kLeftAltPressed : 0;
    if (final_byte == 'R' && d.expect_report && count == 2 && first >= 1 && second >= 1) {
        d.expect_report = false;
        *out = {TermEvent::cursor_report, 0, 0, 0, 0, first, second};
        return true;
    }
    if (is_numbered_final(final_byte)) {
        NamedKey k = tilde_key(first);
        uint32_t state = modifier_state(second) | rxvt_final_state(final_byte) | alt;
        if (k.scan_code == 0 && shifted_function_key(first, &k)) state |= kShiftPressed;
        if (k.scan_code == 0) return false;
        *out = named(k, state);
        return true;
    }
    // rxvt: Shift with the cursor keys turns their letter into lower case.
    if (final_byte >= 'a' && final_byte <= 'd' && count == 0) {
        *out = named(letter_key(static_cast<uint8_t>(final_byte - 'a' + 'A')), kShiftPressed | alt);
        return true;
    }
    if (final_byte == 'Z' && count == 0) {
        *out = key(9, 0x0F, 0x09, kShiftPressed | alt);
        return true;
    }
    // Letter forms take no number, or 1 followed by the modifier.
    const NamedKey k = letter_key(final_byte);
    if (k.scan_code == 0) return false;
    if (count == 2 && first != 1 && first != -1) return false;
    if (count == 1 && first != 1 && first != -1) return false;
    *out = named(k, modifier_state(second) | alt);
    return true;
}

// The key of SS3 letter (application cursor keys, F1-F4, keypad Enter); a
// digit before the letter is a modifier in some terminals.
bool ss3_event(const TermDecoder& d, uint8_t final_byte, TermEvent* out) {
    int32_t modifier = -1;
    for (uint8_t i = 0; i < d.length; ++i) {
        if (d.params[i] < '0' || d.params[i] > '9' || i > 1) return false;
        modifier = (modifier < 0 ? 0 : modifier) * 10 + (d.params[i] - '0');
    }
    const uint32_t state = modifier_state(modifier) | (d.alt ? kLeftAltPressed : 0);
    if (final_byte == 'M') {
        // Ctrl+Enter types a line feed, as on the main Enter key.
        const uint8_t typed = (state & kCtrlPressed) && !(state & kAltPressed) ? 10 : 13;
        *out = key(typed, 0x1C, 0x0D, state | kEnhancedKey);
        return true;
    }
    if (final_byte == 'o') {
        *out = key('/', 0x35, 0x6F, state | kEnhancedKey);
        return true;
    }
    for (const KeypadKey& k : keypad_keys)
        if (k.final_byte == final_byte) {
            *out = key(k.character, k.scan_code, k.virtual_key, state);
            return true;
        }
    // The keypad comma and equals of terminals that have them: no such key
    // on a PC keypad, so the character as typed elsewhere.
    if (final_byte == 'l' || final_byte == 'X') {
        const TermEvent typed = byte_key(final_byte == 'l' ? ',' : '=', false);
        *out = key(typed.character, typed.scan_code, typed.virtual_key, typed.control_state | state);
        return true;
    }
    // rxvt: Ctrl with the cursor keys.
    if (final_byte >= 'a' && final_byte <= 'd') {
        *out = named(letter_key(static_cast<uint8_t>(final_byte - 'a' + 'A')), state | kLeftCtrlPressed);
        return true;
    }
    const NamedKey k = letter_key(final_byte);
    if (k.scan_code == 0) return false;
    *out = named(k, state);
    return true;
}

void reset(TermDecoder& d) {
    d.state = TermDecoder::ground;
    d.alt = false;
    d.broken = false;
    d.length = 0;
}

int ground_byte(TermDecoder& d, uint8_t c, TermEvent* out) {
    if (c == 27) {
        d.state = TermDecoder::escape;
        d.alt = false;
        return 0;
    }
    if (c < 0x80 || !d.utf8_input) {
        out[0] = byte_key(c, false);
        return 1;
    }
    // A UTF-8 lead byte: C2-DF one more, E0-EF two, F0-F4 three.
    if (c >= 0xC2 && c <= 0xDF) {
        d.utf8_left = 1, d.utf8_value = c & 0x1F, d.utf8_min = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        d.utf8_left = 2, d.utf8_value = c & 0x0F, d.utf8_min = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        d.utf8_left = 3, d.utf8_value = c & 0x07, d.utf8_min = 0x10000;
    } else {
        return 0;
    }
    d.state = TermDecoder::utf8;
    return 0;
}

int utf8_byte(TermDecoder& d, uint8_t c, TermEvent* out) {
    if ((c & 0xC0) != 0x80) {
        reset(d);
        return ground_byte(d, c, out);
    }
    d.utf8_value = d.utf8_value << 6 | (c & 0x3F);
    if (--d.utf8_left > 0) return 0;
    reset(d);
    const char32_t u = d.utf8_value;
    if (u < d.utf8_min || u > 0x10FFFF) return 0;
    // Glyphs of control bytes would act as control keys; they are not typed.
    const int32_t byte = unicode_to_cp437(u);
    if (byte < 32) return 0;
    // The house glyph is typed as itself, not as the Backspace that DEL is.
    out[0] = byte == 127 ? key(127, 0, 0, 0) : byte_key(static_cast<uint8_t>(byte), false);
    return 1;
}

int escape_byte(TermDecoder& d, uint8_t c, TermEvent* out) {
    if (c == '_' && d.expect_answers && !d.alt) {
        d.state = TermDecoder::string;
        d.length = 0;
        return 0;
    }
    if (c == '[') {
        d.state = TermDecoder::csi;
        d.length = 0;
        return 0;
    }
    if (c == 'O') {
        d.state = TermDecoder::ss3;
        d.length = 0;
        return 0;
    }
    if (c == 27) {
        // ESC ESC is Alt before a sequence, or two presses of Escape; a
        // third ESC settles the first as Escape.
        if (!d.alt) {
            d.alt = true;
            return 0;
        }
        out[0] = byte_key(27, false);
        return 1;
    }
    if (d.alt) {
        // Escape, then ESC and this byte as one Alt key.
        out[0] = byte_key(27, false);
        d.alt = false;
        return 1 + escape_byte(d, c, out + 1);
    }
    reset(d);
    if (c >= 0x80) return ground_byte(d, c, out);
    out[0] = byte_key(c, true);
    return 1;
}

int sequence_byte(TermDecoder& d, uint8_t c, TermEvent* out) {
    // A control or non-ASCII byte cannot be part of a sequence: the
    // sequence is dropped and the byte is a key of its own.
    if (c < 0x20 || c >= 0x7F) {
        reset(d);
        return ground_byte(d, c, out);
    }
    if (d.state == TermDecoder::csi_bracket) {
        const bool f_key = c >= 'A' && c <= 'E';
        const bool alt = d.alt;
        reset(d);
        if (!f_key) return 0;
        out[0] = named(function_key(c - 'A' + 1), alt ? kLeftAltPressed : 0);
        return 1;
    }
    // rxvt's Shift form of a numbered key ends in $, which elsewhere would
    // be an intermediate byte.
    const bool rxvt_shift = d.state == TermDecoder::csi && c == '$' && d.length > 0 && d.params[0] >= '0' &&
                            d.params[0] <= '9';
    if (c < 0x40 && !rxvt_shift) {
        if (d.length == sizeof d.params)
            d.broken = true;
        else
            d.params[d.length++] = static_cast<char>(c);
        return 0;
    }
    if (d.state == TermDecoder::csi && c == '[' && d.length == 0) {
        d.state = TermDecoder::csi_bracket;
        return 0;
    }
    bool found = false;
    if (!d.broken)
        found = d.state == TermDecoder::csi ? csi_event(d, c, out) : ss3_event(d, c, out);
    reset(d);
    return found ? 1 : 0;
}

// An application string (ESC _ ... ESC \ or BEL): the graphics query's
// answer is "G" and its keys, then ";OK" or an error. A control byte
// other than its ends cannot be part of it: the string is dropped and the
// byte is a key of its own, so an answer cut short swallows no Enter.
int string_byte(TermDecoder& d, uint8_t c, TermEvent* out) {
    if (d.state == TermDecoder::string_escape && c != '\\') {
        reset(d);
        d.state = TermDecoder::escape;
        return escape_byte(d, c, out);
    }
    if (c == 27) {
        d.state = TermDecoder::string_escape;
        return 0;
    }
    if (c < 0x20 && c != 7 && d.state == TermDecoder::string) {
        reset(d);
        return ground_byte(d, c, out);
    }
    if (d.state == TermDecoder::string && c != 7) {
        if (d.length == sizeof d.params)
            d.broken = true;
        else
            d.params[d.length++] = static_cast<char>(c);
        return 0;
    }
    const std::string_view body(d.params, d.length);
    const bool graphics = !body.empty() && body[0] == 'G', ok = !d.broken && body.ends_with(";OK");
    reset(d);
    if (!graphics) return 0;
    *out = report(TermEvent::kitty_graphics, 0, ok ? 1 : 0);
    return 1;
}

}  // namespace

int term_decoder_feed(TermDecoder& d, uint8_t byte, TermEvent* out) {
    switch (d.state) {
        case TermDecoder::ground: return ground_byte(d, byte, out);
        case TermDecoder::escape: return escape_byte(d, byte, out);
        case TermDecoder::utf8: return utf8_byte(d, byte, out);
        case TermDecoder::csi:
        case TermDecoder::csi_bracket:
        case TermDecoder::ss3: return sequence_byte(d, byte, out);
        case TermDecoder::string:
        case TermDecoder::string_escape: return string_byte(d, byte, out);
    }
    return 0;
}

int term_decoder_timeout(TermDecoder& d, TermEvent* out) {
    // An answer that arrives in pieces (a slow link) is waited for: no key
    // starts like one.
    const bool answer = (d.state == TermDecoder::csi && d.length > 0 && d.params[0] == '?') ||
                        (d.state == TermDecoder::string && d.length > 0);
    if (d.expect_answers && answer) return 0;
    const TermDecoder::State state = d.state;
    const bool alt = d.alt, no_params = d.length == 0;
    reset(d);
    switch (state) {
        // A second ESC that nothing followed was a second press of Escape.
        case TermDecoder::escape:
            out[0] = byte_key(27, false);
            if (!alt) return 1;
            out[1] = out[0];
            return 2;
        // ESC [ and ESC O with nothing after them were Alt+[ and Alt+O.
        case TermDecoder::csi:
            if (!no_params || alt) return 0;
            out[0] = byte_key('[', true);
            return 1;
        case TermDecoder::ss3:
            if (!no_params || alt) return 0;
            out[0] = byte_key('O', true);
            return 1;
        // ESC _ alone was the user's Alt+_, typed while answers were awaited.
        case TermDecoder::string:
            if (!no_params) return 0;
            out[0] = byte_key('_', true);
            return 1;
        default: return 0;
    }
}

bool term_decoder_pending(const TermDecoder& d) { return d.state != TermDecoder::ground; }

}  // namespace pantalla::detail
