#include "runtime/thread_start.h"

#include <atomic>
#include <cerrno>
#include <system_error>
#include <utility>

namespace pantalla::detail {

namespace {
std::atomic<int32_t> refusals{0};

bool refused() {
    int32_t left = refusals.load();
    while (left > 0)
        if (refusals.compare_exchange_weak(left, left - 1)) return true;
    return false;
}
}  // namespace

void thread_start_refuse(int32_t count) { refusals = count; }

// The one place a thread's start is caught: a build without exceptions
// would end here as it would anywhere else.
int32_t thread_start(std::thread* into, std::function<void()> work) {
    if (refused()) return EAGAIN;
#if defined(__cpp_exceptions)
    try {
        *into = std::thread(std::move(work));
    } catch (const std::system_error& failure) {
        return failure.code().value() ? failure.code().value() : EAGAIN;
    }
#else
    *into = std::thread(std::move(work));
#endif
    return 0;
}

}  // namespace pantalla::detail
