#include <windows.h>

#include <float.h>

#include <cstdlib>

#include "runtime/platform.h"

namespace pantalla::detail {

StdHandles std_handles;

namespace {
HANDLE as_handle(intptr_t h) { return reinterpret_cast<HANDLE>(h); }
}

void platform_std_handles_init() {
    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    std_handles.input = in == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<intptr_t>(in);
    std_handles.output = out == INVALID_HANDLE_VALUE ? 0 : reinterpret_cast<intptr_t>(out);
    DWORD mode = 0;
    if (in && in != INVALID_HANDLE_VALUE && GetConsoleMode(in, &mode))
        SetConsoleMode(in, mode | ENABLE_PROCESSED_INPUT);
}

int64_t platform_write(intptr_t handle, const void* bytes, size_t length) {
    if (!handle) return -1;
    DWORD written = 0;
    const DWORD n = length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(length);
    if (!WriteFile(as_handle(handle), bytes, n, &written, nullptr)) return -1;
    return written;
}

int64_t platform_read(intptr_t handle, void* bytes, size_t length) {
    if (!handle) return -1;
    DWORD got = 0;
    const DWORD n = length > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<DWORD>(length);
    if (!ReadFile(as_handle(handle), bytes, n, &got, nullptr))
        return GetLastError() == ERROR_BROKEN_PIPE ? 0 : -1;
    return got;
}

bool platform_is_terminal(intptr_t handle) {
    DWORD mode = 0;
    return handle && GetConsoleMode(as_handle(handle), &mode);
}

void platform_fp_control() {
    // Rounding to nearest, exception masks kept. The precision field is not
    // settable through the runtime on x86-64; the x87 unit is set directly.
    _controlfp(_RC_NEAR, _MCW_RC);
#if defined(__x86_64__) || defined(__i386__)
    unsigned short cw = 0;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    cw = static_cast<unsigned short>((cw & ~0x0F00u) | 0x0300u);
    __asm__ volatile("fldcw %0" : : "m"(cw));
#endif
}

void platform_exit(int32_t code) { std::exit(code); }

void platform_sleep_ms(int32_t ms) {
    if (ms > 0) Sleep(static_cast<DWORD>(ms));
}

void platform_beep(int32_t hz, int32_t ms) { Beep(static_cast<DWORD>(hz), static_cast<DWORD>(ms)); }

bool platform_counter_frequency(int64_t* counts_per_second) {
    LARGE_INTEGER f{};
    if (!QueryPerformanceFrequency(&f) || f.QuadPart == 0) {
        *counts_per_second = 0;
        return false;
    }
    *counts_per_second = f.QuadPart;
    return true;
}

int64_t platform_counter() {
    LARGE_INTEGER c{};
    QueryPerformanceCounter(&c);
    return c.QuadPart;
}

uint32_t platform_tick_count() { return GetTickCount(); }

bool platform_threads_available() { return true; }

void platform_yield() {}

}  // namespace pantalla::detail
