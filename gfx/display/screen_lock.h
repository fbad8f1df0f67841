// The screen lock shared by the program's thread and the update thread.
//
// It hands over in arrival order: whoever asked first gets it next. The
// program may poll for keys in a loop that takes and gives back the lock
// without any pause; with a plain mutex that loop can win the lock again
// and again while the update thread waits, and a spinning lock would burn
// the one processor the other thread needs. Here a waiter sleeps on a
// condition until its turn, so a release by the poller wakes the update
// thread, and the poller's next request queues behind it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>

namespace pantalla::detail {

class FairLock {
public:
    void lock() {
        std::unique_lock<std::mutex> guard(mutex_);
        const uint64_t ticket = next_++;
        if (ticket != serving_) {
            ++waiting_;
            turn_.wait(guard, [&] { return serving_ == ticket; });
            --waiting_;
        }
        owner_ = std::this_thread::get_id();
    }
    void unlock() {
        bool wake;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            owner_ = std::thread::id();
            ++serving_;
            wake = waiting_ != 0;
        }
        if (wake) turn_.notify_all();
    }

    bool held_by_this_thread() {
        std::lock_guard<std::mutex> guard(mutex_);
        return owner_ == std::this_thread::get_id();
    }

private:
    std::thread::id owner_;
    std::mutex mutex_;
    std::condition_variable turn_;
    uint64_t next_ = 0;
    uint64_t serving_ = 0;
    int waiting_ = 0;
};

}  // namespace pantalla::detail
