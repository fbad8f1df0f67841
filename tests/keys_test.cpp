#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "console/console_input.h"
#include "runtime/console_hooks.h"
#include "runtime/key_codes.h"
#include "runtime/keys.h"

using namespace pantalla::detail;

namespace {

// Leaves the console queue empty with no press marked.
void drain_console_queue() {
    while (console_queue_take() != -1) {
    }
    console_queue_take_pressed();
}

class ConsoleQueue : public ::testing::Test {
protected:
    void SetUp() override { drain_console_queue(); }
    void TearDown() override { drain_console_queue(); }
};

TEST_F(ConsoleQueue, KeepsTheLast511) {
    struct Row { int pushes; int left; int32_t oldest; };
    const Row rows[] = {{1, 1, 1}, {511, 511, 1}, {512, 511, 2}, {600, 511, 90}};
    for (const Row& r : rows) {
        for (int i = 1; i <= r.pushes; ++i) console_queue_push(i);
        EXPECT_EQ(console_queue_take(), r.oldest) << r.pushes;
        int left = 1;
        int32_t last = r.oldest;
        for (int32_t code; (code = console_queue_take()) != -1; ++left) last = code;
        EXPECT_EQ(left, r.left) << r.pushes;
        EXPECT_EQ(last, r.pushes) << r.pushes;
        EXPECT_TRUE(console_queue_empty());
    }
}

// Two threads push while a third takes: nothing is torn or reordered, and
// each pusher's codes arrive in the order pushed (some may be dropped when
// the queue is full).
TEST_F(ConsoleQueue, PushesFromTwoThreadsWhileOneTakes) {
    constexpr int32_t kPerThread = 20000;
    constexpr int32_t kTag = 1 << 20;
    std::atomic<int> pushers_done{0};
    auto pusher = [&](int32_t tag) {
        for (int32_t i = 1; i <= kPerThread; ++i) console_queue_push(tag * kTag + i);
        pushers_done.fetch_add(1);
    };
    std::vector<int32_t> last_seen(3, 0);
    int32_t taken = 0;
    bool in_order = true, valid = true;
    std::thread taker([&] {
        for (;;) {
            const bool finished = pushers_done.load() == 2;
            const int32_t code = console_queue_take();
            if (code == -1) {
                if (finished) return;
                console_queue_take_pressed();
                continue;
            }
            const int32_t tag = code / kTag, seq = code % kTag;
            if ((tag != 1 && tag != 2) || seq < 1 || seq > kPerThread) {
                valid = false;
                continue;
            }
            if (seq <= last_seen[tag]) in_order = false;
            last_seen[tag] = seq;
            ++taken;
        }
    });
    std::thread first(pusher, 1), second(pusher, 2);
    first.join();
    second.join();
    taker.join();
    EXPECT_TRUE(valid);
    EXPECT_TRUE(in_order);
    EXPECT_GE(taken, 511);
    EXPECT_LE(taken, 2 * kPerThread);
    EXPECT_TRUE(console_queue_empty());
}

class KeyPolling : public ConsoleQueue {
protected:
    void TearDown() override {
        console_hooks = ConsoleHooks{};
        ConsoleQueue::TearDown();
    }
    static inline std::vector<int32_t> slept;
};

TEST_F(KeyPolling, ScreenHooksComeFirst) {
    console_hooks.get_key = [] { return key_code_string(extended_key(0x48)); };
    console_hooks.key_ready = [] { return int32_t{1}; };
    console_hooks.wait_key = [] { return int32_t{'w'}; };
    slept.clear();
    console_hooks.sleep_ms = [](int32_t ms) { slept.push_back(ms); };
    RtString* key = poll_key_string();
    EXPECT_EQ(std::string(key->data, string_length(key)), "\xFF\x48");
    string_release_temp(key);
    EXPECT_EQ(key_available(), 1);
    EXPECT_EQ(wait_key_code(), 'w');
    sleep_or_key(-1);
    sleep_or_key(300);
    EXPECT_EQ(slept, (std::vector<int32_t>{-1, 300}));
}

TEST_F(KeyPolling, WaitTakesAWaitingKey) {
    console_queue_push(extended_key(0x48));
    console_queue_push('x');
    EXPECT_EQ(wait_key_code(), 0x48FF);
    EXPECT_EQ(wait_key_code(), 'x');
}

// With a key pressed and waiting: only waits of -1 or above 99 ms look at
// the press, and they end at once, clearing it.
TEST_F(KeyPolling, SleepOrKeyLooksOnlyOnLongWaits) {
    struct Row { int32_t ms; int32_t pressed_after; };
    const Row rows[] = {{0, 1}, {-5, 1}, {1, 1}, {99, 1}, {100, 0}, {60000, 0}, {-1, 0}};
    for (const Row& r : rows) {
        console_queue_push('k');
        sleep_or_key(r.ms);
        EXPECT_EQ(console_queue_take_pressed(), r.pressed_after) << r.ms;
        EXPECT_EQ(console_queue_take(), 'k') << r.ms;  // the key itself stays
    }
}

}  // namespace
