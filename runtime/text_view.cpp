#include "runtime/text_view.h"

#include "runtime/platform.h"

namespace pantalla::detail {

namespace {

template <class Char>
void scroll_below(TextViewOf<Char>* view) {
    if (view->bottom != -1 && view->cursor_row > view->bottom)
        view->scroll(view, view->left, view->top, view->right, view->bottom,
                     view->cursor_row - view->bottom);
}

template <class Char>
void write_run(TextViewOf<Char>* view, const Char* text, int32_t count) {
    while (count > 0) {
        const int32_t room = view->right - view->cursor_col + 1;
        const int32_t piece = count < room ? count : room;
        scroll_below(view);
        if (view->write(view, text, piece) != 1) return;
        view->cursor_col += piece;
        if (view->cursor_col == view->right + 1) {
            view->cursor_col = view->left;
            view->cursor_row += 1;
        }
        text += piece;
        count -= piece;
    }
}

template <class Char>
void walk(TextViewOf<Char>* view, const Char* text, uint32_t length) {
    const int32_t width = view->right - view->left + 1;
    // Running column: where the next buffered character will stand.
    int32_t col = view->cursor_col;
    Char buffer[kTextWalkBuffer];
    int32_t buffered = 0;
    bool moved = false;

    auto flush = [&] {
        if (buffered) write_run(view, buffer, buffered);
        buffered = 0;
        moved = false;
    };
    auto append = [&](Char c, int32_t n) {
        if (buffered + n > kTextWalkBuffer) flush();
        for (int32_t i = 0; i < n; ++i) buffer[buffered++] = c;
        col += n;
        if (col > view->right) col = (col - view->left) % width + view->left;
    };
    // Movements apply to the view's cursor, which the flushed writes have
    // brought up to date; to_left returns the carriage.
    auto move = [&](int32_t dcol, int32_t drow, bool to_left) {
        flush();
        if (to_left) dcol = view->left - view->cursor_col;
        view->cursor_col += dcol;
        view->cursor_row += drow;
        col = view->cursor_col;
        moved = true;
    };

    for (uint32_t i = 0; i < length; ++i) {
        const Char c = text[i];
        switch (c) {
            case 7: text_beep(); break;
            case 8:
                if (col > view->left) move(-1, 0, false);
                break;
            case 9: append(' ', 8 - (col - view->left) % 8); break;
            case 10: move(0, 1, true); break;
            case 13: move(0, 0, true); break;
            default: append(c, 1); break;
        }
    }
    if (buffered) {
        flush();
    } else if (moved) {
        scroll_below(view);
    }
}

template <class Char>
void print_with_wrap_rule(TextViewOf<Char>* view, bool* wrap_pending, const Char* text,
                          uint32_t length) {
    if (*wrap_pending) {
        *wrap_pending = false;
        view->cursor_row += 1;
        view->cursor_col = view->left;
        scroll_below(view);
    }
    walk(view, text, length);
    if (view->cursor_col == view->left && view->cursor_row == view->bottom + 1) {
        *wrap_pending = true;
        view->cursor_col = view->right;
        view->cursor_row = view->bottom;
    } else {
        scroll_below(view);
    }
}

}  // namespace

void text_view_put(TextView* view, const char* text, uint32_t length) { walk(view, text, length); }
void text_view_put(TextViewWide* view, const uint16_t* text, uint32_t length) {
    walk(view, text, length);
}
void text_view_write(TextView* view, const char* text, int32_t count) { write_run(view, text, count); }
void text_view_write(TextViewWide* view, const uint16_t* text, int32_t count) {
    write_run(view, text, count);
}
void text_view_print(TextView* view, bool* wrap_pending, const char* text, uint32_t length) {
    print_with_wrap_rule(view, wrap_pending, text, length);
}
void text_view_print(TextViewWide* view, bool* wrap_pending, const uint16_t* text, uint32_t length) {
    print_with_wrap_rule(view, wrap_pending, text, length);
}

void text_beep() { platform_beep(1000, 250); }

}  // namespace pantalla::detail
