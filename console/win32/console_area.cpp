#include "console/console.h"
#include "console/win32/console_state.h"
#include "runtime/platform.h"

namespace pantalla::detail {

ConsoleRect console_area;
ConsoleRect console_window;
bool console_wrap_pending;

namespace {
bool area_read;
}

HANDLE console_output_handle() { return reinterpret_cast<HANDLE>(std_handles.output); }

void console_refresh() {
    area_read = true;
    CONSOLE_SCREEN_BUFFER_INFO info;
    const HANDLE out = console_output_handle();
    if (!out || !GetConsoleScreenBufferInfo(out, &info)) {
        console_area = ConsoleRect{};
        console_window = ConsoleRect{};
        return;
    }
    console_area = ConsoleRect{0, info.srWindow.Top, static_cast<int16_t>(info.dwSize.X - 1),
                               info.srWindow.Bottom};
    console_window = ConsoleRect{info.srWindow.Left, info.srWindow.Top, info.srWindow.Right,
                                 info.srWindow.Bottom};
}

void console_area_ensure() {
    if (!area_read) console_refresh();
}

bool console_area_present() {
    console_area_ensure();
    return console_area.left != console_area.right && console_area.top != console_area.bottom;
}

void console_text_size(int32_t* cols, int32_t* rows) {
    int32_t c = 80, r = 25;
    if (console_area_present()) {
        c = console_area.right - console_area.left + 1;
        r = console_area.bottom - console_area.top + 1;
    }
    if (cols) *cols = c;
    if (rows) *rows = r;
}

}  // namespace pantalla::detail
