#include "console/win32/console_output.h"

namespace pantalla::detail {

namespace {

template <class Char>
struct CellApi;

template <>
struct CellApi<char> {
    static void set(CHAR_INFO& cell, char c) { cell.Char.AsciiChar = c; }
    static BOOL write(HANDLE out, const CHAR_INFO* cells, COORD size, SMALL_RECT* region) {
        return WriteConsoleOutputA(out, cells, size, COORD{0, 0}, region);
    }
    static BOOL scroll(HANDLE out, const SMALL_RECT* source, const SMALL_RECT* clip, COORD to,
                       const CHAR_INFO* fill) {
        return ScrollConsoleScreenBufferA(out, source, clip, to, fill);
    }
    static void blank(HANDLE out, DWORD count, COORD at) {
        DWORD done = 0;
        FillConsoleOutputCharacterA(out, ' ', count, at, &done);
    }
};

template <>
struct CellApi<uint16_t> {
    static void set(CHAR_INFO& cell, uint16_t c) { cell.Char.UnicodeChar = static_cast<WCHAR>(c); }
    static BOOL write(HANDLE out, const CHAR_INFO* cells, COORD size, SMALL_RECT* region) {
        return WriteConsoleOutputW(out, cells, size, COORD{0, 0}, region);
    }
    static BOOL scroll(HANDLE out, const SMALL_RECT* source, const SMALL_RECT* clip, COORD to,
                       const CHAR_INFO* fill) {
        return ScrollConsoleScreenBufferW(out, source, clip, to, fill);
    }
    static void blank(HANDLE out, DWORD count, COORD at) {
        DWORD done = 0;
        FillConsoleOutputCharacterW(out, L' ', count, at, &done);
    }
};

int16_t s16(int32_t v) { return static_cast<int16_t>(v); }

template <class Char>
void scroll_rows(TextViewOf<Char>* view, int32_t left, int32_t top, int32_t right,
                 int32_t bottom, int32_t lines) {
    const ConsoleData& data = *static_cast<const ConsoleData*>(view->device);
    SMALL_RECT rect{s16(left), s16(top), s16(right), s16(bottom)};
    if (!data.band) {
        // A view over the whole window moves down into unused buffer rows;
        // once at the end of the buffer, the whole buffer scrolls, so that
        // the rows above the window stay in order.
        const int32_t room = bottom + 1 < data.buffer_height ? data.buffer_height - bottom - 1 : 0;
        const int32_t n = lines < room ? lines : room;
        view->top += n;
        view->bottom += n;
        lines -= n;
        if (lines == 0) {
            view->cursor_row = view->bottom;
            return;
        }
        rect = SMALL_RECT{0, 0, s16(data.buffer_width - 1), s16(data.buffer_height - 1)};
    }
    const int32_t height = rect.Bottom - rect.Top + 1;
    if (height > lines) {
        const SMALL_RECT source{rect.Left, s16(rect.Top + lines), rect.Right, rect.Bottom};
        CHAR_INFO fill{};
        CellApi<Char>::set(fill, ' ');
        fill.Attributes = data.attribute;
        CellApi<Char>::scroll(data.output, &source, &rect, COORD{rect.Left, rect.Top}, &fill);
    } else {
        const DWORD cols = static_cast<DWORD>(view->right - view->left + 1);
        for (int32_t row = rect.Top; row <= rect.Bottom; ++row) {
            const COORD at{s16(view->left), s16(row)};
            DWORD done = 0;
            FillConsoleOutputAttribute(data.output, data.attribute, cols, at, &done);
            CellApi<Char>::blank(data.output, cols, at);
        }
    }
    view->cursor_row = view->bottom;
}

template <class Char>
int32_t write_cells(TextViewOf<Char>* view, const Char* text, int32_t count) {
    const ConsoleData& data = *static_cast<const ConsoleData*>(view->device);
    // The walk never hands over more than its buffer; longer runs are
    // written in buffer-sized pieces all the same.
    CHAR_INFO cells[kTextWalkBuffer];
    for (int32_t done = 0; done < count;) {
        const int32_t n = count - done < kTextWalkBuffer ? count - done : kTextWalkBuffer;
        for (int32_t i = 0; i < n; ++i) {
            cells[i] = CHAR_INFO{};
            CellApi<Char>::set(cells[i], text[done + i]);
            cells[i].Attributes = data.attribute;
        }
        const int32_t col = view->cursor_col + done;
        SMALL_RECT region{s16(col), s16(view->cursor_row), s16(col + n - 1), s16(view->cursor_row)};
        if (!CellApi<Char>::write(data.output, cells, COORD{s16(n), 1}, &region)) return 0;
        done += n;
    }
    return 1;
}

}  // namespace

void console_scroll(TextView* view, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    int32_t lines) {
    scroll_rows(view, left, top, right, bottom, lines);
}
void console_scroll(TextViewWide* view, int32_t left, int32_t top, int32_t right, int32_t bottom,
                    int32_t lines) {
    scroll_rows(view, left, top, right, bottom, lines);
}
int32_t console_write_cells(TextView* view, const char* text, int32_t count) {
    return write_cells(view, text, count);
}
int32_t console_write_cells(TextViewWide* view, const uint16_t* text, int32_t count) {
    return write_cells(view, text, count);
}

}  // namespace pantalla::detail
