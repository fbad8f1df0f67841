// The queue between the console's reader thread and the program.
#include "console/input_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace pantalla::detail;

namespace {

using Items = std::vector<int>;

TEST(InputQueue, KeepsOrderAndBoundsTheReader) {
    struct Row {
        Items pushed;     // in one push each, in order
        size_t room;      // what the reader may read next
    };
    const Row rows[] = {
        {{}, 4},
        {{1}, 3},
        {{1, 2, 3}, 1},
    };
    for (const Row& row : rows) {
        InputQueue<int> queue(4);
        for (int item : row.pushed) queue.push(&item, 1);
        EXPECT_EQ(queue.wait_for_room(), row.room);
        Items taken{0};  // taking appends
        queue.take_all(taken);
        Items expected{0};
        expected.insert(expected.end(), row.pushed.begin(), row.pushed.end());
        EXPECT_EQ(taken, expected);
        EXPECT_EQ(queue.wait_for_room(), 4u);
    }
}

TEST(InputQueue, TakesTheOldestUpToAMaximum) {
    struct Row {
        Items waiting;
        size_t max;
        Items taken;
        bool more;
    };
    const Row rows[] = {
        {{}, 2, {}, false},
        {{1, 2, 3}, 2, {1, 2}, true},
        {{1, 2, 3}, 3, {1, 2, 3}, false},
        {{1, 2}, 5, {1, 2}, false},
        {{1, 2}, 0, {}, true},
    };
    for (const Row& row : rows) {
        InputQueue<int> queue(4);
        if (!row.waiting.empty()) queue.push(row.waiting.data(), row.waiting.size());
        Items taken;
        EXPECT_EQ(queue.take_up_to(taken, row.max), row.more);
        EXPECT_EQ(taken, row.taken);
        // The rest is still there, in order, and its room is free again.
        Items rest;
        queue.take_all(rest);
        EXPECT_EQ(taken.size() + rest.size(), row.waiting.size());
        if (!rest.empty()) {
            EXPECT_EQ(rest.front(), row.waiting[taken.size()]);
        }
        EXPECT_EQ(queue.wait_for_room(), 4u);
    }
}

// No wait below may end by its time: each must be ended by what it waits for.
constexpr int32_t kForever = 600'000;

TEST(InputQueue, WaitEndsForAnItemOrAWake) {
    InputQueue<int> queue(8);
    const int item = 7;
    queue.push(&item, 1);
    EXPECT_TRUE(queue.wait(kForever));  // already waiting
    Items taken;
    queue.take_all(taken);

    std::thread pusher([&] { queue.push(&item, 1); });
    EXPECT_TRUE(queue.wait(kForever));
    pusher.join();
    queue.take_all(taken);
    EXPECT_EQ(taken, (Items{7, 7}));

    // A wake that came first ends the next wait.
    queue.wake();
    EXPECT_FALSE(queue.wait(kForever));
    std::atomic<bool> done{false};
    std::thread waker([&] {
        while (!done) {
            queue.wake();
            std::this_thread::yield();
        }
    });
    EXPECT_FALSE(queue.wait(kForever));
    done = true;
    waker.join();
}

TEST(InputQueue, AFullQueueHoldsTheReaderUntilTaken) {
    InputQueue<int> queue(2);
    const int items[] = {1, 2};
    queue.push(items, 2);
    std::atomic<bool> reading{false};
    std::thread reader([&] {
        const size_t room = queue.wait_for_room();
        reading = true;
        EXPECT_EQ(room, 2u);
    });
    Items taken;
    queue.take_all(taken);
    reader.join();
    EXPECT_TRUE(reading);
    EXPECT_EQ(taken, (Items{1, 2}));
}

}  // namespace
