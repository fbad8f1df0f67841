#include "console/web/web_events.h"

#include <emscripten.h>

#include <cstring>

#include "console/cp437.h"
#include "runtime/key_codes.h"

namespace pantalla::detail {

namespace {

// The page script's key queue (dice_page.js), short and bounded: entries
// [kind, character, modifiers, code], a paste [3, text, characters read].
EM_JS(int, take_page_event, (int32_t* ints, char* code, int code_size, int take_text), {
    const q = Module.diceEvents;
    if (!q || !q.length) return 0;
    const e = q[0];
    HEAP32[ints >> 2] = e[0];
    if (e[0] == 3) {
        if (!take_text) return 0;
        const c = e[1].codePointAt(e[2]);
        e[2] += c > 0xFFFF ? 2 : 1;
        if (e[2] >= e[1].length) q.shift();
        HEAP32[(ints >> 2) + 1] = c;
        HEAP32[(ints >> 2) + 2] = 0;
        stringToUTF8("", code, code_size);
        return 1;
    }
    q.shift();
    HEAP32[(ints >> 2) + 1] = e[1];
    HEAP32[(ints >> 2) + 2] = e[2];
    stringToUTF8(e[3], code, code_size);
    return 1;
});

EM_JS(void, take_page_state, (int32_t* ints), {
    const s = Module.diceState;
    if (!s) return;
    [s.moved, s.x, s.y, s.buttons, s.wheel, s.focus, s.closed].forEach(function(v, i) { HEAP32[(ints >> 2) + i] = v; });
    s.moved = s.closed = false;
    s.wheel = 0;
    s.focus = -1;
});

// Sleeps until the page queues an event or `ms` have passed.
EM_ASYNC_JS(void, page_wait, (int ms), {
    await new Promise(function(resume) {
        var timer = setTimeout(function() {
            Module.diceWake = null;
            resume();
        }, ms);
        Module.diceWake = function() {
            clearTimeout(timer);
            Module.diceWake = null;
            resume();
        };
    });
});

EM_JS(int, page_events_waiting, (), {
    const s = Module.diceState;
    const changed = s && (s.moved || s.wheel || s.focus >= 0 || s.closed);
    return (Module.diceEvents && Module.diceEvents.length) || changed ? 1 : 0;
});

// KeyboardEvent.code to the PC key: set-1 scan code, virtual key and
// whether Windows flags it enhanced. The keypad's digit keys give their
// digit's virtual key with Num Lock and the cursor key's without.
struct DomKey {
    const char* code;
    uint8_t scan, vk, vk_no_num_lock;
    bool enhanced;
};

constexpr DomKey dom_keys[] = {
    {.code = "Escape", .scan = 0x01, .vk = 0x1B},
    {.code = "Digit1", .scan = 0x02, .vk = '1'}, {.code = "Digit2", .scan = 0x03, .vk = '2'},
    {.code = "Digit3", .scan = 0x04, .vk = '3'}, {.code = "Digit4", .scan = 0x05, .vk = '4'},
    {.code = "Digit5", .scan = 0x06, .vk = '5'}, {.code = "Digit6", .scan = 0x07, .vk = '6'},
    {.code = "Digit7", .scan = 0x08, .vk = '7'}, {.code = "Digit8", .scan = 0x09, .vk = '8'},
    {.code = "Digit9", .scan = 0x0A, .vk = '9'}, {.code = "Digit0", .scan = 0x0B, .vk = '0'},
    {.code = "Minus", .scan = 0x0C, .vk = 0xBD}, {.code = "Equal", .scan = 0x0D, .vk = 0xBB},
    {.code = "Backspace", .scan = 0x0E, .vk = 0x08}, {.code = "Tab", .scan = 0x0F, .vk = 0x09},
    {.code = "KeyQ", .scan = 0x10, .vk = 'Q'}, {.code = "KeyW", .scan = 0x11, .vk = 'W'},
    {.code = "KeyE", .scan = 0x12, .vk = 'E'}, {.code = "KeyR", .scan = 0x13, .vk = 'R'},
    {.code = "KeyT", .scan = 0x14, .vk = 'T'}, {.code = "KeyY", .scan = 0x15, .vk = 'Y'},
    {.code = "KeyU", .scan = 0x16, .vk = 'U'}, {.code = "KeyI", .scan = 0x17, .vk = 'I'},
    {.code = "KeyO", .scan = 0x18, .vk = 'O'}, {.code = "KeyP", .scan = 0x19, .vk = 'P'},
    {.code = "BracketLeft", .scan = 0x1A, .vk = 0xDB}, {.code = "BracketRight", .scan = 0x1B, .vk = 0xDD},
    {.code = "Enter", .scan = 0x1C, .vk = 0x0D}, {.code = "ControlLeft", .scan = 0x1D, .vk = 0x11},
    {.code = "KeyA", .scan = 0x1E, .vk = 'A'}, {.code = "KeyS", .scan = 0x1F, .vk = 'S'},
    {.code = "KeyD", .scan = 0x20, .vk = 'D'}, {.code = "KeyF", .scan = 0x21, .vk = 'F'},
    {.code = "KeyG", .scan = 0x22, .vk = 'G'}, {.code = "KeyH", .scan = 0x23, .vk = 'H'},
    {.code = "KeyJ", .scan = 0x24, .vk = 'J'}, {.code = "KeyK", .scan = 0x25, .vk = 'K'},
    {.code = "KeyL", .scan = 0x26, .vk = 'L'}, {.code = "Semicolon", .scan = 0x27, .vk = 0xBA},
    {.code = "Quote", .scan = 0x28, .vk = 0xDE}, {.code = "Backquote", .scan = 0x29, .vk = 0xC0},
    {.code = "ShiftLeft", .scan = 0x2A, .vk = 0x10}, {.code = "Backslash", .scan = 0x2B, .vk = 0xDC},
    {.code = "KeyZ", .scan = 0x2C, .vk = 'Z'}, {.code = "KeyX", .scan = 0x2D, .vk = 'X'},
    {.code = "KeyC", .scan = 0x2E, .vk = 'C'}, {.code = "KeyV", .scan = 0x2F, .vk = 'V'},
    {.code = "KeyB", .scan = 0x30, .vk = 'B'}, {.code = "KeyN", .scan = 0x31, .vk = 'N'},
    {.code = "KeyM", .scan = 0x32, .vk = 'M'}, {.code = "Comma", .scan = 0x33, .vk = 0xBC},
    {.code = "Period", .scan = 0x34, .vk = 0xBE}, {.code = "Slash", .scan = 0x35, .vk = 0xBF},
    {.code = "ShiftRight", .scan = 0x36, .vk = 0x10}, {.code = "NumpadMultiply", .scan = 0x37, .vk = 0x6A},
    {.code = "AltLeft", .scan = 0x38, .vk = 0x12}, {.code = "Space", .scan = 0x39, .vk = 0x20},
    {.code = "CapsLock", .scan = 0x3A, .vk = 0x14},
    {.code = "F1", .scan = 0x3B, .vk = 0x70}, {.code = "F2", .scan = 0x3C, .vk = 0x71},
    {.code = "F3", .scan = 0x3D, .vk = 0x72}, {.code = "F4", .scan = 0x3E, .vk = 0x73},
    {.code = "F5", .scan = 0x3F, .vk = 0x74}, {.code = "F6", .scan = 0x40, .vk = 0x75},
    {.code = "F7", .scan = 0x41, .vk = 0x76}, {.code = "F8", .scan = 0x42, .vk = 0x77},
    {.code = "F9", .scan = 0x43, .vk = 0x78}, {.code = "F10", .scan = 0x44, .vk = 0x79},
    {.code = "NumLock", .scan = 0x45, .vk = 0x90}, {.code = "ScrollLock", .scan = 0x46, .vk = 0x91},
    {.code = "Numpad7", .scan = 0x47, .vk = 0x67, .vk_no_num_lock = 0x24},
    {.code = "Numpad8", .scan = 0x48, .vk = 0x68, .vk_no_num_lock = 0x26},
    {.code = "Numpad9", .scan = 0x49, .vk = 0x69, .vk_no_num_lock = 0x21},
    {.code = "NumpadSubtract", .scan = 0x4A, .vk = 0x6D},
    {.code = "Numpad4", .scan = 0x4B, .vk = 0x64, .vk_no_num_lock = 0x25},
    {.code = "Numpad5", .scan = 0x4C, .vk = 0x65, .vk_no_num_lock = 0x0C},
    {.code = "Numpad6", .scan = 0x4D, .vk = 0x66, .vk_no_num_lock = 0x27},
    {.code = "NumpadAdd", .scan = 0x4E, .vk = 0x6B},
    {.code = "Numpad1", .scan = 0x4F, .vk = 0x61, .vk_no_num_lock = 0x23},
    {.code = "Numpad2", .scan = 0x50, .vk = 0x62, .vk_no_num_lock = 0x28},
    {.code = "Numpad3", .scan = 0x51, .vk = 0x63, .vk_no_num_lock = 0x22},
    {.code = "Numpad0", .scan = 0x52, .vk = 0x60, .vk_no_num_lock = 0x2D},
    {.code = "NumpadDecimal", .scan = 0x53, .vk = 0x6E, .vk_no_num_lock = 0x2E},
    {.code = "IntlBackslash", .scan = 0x56, .vk = 0xE2},
    {.code = "F11", .scan = 0x57, .vk = 0x7A}, {.code = "F12", .scan = 0x58, .vk = 0x7B},
    {.code = "NumpadEnter", .scan = 0x1C, .vk = 0x0D, .enhanced = true},
    {.code = "ControlRight", .scan = 0x1D, .vk = 0x11, .enhanced = true},
    {.code = "NumpadDivide", .scan = 0x35, .vk = 0x6F, .enhanced = true},
    {.code = "PrintScreen", .scan = 0x37, .vk = 0x2C, .enhanced = true},
    {.code = "AltRight", .scan = 0x38, .vk = 0x12, .enhanced = true},
    {.code = "Pause", .scan = 0x45, .vk = 0x13},
    {.code = "Home", .scan = 0x47, .vk = 0x24, .enhanced = true},
    {.code = "ArrowUp", .scan = 0x48, .vk = 0x26, .enhanced = true},
    {.code = "PageUp", .scan = 0x49, .vk = 0x21, .enhanced = true},
    {.code = "ArrowLeft", .scan = 0x4B, .vk = 0x25, .enhanced = true},
    {.code = "ArrowRight", .scan = 0x4D, .vk = 0x27, .enhanced = true},
    {.code = "End", .scan = 0x4F, .vk = 0x23, .enhanced = true},
    {.code = "ArrowDown", .scan = 0x50, .vk = 0x28, .enhanced = true},
    {.code = "PageDown", .scan = 0x51, .vk = 0x22, .enhanced = true},
    {.code = "Insert", .scan = 0x52, .vk = 0x2D, .enhanced = true},
    {.code = "Delete", .scan = 0x53, .vk = 0x2E, .enhanced = true},
    {.code = "MetaLeft", .scan = 0x5B, .vk = 0x5B, .enhanced = true},
    {.code = "MetaRight", .scan = 0x5C, .vk = 0x5C, .enhanced = true},
    {.code = "ContextMenu", .scan = 0x5D, .vk = 0x5D, .enhanced = true},
};

const DomKey* find_key(const char* code) {
    for (const DomKey& k : dom_keys)
        if (std::strcmp(k.code, code) == 0) return &k;
    return nullptr;
}

// What Ctrl types with a key of the US layout, as Windows has it: letters
// their control character, a few punctuation keys the rest of the C0
// range, Enter a line feed, Backspace DEL; other keys nothing.
uint8_t ctrl_character(const DomKey& k, bool shift) {
    if (k.vk >= 'A' && k.vk <= 'Z') return static_cast<uint8_t>(k.vk & 0x1F);
    struct Row {
        uint8_t vk, plain, shifted;
    };
    constexpr Row rows[] = {{0xDB, 27, 0}, {0xDC, 28, 0}, {0xDD, 29, 0}, {'6', 0, 30}, {0xBD, 0, 31},
                            {0x0D, 10, 10}, {0x08, 127, 127}, {0x20, ' ', ' '}, {0x1B, 27, 27}};
    for (const Row& r : rows)
        if (r.vk == k.vk) return shift ? r.shifted : r.plain;
    return 0;
}

// The byte a key types without Ctrl: the page's character in code page
// 437, or the control character of the keys that type one.
uint8_t typed_character(const DomKey* k, char32_t typed) {
    if (typed >= 32 && typed != 127) {
        const int32_t b = unicode_to_cp437(typed);
        return b > 0 ? static_cast<uint8_t>(b) : 0;
    }
    if (!k) return 0;
    switch (k->vk) {
        case 0x08:
        case 0x09:
        case 0x0D:
        case 0x1B: return k->vk;
        default: return 0;
    }
}

}  // namespace

bool web_next_event(WebEvent* event, bool take_text) {
    int32_t ints[3];
    if (!take_page_event(ints, event->code, sizeof event->code, take_text ? 1 : 0)) return false;
    event->kind = ints[0];
    event->a = ints[1];
    event->b = ints[2];
    return true;
}

WebPageState web_take_state() {
    int32_t ints[7] = {0, -1, -1, 0, 0, -1, 0};
    take_page_state(ints);
    return {.pointer_moved = ints[0] != 0, .x = ints[1], .y = ints[2], .buttons = ints[3], .wheel = ints[4],
            .focus = ints[5], .closed = ints[6] != 0};
}

WebKey web_key_of(const WebEvent& event) {
    WebKey key{};
    const char32_t typed = static_cast<char32_t>(event.a);
    if (event.kind == WebEvent::text) {
        // Control characters as typed, a line end as Enter.
        key.character = typed == '\n' ? 13 : typed < 32 ? static_cast<uint8_t>(typed) : typed_character(nullptr, typed);
        return key;
    }
    const DomKey* k = find_key(event.code);
    const int32_t m = event.b;
    const bool alt_graph = m & kWebAltGraph;
    const bool shift = m & kWebShift;
    if (k) {
        key.scan_code = k->scan;
        const bool digit_typed = typed >= '0' && typed <= '9';
        key.virtual_key = k->vk_no_num_lock && !digit_typed && typed != '.' && typed != ',' ? k->vk_no_num_lock : k->vk;
        // Without Num Lock the keypad's keys are cursor keys, not enhanced.
        if (k->enhanced) key.control_state |= kEnhancedKey;
    }
    if (shift) key.control_state |= kShiftPressed;
    if (alt_graph) {
        key.control_state |= kRightAltPressed | kLeftCtrlPressed;  // as Windows reports AltGr
    } else {
        if (m & kWebCtrlLeft) key.control_state |= kLeftCtrlPressed;
        if (m & kWebCtrlRight) key.control_state |= kRightCtrlPressed;
        if (m & kWebAltLeft) key.control_state |= kLeftAltPressed;
        if (m & kWebAltRight) key.control_state |= kRightAltPressed;
    }
    const bool ctrl = !alt_graph && (m & (kWebCtrlLeft | kWebCtrlRight));
    if (ctrl)
        key.character = k ? ctrl_character(*k, shift) : 0;
    else
        key.character = typed_character(k, typed);
    return key;
}

void web_wait_events(int32_t ms) {
    if (ms > 0 && !page_events_waiting()) page_wait(ms);
}

}  // namespace pantalla::detail
