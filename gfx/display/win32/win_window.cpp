// System set-up around the common window module, the window class and
// the window itself; the window procedure is in win_window_proc.cpp.
#include "gfx/display/win32/win_window.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>

#include "console/cp437.h"
#include "gfx/display/display_driver.h"
#include "gfx/display/win32/window_station.h"

namespace pantalla::detail {

WinSystem win_system;

namespace {

void build_class_name(char* out, const char* title) {
    std::memcpy(out, "dngfxclass_", 11);
    // The common window state keeps at most 127 bytes of the title, and the
    // class name must match what it builds from them.
    const size_t n = title ? std::min<size_t>({std::strlen(title), 127, 139}) : 0;
    if (n) std::memcpy(out + 11, title, n);
    out[11 + n] = 0;
}

int32_t system_version() {
    const DWORD v = GetVersion();
    return static_cast<int32_t>(LOBYTE(LOWORD(v))) * 256 + HIBYTE(LOWORD(v));
}

void restore_system() {
    if (win_system.screen_saver_saved)
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(win_system.screen_saver_was_active),
                              nullptr, 0);
    win_system.screen_saver_saved = false;
    if (win_system.class_registered) UnregisterClassA(win_system.class_name, win_system.instance);
    win_system.class_registered = false;
    if (win_system.idle_wake) CloseHandle(win_system.idle_wake);
    win_system.idle_wake = nullptr;
}

bool register_class(int32_t flags) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_VREDRAW | CS_HREDRAW | ((flags & 0x02) ? CS_OWNDC : 0);
    wc.lpfnWndProc = win_window_proc;
    wc.hInstance = win_system.instance;
    wc.hIcon = LoadIconA(win_system.instance, "DN_PROGRAM_ICON");
    if (!wc.hIcon) wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = win_system.class_name;
    win_system.class_registered = RegisterClassExA(&wc) != 0;
    return win_system.class_registered;
}

}  // namespace

int32_t win_window_init(const WindowOps* ops, const WinHooks* hooks, const char* driver_name,
                        const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh,
                        int32_t flags) {
    win_window_exit();
    if (!window_station_visible()) return -1;
    win_system = WinSystem{};
    win_system.instance = GetModuleHandleA(nullptr);
    win_system.hooks = hooks;
    win_system.program_thread = GetCurrentThreadId();
    win_system.version = system_version();
    win_system.cursor_message = RegisterWindowMessageA("DN mouse cursor");
    if (SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &win_system.screen_saver_was_active, 0)) {
        win_system.screen_saver_saved = true;
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, 0);
    }
    build_class_name(win_system.class_name, title);
    win_system.idle_wake = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    if (!win_system.idle_wake || !register_class(flags)) {
        restore_system();
        return -1;
    }
    if (window_init(ops, driver_name, title, width, height, depth, refresh, flags) != 0) {
        restore_system();
        return -1;
    }
    return 0;
}

void win_window_exit() {
    window_exit();
    if (win_system.cursor_hidden) ShowCursor(TRUE);
    win_system.cursor_hidden = false;
    restore_system();
}

HWND win_create_window(DWORD style, DWORD ex_style, int32_t client_width, int32_t client_height, bool centred) {
    if (GetCurrentThreadId() != win_system.program_thread)
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_ABOVE_NORMAL);
    RECT r{0, 0, client_width, client_height};
    if (!AdjustWindowRectEx(&r, style, FALSE, ex_style)) return nullptr;
    const int32_t w = r.right - r.left;
    const int32_t h = r.bottom - r.top;
    int32_t x = 0, y = 0;
    if (centred) {
        x = std::max<int32_t>(0, (GetSystemMetrics(SM_CXSCREEN) - w) / 2);
        y = std::max<int32_t>(0, (GetSystemMetrics(SM_CYSCREEN) - h) / 2);
    }
    window.mouse.inside = false;
    win_system.tracking_leave = false;
    HWND hwnd = CreateWindowExA(ex_style, win_system.class_name, "", style, x, y, w, h, nullptr, nullptr,
                                win_system.instance, nullptr);
    if (!hwnd) return nullptr;
    window.handle = hwnd;
    win_key_state_changed();
    win_apply_title(window.title);
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);
    SetForegroundWindow(hwnd);
    return hwnd;
}

namespace {

// The thread's key state changes only as it takes messages from its queue,
// and asking for it is a round trip to the system (under Wine, to its
// server) on every pass: it is read again only after messages were taken.
std::atomic<bool> key_state_stale{true};
BYTE key_state[256];
std::atomic<uint64_t> key_state_reads{0};

}  // namespace

void win_destroy_window() {
    HWND hwnd = static_cast<HWND>(window.handle);
    window.handle = nullptr;
    // At the program's end the system destroys the window with its thread.
    // Destroying it here would cost nothing on Windows, but under Wine a
    // full-screen window's destruction waits up to 2 s for a window
    // manager to withdraw it, and there may be none.
    if (hwnd && !display_process_ending()) DestroyWindow(hwnd);
    key_state_stale = true;
}

void win_pump_messages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        key_state_stale = true;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void win_wait_idle(int32_t ms) {
    // Messages already in the queue end the wait too, not only new ones.
    MsgWaitForMultipleObjectsEx(1, &win_system.idle_wake, static_cast<DWORD>(ms), QS_ALLINPUT,
                                MWMO_INPUTAVAILABLE);
}

void win_wake_idle() { SetEvent(win_system.idle_wake); }

void win_wait_messages(int32_t ms) {
    if (MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(ms), QS_ALLINPUT) == WAIT_OBJECT_0)
        window_poll();
}

void win_read_virtual_keys(uint8_t* down) {
    if (key_state_stale.exchange(false)) {
        key_state_reads.fetch_add(1, std::memory_order_relaxed);
        if (!GetKeyboardState(key_state)) {
            std::memset(key_state, 0, sizeof key_state);
            key_state_stale = true;
        }
    }
    for (int i = 0; i < 256; ++i) down[i] = (key_state[i] & 0x80) ? 1 : 0;
}

void win_key_state_changed() { key_state_stale = true; }

uint64_t win_key_state_reads() { return key_state_reads.load(std::memory_order_relaxed); }

void win_apply_title(const char* title) {
    HWND hwnd = static_cast<HWND>(window.handle);
    if (!hwnd) return;
    // Code page 437 bytes, whatever the system's ANSI code page is.
    std::wstring wide;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(title); *p; ++p) {
        const char32_t u = *p < 128 ? *p : cp437_to_unicode(*p);
        wide.push_back(u <= 0xFFFF ? static_cast<wchar_t>(u) : L'?');
    }
    SetWindowTextW(hwnd, wide.c_str());
}

void win_warp_pointer(int32_t x, int32_t y) {
    POINT p{x, y};
    HWND hwnd = static_cast<HWND>(window.handle);
    if (hwnd && !(window.flags & 0x01)) ClientToScreen(hwnd, &p);
    SetCursorPos(p.x, p.y);
}

void win_show_pointer(bool shown) {
    HWND hwnd = static_cast<HWND>(window.handle);
    if (hwnd) SendMessageA(hwnd, win_system.cursor_message, shown ? 1 : 0, 0);
}

int32_t win_display_refresh_rate() {
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    const int rate = GetDeviceCaps(dc, VREFRESH);
    ReleaseDC(nullptr, dc);
    return rate > 1 ? rate : 0;
}

uint32_t win_control_state(LPARAM lparam) {
    auto held = [](int vk) { return (GetKeyState(vk) & 0x8000) != 0; };
    uint32_t state = 0;
    if (held(VK_SHIFT)) state |= 0x10;
    if (held(VK_LCONTROL)) state |= 0x08;
    if (held(VK_RCONTROL)) state |= 0x04;
    if (held(VK_LMENU)) state |= 0x02;
    if (held(VK_RMENU)) state |= 0x01;
    if (lparam & (1 << 24)) state |= 0x100;
    return state;
}

}  // namespace pantalla::detail
