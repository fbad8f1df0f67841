#include <errno.h>
#include <fcntl.h>
#include <fenv.h>
#include <poll.h>
#include <signal.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>

#include "runtime/platform.h"

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#endif

StdHandles std_handles;

void platform_std_handles_init() {
    // Descriptors 0 and 1; a closed descriptor counts as absent.
    std_handles.input = fcntl(0, F_GETFD) != -1 ? 0 : -1;
    std_handles.output = fcntl(1, F_GETFD) != -1 ? 1 : -1;
    // Output to a reader that has gone away fails and is dropped, as on
    // Windows; the signal would end the program with another exit code.
    signal(SIGPIPE, SIG_IGN);
}

int64_t platform_write(intptr_t handle, const void* bytes, size_t length) {
    if (handle < 0) return -1;
    const int fd = static_cast<int>(handle);
    for (;;) {
        const ssize_t n = write(fd, bytes, length);
        if (n >= 0) return n;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            // Output opened non-blocking (some terminals do that) with its
            // reader behind: wait for room. A reader that went away shows as
            // a hang-up or an error, and the next write reports it.
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, -1) < 0 && errno != EINTR) return -1;
        } else if (errno != EINTR) {
            return n;
        }
    }
}

int64_t platform_read(intptr_t handle, void* bytes, size_t length) {
    if (handle < 0) return -1;
    for (;;) {
        const ssize_t n = read(static_cast<int>(handle), bytes, length);
        if (n >= 0 || errno != EINTR) return n;
    }
}

bool platform_is_terminal(intptr_t handle) { return handle >= 0 && isatty(static_cast<int>(handle)); }

void platform_fp_control() {
    fesetround(FE_TONEAREST);
#if defined(__x86_64__) || defined(__i386__)
    fpu_control_t cw;
    _FPU_GETCW(cw);
    cw = (cw & ~(_FPU_EXTENDED | _FPU_RC_ZERO)) | _FPU_EXTENDED | _FPU_RC_NEAREST;
    _FPU_SETCW(cw);
#endif
}

void platform_exit(int32_t code) { std::exit(code); }

void platform_sleep_ms(int32_t ms) {
    if (ms <= 0) return;
    timespec t{ms / 1000, (ms % 1000) * 1000000L};
    while (nanosleep(&t, &t) == -1 && errno == EINTR) {
    }
}

void platform_beep(int32_t, int32_t ms) {
    // A terminal bell has no pitch; ring the controlling terminal's and take
    // as long as the tone would.
    const int tty = open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (tty >= 0) {
        (void)!write(tty, "\a", 1);
        close(tty);
    }
    platform_sleep_ms(ms);
}

bool platform_counter_frequency(int64_t* counts_per_second) {
    timespec t;
    if (clock_gettime(CLOCK_MONOTONIC, &t) != 0) {
        *counts_per_second = 0;
        return false;
    }
    *counts_per_second = 1000000000;
    return true;
}

int64_t platform_counter() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000000000 + t.tv_nsec;
}

uint32_t platform_tick_count() {
    timeval t{};
    gettimeofday(&t, nullptr);
    return static_cast<uint32_t>(static_cast<uint64_t>(t.tv_sec) * 1000 + t.tv_usec / 1000);
}

bool platform_threads_available() { return true; }

void platform_yield() {}
