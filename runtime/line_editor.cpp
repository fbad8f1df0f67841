// The line editor: one line typed and edited in place on the text screen,
// with the cursor kept on the character cells as the text wraps and the
// screen scrolls.
#include <cstdint>
#include <cstring>

#include "runtime/console_print.h"
#include "runtime/key_codes.h"
#include "runtime/keys.h"
#include "runtime/line_input.h"
#include "runtime/platform.h"
#include "runtime/text_cursor.h"
#include "runtime/text_view.h"

namespace pantalla::detail {

namespace {

constexpr int32_t kKeyWaitMs = 25;
constexpr int32_t kTabStop = 8;

constexpr int32_t kUp = extended_key(0x48);
constexpr int32_t kDown = extended_key(0x50);
constexpr int32_t kLeft = extended_key(0x4B);
constexpr int32_t kRight = extended_key(0x4D);
constexpr int32_t kHome = extended_key(0x47);
constexpr int32_t kEnd = extended_key(0x4F);
constexpr int32_t kDelete = extended_key(0x53);
constexpr int32_t kBackspace = 8;
constexpr int32_t kTab = 9;
constexpr int32_t kEscape = 27;

struct Editor {
    RtString* text;
    int32_t len;
    int32_t pos;
    int32_t width;
    int32_t height;
};

void write_text(const char* bytes, int32_t count) {
    if (count > 0) console_print(bytes, static_cast<uint32_t>(count), 0);
}

void write_spaces(int32_t count) {
    static const char blanks[] = "                                                                ";
    constexpr int32_t chunk = sizeof blanks - 1;
    for (; count > 0; count -= chunk) write_text(blanks, count < chunk ? count : chunk);
}

void ring_bell() { console_print("\a", 1, 0); }

// Polls for a key every 25 ms; -1 when the poll found none after all.
int32_t wait_for_key() {
    while (!key_available()) platform_sleep_ms(kKeyWaitMs);
    RtString* key = poll_key_string();
    const int32_t code = key_string_code(key);
    string_release_temp(key);
    return code;
}

// Grows the text by `n` bytes at `pos`. At the end this is an append with
// geometric growth, so typing or pasting a long line stays linear.
bool insert_bytes(RtString* text, int32_t len, int32_t pos, const char* bytes, int32_t n) {
    if (!string_append(text, bytes, static_cast<uint32_t>(n))) return false;
    if (pos < len) {
        std::memmove(text->data + pos + n, text->data + pos, static_cast<size_t>(len - pos));
        std::memcpy(text->data + pos, bytes, static_cast<size_t>(n));
    }
    return true;
}

void erase_bytes(RtString* text, int32_t len, int32_t pos, int32_t count) {
    const int32_t rest = len - pos - count;
    std::memmove(text->data + pos, text->data + pos + count, static_cast<size_t>(rest));
    text->data[len - count] = 0;
    text->length = (text->length & kTemporaryBit) | static_cast<uint32_t>(len - count);
}

void delete_at_pos(Editor& e, int32_t count, int32_t col, int32_t row) {
    place_cursor(0, 0, 0);
    erase_bytes(e.text, e.len, e.pos, count);
    e.len -= count;
    write_text(e.text->data + e.pos, e.len - e.pos);
    write_spaces(count);
    place_cursor(row, col, -1);
}

void insert_at_pos(Editor& e, const char* chars, int32_t n, int32_t col, int32_t row) {
    place_cursor(0, 0, 0);
    const bool at_end = e.pos == e.len;
    // Without memory for the longer line the key is dropped.
    if (!insert_bytes(e.text, e.len, e.pos, chars, n)) return;
    e.len += n;
    // Echoes the new characters and redraws the tail, which may scroll.
    write_text(e.text->data + e.pos, e.len - e.pos);
    int32_t now_col = 1, now_row = 1;
    cursor_pos_get(&now_col, &now_row);
    if (!at_end) {
        int32_t end_col = col, end_row = row;
        step_position(&end_col, &end_row, e.len - e.pos, e.width);
        const bool scrolled = end_row > e.height + 1 || (end_row == e.height + 1 && end_col > 1);
        if (scrolled) {
            // The remembered position moved up with the screen: count back
            // from the end of the redrawn tail instead.
            move_cursor_cells(&now_col, &now_row, -(e.len - e.pos - n), e.width, e.height);
            e.pos += n;
            return;
        }
    }
    move_cursor_cells(&col, &row, n, e.width, e.height);
    e.pos += n;
}

void move_by(Editor& e, int32_t delta, int32_t* col, int32_t* row) {
    move_cursor_cells(col, row, delta, e.width, e.height);
    e.pos += delta;
}

// Acts on one key other than Enter; keys not listed are ignored.
void apply_key(Editor& e, int32_t code) {
    int32_t col = 1, row = 1;
    cursor_pos_get(&col, &row);
    int32_t delete_count = 0;
    char inserted[kTabStop];
    int32_t insert_count = 0;

    switch (code) {
        case kUp:
            if (e.pos >= e.width) move_by(e, -e.width, &col, &row);
            break;
        case kDown:
            if (e.pos + e.width <= e.len) move_by(e, e.width, &col, &row);
            break;
        case kLeft:
            if (e.pos > 0) move_by(e, -1, &col, &row);
            break;
        case kRight:
            if (e.pos < e.len) move_by(e, 1, &col, &row);
            break;
        case kHome: move_by(e, -e.pos, &col, &row); break;
        case kEnd: move_by(e, e.len - e.pos, &col, &row); break;
        case kDelete:
            if (e.pos == e.len)
                ring_bell();
            else
                delete_count = 1;
            break;
        case kBackspace:
            if (e.pos > 0) {
                move_by(e, -1, &col, &row);
                delete_count = 1;
            }
            break;
        case kTab:
            // Tab stops count from the start of the text, not the screen.
            insert_count = kTabStop - e.pos % kTabStop;
            std::memset(inserted, ' ', sizeof inserted);
            break;
        case kEscape:
            delete_count = e.len;
            move_by(e, -e.pos, &col, &row);
            break;
        default:
            if (code >= 32 && code <= 255) {
                inserted[0] = static_cast<char>(code);
                insert_count = 1;
            }
            break;
    }
    if (delete_count > 0) delete_at_pos(e, delete_count, col, row);
    if (insert_count > 0) insert_at_pos(e, inserted, insert_count, col, row);
}

}  // namespace

void step_position(int32_t* column, int32_t* row, int32_t delta, int32_t width) {
    if (width < 1) width = 1;
    int64_t cell = static_cast<int64_t>(*column) - 1 + delta;
    int64_t rows = cell / width;
    cell %= width;
    if (cell < 0) {
        cell += width;
        rows -= 1;
    }
    int64_t new_row = *row + rows;
    if (new_row > INT32_MAX) new_row = INT32_MAX;
    if (new_row < INT32_MIN) new_row = INT32_MIN;
    *column = static_cast<int32_t>(cell + 1);
    *row = static_cast<int32_t>(new_row);
}

void move_cursor_cells(int32_t* column, int32_t* row, int32_t delta, int32_t width,
                       int32_t height) {
    step_position(column, row, delta, width);
    if (*column == 1 && *row == height + 1) {
        // Just past the last cell: a line end there scrolls the screen.
        place_cursor(height, width, -1);
        console_print("\r\n", 2, kPrintCursorMove);
        *row = height;
        return;
    }
    // A line taller than the screen has cells above or below it. Row 0
    // would keep the cursor's row and a row past the bottom would be
    // refused, so the cursor goes to the nearest row on the screen instead.
    if (*row < 1) *row = 1;
    if (*row > height) *row = height;
    place_cursor(*row, *column, -1);
}

void edit_line(RtString* text) {
    Editor e{text, static_cast<int32_t>(string_length(text)), 0, 80, 25};
    console_size_get(&e.width, &e.height);
    if (e.width < 1) e.width = 1;
    // A borrowed initial text is copied before it is edited in place.
    if (text->capacity == 0 && e.len > 0 && !string_set(text, text->data, string_length(text))) {
        text->length &= kTemporaryBit;
        e.len = 0;
    }
    e.pos = e.len;
    // A prompt that ended in the last cell left its wrap pending; the first
    // positioning below would clear it and the first key would overwrite
    // that cell, so the wrap is settled first.
    console_print(nullptr, 0, kPrintSettleWrap);
    const int32_t was_visible = (place_cursor(0, 0, -1) >> 16) & 1;
    place_cursor(0, 0, 0);
    write_text(text->data, e.len);
    place_cursor(0, 0, 1);

    for (;;) {
        const int32_t code = wait_for_key();
        // The close code ends the line too: no more keys will come.
        const bool enter = code == 13 || code == 10 || code == kCloseKey;
        if (code != -1 && !enter) apply_key(e, code);
        place_cursor(0, 0, 1);
        if (enter) break;
    }
    // The whole text is the line: the cursor goes behind it.
    int32_t col = 1, row = 1;
    cursor_pos_get(&col, &row);
    move_cursor_cells(&col, &row, e.len - e.pos, e.width, e.height);
    place_cursor(0, 0, was_visible);
}

}  // namespace pantalla::detail
