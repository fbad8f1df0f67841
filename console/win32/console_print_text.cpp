#include "console/console.h"
#include "console/win32/console_output.h"
#include "console/win32/console_state.h"
#include "runtime/text_cursor.h"

namespace pantalla::detail {

namespace {

// Without a console the bytes go to standard output unchanged, as many
// WriteFile calls as it takes; the first failure ends the output.
void write_raw(HANDLE out, const char* bytes, uint32_t length) {
    while (length > 0) {
        DWORD written = 0;
        if (!out || !WriteFile(out, bytes, length, &written, nullptr) || written == 0) return;
        bytes += written;
        length -= written;
    }
}

// A file or pipe takes 16-bit text as UTF-8. A surrogate pair is never
// split between two conversions.
void write_raw(HANDLE out, const uint16_t* text, uint32_t count) {
    constexpr uint32_t kPiece = 1024;
    char bytes[kPiece * 3];
    while (count > 0) {
        uint32_t n = count < kPiece ? count : kPiece;
        if (n < count && text[n - 1] >= 0xD800 && text[n - 1] <= 0xDBFF) --n;
        const int length = WideCharToMultiByte(CP_UTF8, 0, reinterpret_cast<const WCHAR*>(text),
                                               static_cast<int>(n), bytes, sizeof bytes, nullptr,
                                               nullptr);
        if (length <= 0) return;
        write_raw(out, bytes, static_cast<uint32_t>(length));
        text += n;
        count -= n;
    }
}

// Keeps the console window on the view after it moved down the buffer.
// The window asked for spans the buffer's width; a console that refuses
// that keeps its own width.
void window_follow(HANDLE out, const SMALL_RECT& view) {
    if (SetConsoleWindowInfo(out, TRUE, &view)) return;
    const SMALL_RECT narrower{console_window.left, view.Top, console_window.right, view.Bottom};
    SetConsoleWindowInfo(out, TRUE, &narrower);
}

template <class Char>
int32_t print_text(const Char* text, uint32_t length, uint32_t flags) {
    if (length == 0 && !(flags & kPrintSettleWrap)) return 0;
    const HANDLE out = console_output_handle();
    if (!console_area_present()) {
        if (!(flags & kPrintCursorMove)) write_raw(out, text, length);
        return 0;
    }

    int32_t first = 1, last = 1;
    view_rows_get(&first, &last);
    ConsoleData data{};
    data.area_left = console_area.left;
    data.area_top = console_area.top;
    data.area_right = console_area.right;
    data.area_bottom = console_area.bottom;
    data.output = out;

    TextViewOf<Char> view{};
    view.device = &data;
    view.scroll = console_scroll;
    view.write = console_write_cells;
    view.left = data.area_left;
    view.right = data.area_right;
    view.top = data.area_top + first - 1;
    view.bottom = data.area_top + last - 1;
    data.band = !(view.top == data.area_top && view.bottom == data.area_bottom);

    CONSOLE_SCREEN_BUFFER_INFO info;
    if (GetConsoleScreenBufferInfo(out, &info)) {
        data.buffer_width = info.dwSize.X;
        data.buffer_height = info.dwSize.Y;
        data.attribute = info.wAttributes;
        view.cursor_col = info.dwCursorPosition.X;
        view.cursor_row = info.dwCursorPosition.Y;
    } else {
        data.buffer_width = 80;
        data.buffer_height = 25;
        data.attribute = 7;
        view.cursor_col = view.left;
        view.cursor_row = view.top;
    }
    // A window that grew or a band set for a larger one may reach past the
    // buffer; the view stays inside it.
    if (view.bottom >= data.buffer_height) view.bottom = data.buffer_height - 1;
    if (view.top > view.bottom) view.top = view.bottom;
    if (view.cursor_col > view.right) view.cursor_col = view.right;

    const int32_t top_before = view.top;
    text_view_print(&view, &console_wrap_pending, text, length);
    SetConsoleCursorPosition(out, COORD{static_cast<SHORT>(view.cursor_col),
                                        static_cast<SHORT>(view.cursor_row)});
    if (view.top != top_before && !data.band)
        window_follow(out, SMALL_RECT{static_cast<SHORT>(view.left), static_cast<SHORT>(view.top),
                                      static_cast<SHORT>(view.right),
                                      static_cast<SHORT>(view.bottom)});
    console_refresh();
    return 0;
}

}  // namespace

int32_t console_print_text(const char* bytes, uint32_t length, uint32_t flags) {
    return print_text(bytes, length, flags);
}

int32_t console_print_text_wide(const uint16_t* text, uint32_t count, uint32_t flags) {
    return print_text(text, count, flags);
}

}  // namespace pantalla::detail
