// Key codes and key queues.
//
// A key code is 1 to 255 for a character, or an extended key's number
// times 256 plus 255 (0x48FF for Up, 0x3BFF for F1). As a string an
// extended key is the two bytes 255 and its number.
#pragma once

#include <cstdint>

constexpr int32_t extended_key(int32_t number) { return number * 256 + 255; }

namespace pantalla::detail {

constexpr int32_t kCloseKey = 0x6BFF;  // the window or console was closed; also Alt+F4

// Modifier bits of a key event, with the console's values.
constexpr uint32_t kRightAltPressed = 0x01;
constexpr uint32_t kLeftAltPressed = 0x02;
constexpr uint32_t kRightCtrlPressed = 0x04;
constexpr uint32_t kLeftCtrlPressed = 0x08;
constexpr uint32_t kShiftPressed = 0x10;
constexpr uint32_t kEnhancedKey = 0x100;
constexpr uint32_t kAltPressed = kRightAltPressed | kLeftAltPressed;
constexpr uint32_t kCtrlPressed = kRightCtrlPressed | kLeftCtrlPressed;

// A ring of key codes with one reader side and one writer side; one slot
// always stays empty, so Capacity - 1 codes can wait. A full queue drops
// its oldest code.
template <int Capacity>
struct KeyQueue {
    static_assert((Capacity & (Capacity - 1)) == 0, "a power of two");
    int32_t write_index;
    int32_t read_index;
    int32_t key_pressed;  // set by every push, cleared by key_queue_take_pressed
    int32_t codes[Capacity];
};

constexpr int kScreenKeyQueueCapacity = 16;
constexpr int kConsoleKeyQueueCapacity = 512;
using ScreenKeyQueue = KeyQueue<kScreenKeyQueueCapacity>;
using ConsoleKeyQueue = KeyQueue<kConsoleKeyQueueCapacity>;

template <int C>
void key_queue_push(KeyQueue<C>& q, int32_t code) {
    q.codes[q.write_index] = code;
    q.write_index = (q.write_index + 1) & (C - 1);
    if (q.write_index == q.read_index) q.read_index = (q.read_index + 1) & (C - 1);
    q.key_pressed = 1;
}

// How many codes fit before the queue starts dropping its oldest.
template <int C>
int32_t key_queue_room(const KeyQueue<C>& q) {
    return C - 1 - ((q.write_index - q.read_index) & (C - 1));
}

// The oldest waiting code, or false when the queue is empty.
template <int C>
bool key_queue_peek(const KeyQueue<C>& q, int32_t* code) {
    if (q.read_index == q.write_index) return false;
    *code = q.codes[q.read_index];
    return true;
}

template <int C>
bool key_queue_take(KeyQueue<C>& q, int32_t* code) {
    if (!key_queue_peek(q, code)) return false;
    q.read_index = (q.read_index + 1) & (C - 1);
    return true;
}

// Whether a key was pushed since the last look; clears the mark.
template <int C>
int32_t key_queue_take_pressed(KeyQueue<C>& q) {
    const int32_t pressed = q.key_pressed;
    q.key_pressed = 0;
    return pressed;
}

// Turns a key event into a key code, or -1 when it yields none. `character`
// is the byte the key types (0 if none); `control_state` holds the bits
// above; `extended_only` non-zero suppresses plain characters.
int32_t translate_key_event(uint8_t character, uint16_t scan_code, uint16_t virtual_key,
                            uint32_t control_state, int32_t extended_only);

// The character the keyboard maps a virtual key to, as the system reports
// it for translation (a letter gives its capital), or 0.
uint8_t virtual_key_char(uint16_t virtual_key);

// The held-key table: scan code, virtual key, second virtual key or 0;
// ended by a row whose scan code is 0.
struct HeldKeyRow {
    uint8_t scan_code, virtual_key, second_virtual_key;
};
extern const HeldKeyRow held_key_table[];

}  // namespace pantalla::detail
