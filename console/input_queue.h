// A queue between a thread that reads input as it comes (blocked in the
// system while none does) and the program's thread, which takes everything
// waiting and may sleep until something is. Bounded: the reader waits for
// room, so input the program never takes stays with the system.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

namespace pantalla::detail {

template <class T>
class InputQueue {
public:
    explicit InputQueue(size_t capacity) : capacity_(capacity) {}

    // The reader: how many items it may read next, once there is room.
    size_t wait_for_room() {
        std::unique_lock<std::mutex> guard(mutex_);
        room_.wait(guard, [&] { return items_.size() < capacity_; });
        return capacity_ - items_.size();
    }
    void push(const T* items, size_t count) {
        {
            const std::lock_guard<std::mutex> guard(mutex_);
            items_.insert(items_.end(), items, items + count);
        }
        arrived_.notify_all();
    }
    // Appends every waiting item to `out`, in order.
    void take_all(std::vector<T>& out) { take_up_to(out, capacity_); }
    // Appends the oldest `max` waiting items (or all) to `out`, in order;
    // true when more wait.
    bool take_up_to(std::vector<T>& out, size_t max) {
        bool more;
        {
            const std::lock_guard<std::mutex> guard(mutex_);
            if (items_.empty()) return false;
            const size_t n = items_.size() < max ? items_.size() : max;
            out.insert(out.end(), items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(n));
            items_.erase(items_.begin(), items_.begin() + static_cast<std::ptrdiff_t>(n));
            more = !items_.empty();
        }
        room_.notify_all();
        return more;
    }
    // Sleeps until an item waits, a wake comes, or `ms` have gone by; true
    // when an item waits. A wake that came while no one waited ends the
    // next wait at once: a waiter that has announced it is about to sleep
    // cannot miss one.
    bool wait(int32_t ms) {
        std::unique_lock<std::mutex> guard(mutex_);
        arrived_.wait_for(guard, std::chrono::milliseconds(ms), [&] { return !items_.empty() || woken_; });
        woken_ = false;
        return !items_.empty();
    }
    void wake() {
        {
            const std::lock_guard<std::mutex> guard(mutex_);
            woken_ = true;
        }
        arrived_.notify_all();
    }

private:
    const size_t capacity_;
    std::mutex mutex_;
    std::condition_variable arrived_, room_;
    std::vector<T> items_;
    bool woken_ = false;
};

}  // namespace pantalla::detail
