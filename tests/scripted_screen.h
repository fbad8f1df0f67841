// A text screen in memory behind the console hooks: scripted keys go in,
// the real text walk draws into a grid of cells, and the cursor, bell and
// scroll counts can be read back. Installing it takes over the hooks and
// the view rows; remove() puts both back.
#pragma once

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "runtime/console_hooks.h"
#include "runtime/key_codes.h"
#include "runtime/keys.h"
#include "runtime/text_cursor.h"
#include "runtime/text_view.h"

using namespace pantalla::detail;

struct ScriptedScreen {
    static inline int32_t width = 80, height = 25;
    static inline std::vector<std::string> cells;
    static inline int32_t col = 0, row = 0;  // 0-based
    static inline bool wrap_pending = false;
    static inline bool visible = true;
    static inline int bells = 0, scrolls = 0;
    static inline std::deque<int32_t> keys;
    static inline int32_t saved_top = -1, saved_bottom = -1;

    static void install(int32_t cols, int32_t rows) {
        width = cols;
        height = rows;
        cells.assign(rows, std::string(cols, ' '));
        col = row = 0;
        wrap_pending = false;
        visible = true;
        bells = scrolls = 0;
        keys.clear();
        saved_top = view_top;
        saved_bottom = view_bottom;
        view_rows_set(0, rows - 1);
        console_hooks = ConsoleHooks{};
        console_hooks.get_key = get_key;
        console_hooks.key_ready = key_ready;
        console_hooks.get_text_size = text_size;
        console_hooks.get_cursor_pos = cursor_pos;
        console_hooks.get_cursor_col = cursor_col;
        console_hooks.get_cursor_row = cursor_row;
        console_hooks.move_cursor = move_cursor;
        console_hooks.draw_text = draw_text;
    }
    static void remove() {
        console_hooks = ConsoleHooks{};
        view_rows_set(saved_top, saved_bottom);
    }

    static void type(const std::string& text) {
        for (unsigned char c : text) keys.push_back(c);
    }
    static void press(std::initializer_list<int32_t> codes) { keys.insert(keys.end(), codes); }

    // A row without its trailing blanks, 1-based.
    static std::string line(int32_t r) {
        std::string s = cells[r - 1];
        s.erase(s.find_last_not_of(' ') + 1);
        return s;
    }

    // When the script has run out the input has gone away.
    static RtString* get_key() {
        int32_t code = kCloseKey;
        if (!keys.empty()) {
            code = keys.front();
            keys.pop_front();
        }
        return key_code_string(code);
    }
    static int32_t key_ready() { return 1; }
    static void text_size(int32_t* c, int32_t* r) {
        if (c) *c = width;
        if (r) *r = height;
    }
    static void cursor_pos(int32_t* c, int32_t* r) {
        if (c) *c = col + 1;
        if (r) *r = row + 1;
    }
    static int32_t cursor_col() { return col + 1; }
    static int32_t cursor_row() { return row + 1; }
    static int32_t move_cursor(int32_t r, int32_t c, int32_t visibility) {
        const int32_t was_visible = visible ? 0x10000 : 0;
        if (r) row = r - 1;
        if (c) col = c - 1;
        if (visibility != -1) visible = visibility != 0;
        wrap_pending = false;
        return was_visible | ((col + 1) & 0xFF) | ((row + 1) & 0xFF) << 8;
    }

    static int32_t write(TextView* v, const char* text, int32_t count) {
        std::memcpy(&cells[v->cursor_row][v->cursor_col], text, count);
        return 1;
    }
    static void scroll(TextView* v, int32_t left, int32_t top, int32_t right, int32_t bottom,
                       int32_t lines) {
        ++scrolls;
        for (int32_t r = top; r <= bottom; ++r) {
            for (int32_t c = left; c <= right; ++c)
                cells[r][c] = r + lines <= bottom ? cells[r + lines][c] : ' ';
        }
        v->cursor_row = bottom;
    }
    static int32_t draw_text(const char* text, uint32_t length, uint32_t flags) {
        if (length == 0 && !(flags & kPrintSettleWrap)) return 0;
        // The bell is counted here rather than sounded.
        std::string printable;
        for (uint32_t i = 0; i < length; ++i) {
            if (text[i] == '\a')
                ++bells;
            else
                printable += text[i];
        }
        TextView view{nullptr, scroll, write, 0, view_top, width - 1, view_bottom, col, row};
        text_view_print(&view, &wrap_pending, printable.data(), static_cast<uint32_t>(printable.size()));
        col = view.cursor_col;
        row = view.cursor_row;
        return 0;
    }
};
