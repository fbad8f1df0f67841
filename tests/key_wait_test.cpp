#include <atomic>
#include <thread>

#include "gfx/keyboard.h"
#include "runtime/keys.h"
#include "runtime/poll_pacer.h"
#include "runtime/print.h"
#include "tests/gfx_fixture.h"

using namespace pantalla::detail;

namespace {

std::string text(RtString* s) {
    std::string t(s->data ? s->data : "", string_length(s));
    string_release_temp(s);
    return t;
}

constexpr int64_t kSoon = PollPacer::kGapNs / 10;
constexpr int64_t kLate = PollPacer::kGapNs * 2;

// One empty poll: how long after the previous one ended it starts, whether
// a statement ran in between, whether the pacer should wait, and how long
// its look at the input takes.
struct Poll {
    int64_t after_ns;
    bool statement_between;
    bool waits;
    int64_t look_ns = 0;
};

std::vector<Poll> back_to_back(int n, bool last_waits) {
    std::vector<Poll> polls(static_cast<size_t>(n), Poll{kSoon, false, false});
    polls.back().waits = last_waits;
    return polls;
}

TEST(PollPacer, WaitsOnlyAfterAStreakOfBackToBackEmptyPolls) {
    const struct {
        const char* name;
        std::vector<Poll> polls;
    } rows[] = {
        {"short of the streak", back_to_back(PollPacer::kStreak - 1, false)},
        {"the streak", back_to_back(PollPacer::kStreak, true)},
        {"a late poll starts again",
         [] {
             auto p = back_to_back(PollPacer::kStreak, false);
             p[3].after_ns = kLate;
             return p;
         }()},
        {"a statement starts again",
         [] {
             // A new streak from the sixth poll on: the poll right after
             // the statement does not count.
             auto p = back_to_back(5 + PollPacer::kStreak, true);
             p[4].statement_between = true;
             return p;
         }()},
        {"looks slower than the gap, back to back",
         [] {
             auto p = back_to_back(PollPacer::kStreak, true);
             for (Poll& poll : p) poll.look_ns = kLate;
             return p;
         }()},
        {"a statement just before stops the wait",
         [] {
             auto p = back_to_back(PollPacer::kStreak + 3, true);
             p.back() = {kSoon, true, false};
             return p;
         }()},
    };
    for (const auto& row : rows) {
        PollPacer pacer;
        int64_t now = 1'000'000'000;
        uint64_t statements = 0;
        for (size_t i = 0; i < row.polls.size(); ++i) {
            const Poll& p = row.polls[i];
            now += p.after_ns;
            if (p.statement_between) ++statements;
            const auto clock = [&now] { return now; };
            pacer.begin(clock, statements);
            now += p.look_ns;
            const bool waits = pacer.idle(clock, statements);
            if (i + 1 == row.polls.size()) {
                EXPECT_EQ(waits, p.waits) << row.name;
            }
            pacer.end(clock, false, waits, statements);
        }
    }
}

TEST(PollPacer, AKeyEndsTheStreak) {
    PollPacer pacer;
    int64_t now = 0;
    const auto clock = [&now] { return now; };
    bool waits = false;
    for (int i = 0; i < PollPacer::kStreak; ++i) {
        now += kSoon;
        pacer.begin(clock, 0);
        waits = pacer.idle(clock, 0);
        pacer.end(clock, false, waits, 0);
    }
    EXPECT_TRUE(waits);
    now += kSoon;
    pacer.end(clock, true, false, 0);
    now += kSoon;
    pacer.begin(clock, 0);
    EXPECT_FALSE(pacer.idle(clock, 0));
}

TEST(PollPacer, WaitsGrowThroughAStreakAndAKeyStartsThemAgain) {
    PollPacer pacer;
    int64_t now = 0;
    const auto clock = [&now] { return now; };
    std::vector<int32_t> waits;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < PollPacer::kStreak + 6; ++i) {
            now += kSoon;
            pacer.begin(clock, 0);
            const bool wait = pacer.idle(clock, 0);
            if (wait) waits.push_back(pacer.wait_ms());
            pacer.end(clock, false, wait, 0);
        }
        pacer.end(clock, true, false, 0);
    }
    const std::vector<int32_t> once = {5, 10, 20, 40, 80, 80, 80};
    std::vector<int32_t> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(waits, twice);
}

// Polls with nothing arriving until one of them has waited.
void poll_until_waiting() {
    const uint64_t before = poll_pacer_waits();
    while (poll_pacer_waits() == before) ASSERT_EQ(text(poll_key_string()), "");
}

TEST_F(GfxTest, FinalWaitEndsOnAKeyFromAnotherThread) {
    open(19, 16);
    const uint64_t before = poll_pacer_waits();
    std::thread typist([before] {
        // Only once the poller waits, so the key has to end a wait.
        while (poll_pacer_waits() == before) std::this_thread::yield();
        gfx_push_key('x');
    });
    std::string key;
    while (key.empty()) key = text(poll_key_string());
    typist.join();
    EXPECT_EQ(key, "x");
}

TEST_F(GfxTest, AWaitingKeyIsReturnedWithoutWaiting) {
    open(19, 16);
    poll_until_waiting();
    gfx_push_key(0x48FF);
    const uint64_t waits = poll_pacer_waits();
    EXPECT_EQ(text(poll_key_string()), "\xFF\x48");
    EXPECT_EQ(poll_pacer_waits(), waits);
}

TEST_F(GfxTest, APollAfterAnotherStatementDoesNotWait) {
    open(19, 16);
    const struct {
        const char* name;
        void (*statement)();
    } rows[] = {
        {"print", [] { print_text(0, string_temp_literal("."), 0); }},
        {"lock and unlock", [] {
             screen_lock();
             screen_unlock(-1, -1);
         }},
    };
    for (const auto& row : rows) {
        poll_until_waiting();
        row.statement();
        const uint64_t waits = poll_pacer_waits();
        EXPECT_EQ(text(poll_key_string()), "") << row.name;
        EXPECT_EQ(poll_pacer_waits(), waits) << row.name;
    }
}

TEST_F(GfxTest, NoWaitWhileTheProgramHoldsTheLock) {
    open(19, 16);
    poll_until_waiting();
    screen_lock();
    const uint64_t waits = poll_pacer_waits();
    for (int i = 0; i < 3 * PollPacer::kStreak; ++i) EXPECT_EQ(text(poll_key_string()), "");
    EXPECT_EQ(poll_pacer_waits(), waits);
    screen_unlock(-1, -1);
}

TEST_F(GfxTest, PacingOffNeverWaits) {
    open(19, 16);
    poll_pacing(false);
    const uint64_t waits = poll_pacer_waits();
    for (int i = 0; i < 3 * PollPacer::kStreak; ++i) EXPECT_EQ(text(poll_key_string()), "");
    EXPECT_EQ(poll_pacer_waits(), waits);
    poll_pacing(true);
}

}  // namespace
