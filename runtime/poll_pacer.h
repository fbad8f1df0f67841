// Pacing of key polls. A program that polls for a key back to back, with
// nothing arriving and no other statement in between, is only waiting; after
// a few such polls the poll itself waits a little for a key (on the key
// queue's condition or the display's events) instead of returning at once,
// so that the wait costs next to nothing. A loop that does anything else
// between its polls is never held up.
#pragma once

#include <cstdint>

namespace pantalla::detail {

// The decision, apart from clocks and statements, so it can be tested.
struct PollPacer {
    // Empty polls in a row, each soon after the previous one ended.
    static constexpr int32_t kStreak = 8;
    // How soon "soon" is: far longer than a loop that only polls takes,
    // far shorter than a frame of a loop that does work.
    static constexpr int64_t kGapNs = 250'000;
    // The first waits inside a poll; each further one in the same streak
    // is twice as long, up to kLongestWaitMs. Input ends a wait at once, so
    // no key comes later for it, and a program that waits a long time for
    // a key wakes a dozen times a second rather than two hundred.
    static constexpr int32_t kWaitMs = 5;
    static constexpr int32_t kLongestWaitMs = 80;

    int32_t streak = 0;
    int64_t last_end_ns = -1;  // -1: unknown, so the next poll starts a streak
    int64_t begin_ns = -1;     // when this poll began, if it may be back to back
    int64_t idle_ns = -1;      // when this poll found no key, if known
    uint64_t statements_at_end = 0;

    // A poll begins with `statements` run so far. `now` gives the time in
    // nanoseconds and is only asked when the answer may depend on it, so
    // that a loop that does other statements between its polls pays
    // nothing. The gap is measured from the last poll's end to this one's
    // beginning: the poll's own look at the input may take longer than the
    // gap where that is a system call (a console under Wine).
    template <class Now>
    void begin(Now now, uint64_t statements) {
        begin_ns = statements == statements_at_end && last_end_ns >= 0 ? now() : -1;
    }
    // The poll that began with `statements` run so far found no key: true
    // when it should wait before it looks again.
    template <class Now>
    bool idle(Now now, uint64_t statements) {
        if (statements != statements_at_end) {
            streak = 0;
            return false;
        }
        idle_ns = now();
        const bool back_to_back = streak > 0 && begin_ns >= 0 && begin_ns - last_end_ns < kGapNs;
        streak = back_to_back ? streak + 1 : 1;
        return streak >= kStreak;
    }
    // How long the poll that idle() told to wait should wait.
    int32_t wait_ms() const {
        int32_t ms = kWaitMs;
        for (int32_t n = streak - kStreak; n > 0 && ms < kLongestWaitMs; --n) ms *= 2;
        return ms < kLongestWaitMs ? ms : kLongestWaitMs;
    }
    // The poll is over, with `statements` run so far (its own screen locks
    // count too); `waited` when it waited after idle. A key ends the streak.
    template <class Now>
    void end(Now now, bool got_key, bool waited, uint64_t statements) {
        statements_at_end = statements;
        last_end_ns = got_key ? -1 : waited ? now() : idle_ns;
        idle_ns = -1;
        if (got_key) streak = 0;
    }
};

// Statements other than key polls call this, so that the polls around them
// do not count as back to back.
void note_statement();

// For the key polls: poll_pacer_begin as the poll starts; poll_pacer_idle
// when it found no key, true when it should wait up to poll_pacer_wait_ms()
// before it looks again; poll_pacer_end as it returns, `waited` when it
// did.
void poll_pacer_begin();
bool poll_pacer_idle();
int32_t poll_pacer_wait_ms();
void poll_pacer_end(bool got_key, bool waited);

// Switches the pacing off (for comparisons) and on again (the default).
void poll_pacing(bool on);
// How many polls have waited so far.
uint64_t poll_pacer_waits();

}  // namespace pantalla::detail
