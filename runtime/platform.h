// The few operating-system services that the shared runtime needs; each
// platform folder implements them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pantalla::detail {

// Standard input and output as the platform names them (handles on
// Windows, file descriptors on POSIX); 0 when absent. Set by runtime_start.
struct StdHandles {
    intptr_t input;
    intptr_t output;
};
extern StdHandles std_handles;

// Obtains the standard handles and puts a console input into processed
// mode where there is one.
void platform_std_handles_init();

// Writes up to `length` bytes; returns how many, or -1 on failure.
int64_t platform_write(intptr_t handle, const void* bytes, size_t length);
// Reads up to `length` bytes; returns how many, 0 at the end, -1 on failure.
int64_t platform_read(intptr_t handle, void* bytes, size_t length);
// Whether the handle is an interactive terminal or console.
bool platform_is_terminal(intptr_t handle);

// Rounding to nearest and, where the processor has it, 64-bit mantissa
// precision; exception masks are kept.
void platform_fp_control();

void platform_sleep_ms(int32_t ms);
// Ends the process with `code` once the runtime has done its end.
[[noreturn]] void platform_exit(int32_t code);
// Whether work may go to other threads (not in a browser page, where the
// program has the page's one thread).
bool platform_threads_available();
// Called between slices of a long computation: where the program shares
// its thread with a page, the page takes its turn (draws, takes events).
void platform_yield();
// Sounds a tone and returns when it has ended.
void platform_beep(int32_t hz, int32_t ms);

// The high-resolution counter: false when there is none.
bool platform_counter_frequency(int64_t* counts_per_second);
int64_t platform_counter();
// Milliseconds since an arbitrary origin, wrapping at 2^32.
uint32_t platform_tick_count();

}  // namespace pantalla::detail
