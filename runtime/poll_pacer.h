// Pacing of key polls. A program that polls for a key back to back, with
// nothing arriving and no other statement in between, is only waiting; after
// a few such polls the poll itself waits a little for a key (on the key
// queue's condition or the display's events) instead of returning at once,
// so that the wait costs next to nothing. A loop that does anything else
// between its polls is never held up.
#pragma once

#include <cstdint>

// The decision, apart from clocks and statements, so it can be tested.
struct PollPacer {
    // Empty polls in a row, each soon after the previous one ended.
    static constexpr int32_t kStreak = 8;
    // How soon "soon" is.
    static constexpr int64_t kGapNs = 1'000'000;
    // The longest wait inside one poll.
    static constexpr int32_t kWaitMs = 5;

    int32_t streak = 0;
    int64_t last_end_ns = 0;
    uint64_t statements_seen = 0;

    // A poll found no key at `now_ns`, with `statements` run so far: true
    // when it should wait before it looks again.
    bool idle(int64_t now_ns, uint64_t statements);
    // The poll is over; a key ends the streak.
    void end(int64_t now_ns, bool got_key);
};

// Statements other than key polls call this, so that the polls around them
// do not count as back to back.
void note_statement();

// For the key polls: true when the poll that found no key should wait up
// to PollPacer::kWaitMs before it looks again. Call poll_pacer_end as the
// poll returns.
bool poll_pacer_idle();
void poll_pacer_end(bool got_key);

// Switches the pacing off (for comparisons) and on again (the default).
void poll_pacing(bool on);
// How many polls have waited so far.
uint64_t poll_pacer_waits();
