#include <errno.h>
#include <fcntl.h>
#include <fenv.h>
#include <poll.h>
#include <signal.h>
#include <sys/time.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>

#include "runtime/platform.h"
#include "runtime/posix/platform_posix.h"

#if defined(__x86_64__) || defined(__i386__)
#include <fpu_control.h>
#endif

namespace pantalla::detail {

StdHandles std_handles;

namespace {

constexpr int64_t kEndingWaitNs = 1'500'000'000;
// When waiting writes give up (platform_counter); 0 while the program runs.
std::atomic<int64_t> ending_deadline{0};
std::atomic<int> ending_depth{0};
std::atomic<int> flags_before_ending{-1};
static_assert(std::atomic<int64_t>::is_always_lock_free, "safe in a signal handler");

// How long a write may still wait for room; -1 for as long as it takes.
int wait_ms() {
    const int64_t deadline = ending_deadline.load();
    if (deadline == 0) return -1;
    const int64_t left = deadline - platform_counter();
    return left <= 0 ? 0 : static_cast<int>(left / 1000000 + 1);
}

}  // namespace

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
            // Output opened non-blocking (some terminals do that), or made so
            // on the way out, with its reader behind: wait for room. A reader
            // that went away shows as a hang-up or an error, and the next
            // write reports it.
            const int wait = wait_ms();
            if (wait == 0) return -1;
            pollfd p{fd, POLLOUT, 0};
            if (poll(&p, 1, wait) < 0 && errno != EINTR) return -1;
        } else if (errno != EINTR) {
            return n;
        }
    }
}

void platform_output_ending_begin() {
    int64_t running = 0;
    ending_deadline.compare_exchange_strong(running, platform_counter() + kEndingWaitNs);
    const int fd = static_cast<int>(std_handles.output);
    const int flags = fd >= 0 ? fcntl(fd, F_GETFL) : -1;
    // Read before counting: a nested pair from a signal handler that came
    // in between then sees, and puts back, the same flags.
    if (ending_depth.fetch_add(1) == 0) flags_before_ending = flags;
    if (flags >= 0 && !(flags & O_NONBLOCK)) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

void platform_output_ending_end(bool process_ends) {
    if (ending_depth.fetch_sub(1) != 1 && !process_ends) return;
    // The flags belong to the open terminal, which the shell shares.
    const int flags = flags_before_ending.exchange(-1);
    if (flags >= 0 && std_handles.output >= 0) fcntl(static_cast<int>(std_handles.output), F_SETFL, flags);
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

}  // namespace pantalla::detail
