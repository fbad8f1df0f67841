#include "runtime/poll_pacer.h"

#include <atomic>
#include <chrono>

namespace {

// All on the program's thread, except that tests read the count of waits
// from another.
PollPacer pacer;
uint64_t statements = 0;
bool pacing = true;
std::atomic<uint64_t> waits{0};

int64_t now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

bool PollPacer::idle(int64_t now, uint64_t statements_now) {
    const bool back_to_back = streak > 0 && statements_now == statements_seen && now - last_end_ns < kGapNs;
    streak = back_to_back ? streak + 1 : 1;
    statements_seen = statements_now;
    return streak >= kStreak;
}

void PollPacer::end(int64_t now, bool got_key) {
    last_end_ns = now;
    if (got_key) streak = 0;
}

void note_statement() { ++statements; }

bool poll_pacer_idle() {
    if (!pacing || !pacer.idle(now_ns(), statements)) return false;
    waits.fetch_add(1, std::memory_order_relaxed);
    return true;
}

void poll_pacer_end(bool got_key) { pacer.end(now_ns(), got_key); }

void poll_pacing(bool on) {
    pacing = on;
    pacer = PollPacer{};
}

uint64_t poll_pacer_waits() { return waits.load(std::memory_order_relaxed); }
