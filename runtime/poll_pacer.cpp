#include "runtime/poll_pacer.h"

#include <atomic>
#include <chrono>

namespace pantalla::detail {

namespace {

// All on the program's thread, except that tests read the count of waits
// from another.
PollPacer pacer;
uint64_t statements = 0;
uint64_t statements_at_begin = 0;
bool pacing = true;
std::atomic<uint64_t> waits{0};

int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

void note_statement() { ++statements; }

void poll_pacer_begin() {
    statements_at_begin = statements;
    if (pacing) pacer.begin(now_ns, statements);
}

bool poll_pacer_idle() {
    if (!pacing || !pacer.idle(now_ns, statements_at_begin)) return false;
    waits.fetch_add(1, std::memory_order_relaxed);
    return true;
}

int32_t poll_pacer_wait_ms() { return pacer.wait_ms(); }

void poll_pacer_end(bool got_key, bool waited) { pacer.end(now_ns, got_key, waited, statements); }

void poll_pacing(bool on) {
    pacing = on;
    pacer = PollPacer{};
}

uint64_t poll_pacer_waits() { return waits.load(std::memory_order_relaxed); }

}  // namespace pantalla::detail
