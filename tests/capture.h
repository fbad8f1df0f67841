// Captures what the console statements write, through the graphics print
// slot, so tests see each write separately with a chosen text size.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "runtime/console_hooks.h"
#include "runtime/device.h"

using namespace pantalla::detail;

struct Capture {
    static inline std::vector<std::string> writes;
    static inline int cols = 100, rows = 37;

    static int32_t draw(const char* text, uint32_t length, uint32_t) {
        if (length) writes.emplace_back(text, length);
        return 0;
    }
    static void size(int32_t* c, int32_t* r) {
        if (c) *c = cols;
        if (r) *r = rows;
    }
    static int32_t col() { return 1; }

    // Fresh device table and hooks that capture; width `columns`.
    static void install(int columns = 100) {
        writes.clear();
        cols = columns;
        std::memset(static_cast<void*>(device_table), 0, sizeof device_table);
        console_hooks = ConsoleHooks{};
        console_hooks.draw_text = draw;
        console_hooks.get_text_size = size;
        console_hooks.get_cursor_col = col;
    }
    static void remove() { console_hooks = ConsoleHooks{}; }

    static std::string all() {
        std::string s;
        for (auto& w : writes) s += w;
        return s;
    }
};
