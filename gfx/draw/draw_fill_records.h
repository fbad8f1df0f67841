// What a flood fill holds besides the picture: the painted runs of rows that
// cannot tell them by colour, and the runs still to grow. Each is bounded by
// a bitmap of the view, one bit a pixel, and the stack of runs by a budget,
// so that no picture makes the fill hold more than the view's own size.
// Allocations that fail are reported, never thrown.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>

namespace pantalla::detail {

struct Span {
    int32_t left, right;  // inclusive
};

// A stretch left..right of row y whose unpainted runs are to be grown,
// scanned under a painted run of row y - dy (dy 0: no such row, both
// neighbours are to be scanned). An open end is where the scan stopped: a run
// there may go on past it, and past it the row y - dy was not seen.
struct Seed {
    int32_t y, left, right;
    int8_t dy;
    bool open_left, open_right;
};

// Rows of one bit a pixel over x0..x1-1, allocated whole; a row is zeroed
// when it comes into use, so rows never used cost no writes.
class BitRows {
public:
    bool allocate(int32_t rows, int32_t x0, int32_t x1);
    bool allocated() const { return bits_ != nullptr; }
    size_t words() const { return words_; }
    uint64_t* row(int32_t r) const { return bits_.get() + static_cast<size_t>(r) * words_; }
    void zero(int32_t r) { std::memset(row(r), 0, words_ * sizeof(uint64_t)); }
    bool test(int32_t r, int32_t x) const {
        const uint32_t i = static_cast<uint32_t>(x - x0_);
        return row(r)[i / 64] >> (i % 64) & 1;
    }
    void set(int32_t r, Span s) { apply<true>(row(r), s); }
    // The first run of set bits of row r that starts in word `word` or
    // later, cleared; `word` moves to where it started. False: none.
    bool take_run(int32_t r, uint32_t* word, Span* s);

private:
    template <bool kSet>
    void apply(uint64_t* w, Span s) const {
        const uint32_t a = static_cast<uint32_t>(s.left - x0_), b = static_cast<uint32_t>(s.right - x0_);
        const uint64_t first = ~uint64_t{0} << (a % 64), last = ~uint64_t{0} >> (63 - b % 64);
        const auto put = [](uint64_t& word, uint64_t mask) { word = kSet ? word | mask : word & ~mask; };
        if (a / 64 == b / 64) return put(w[a / 64], first & last);
        put(w[a / 64], first);
        for (uint32_t i = a / 64 + 1; i < b / 64; ++i) w[i] = kSet ? ~uint64_t{0} : 0;
        put(w[b / 64], last);
    }

    std::unique_ptr<uint64_t[]> bits_;
    int32_t x0_ = 0;
    size_t words_ = 0;
};

// The painted runs of the rows that keep records, by row from the view's
// top. A row's first run is held as it is; a second turns the row into bits.
// Runs are painted whole up to border pixels, so unpainted, non-border
// pixels never touch painted ones: any pixel of a stretch between border
// pixels tells for all of it.
class Painted {
public:
    bool allocate(int32_t rows, int32_t x0, int32_t x1) {
        first_.reset(new (std::nothrow) Span[static_cast<size_t>(rows)]);
        return first_ && bits_.allocate(rows, x0, x1);
    }
    // Called before anything of row r is recorded.
    void start(int32_t r) { first_[r] = kNone; }
    bool at(int32_t r, int32_t x) const {
        const Span s = first_[r];
        return s.left == kBits ? bits_.test(r, x) : x >= s.left && x <= s.right;
    }
    void add(int32_t r, Span s) {
        Span& first = first_[r];
        if (first.left == kNone.left) {
            first = s;
            return;
        }
        if (first.left != kBits) {
            bits_.zero(r);
            bits_.set(r, first);
            first.left = kBits;
        }
        bits_.set(r, s);
    }

private:
    static constexpr Span kNone{INT32_MAX, INT32_MIN};
    static constexpr int32_t kBits = INT32_MIN;
    std::unique_ptr<Span[]> first_;
    BitRows bits_;
};

// Seeds that found the stack full wait as bits over their runs. They come
// back a run at a time, the top row first, as seeds open at both ends with
// no parent row, which is all a fill needs to grow them.
class Waiting {
public:
    Waiting(int32_t y0, int32_t rows, int32_t x0, int32_t x1) : y0_(y0), rows_(rows), x0_(x0), x1_(x1) {}
    // False: no memory for the bits.
    bool add(const Seed& s);
    bool take(Seed* s);

private:
    static constexpr uint32_t kFresh = UINT32_MAX;  // a row not zeroed yet
    const int32_t y0_, rows_, x0_, x1_;
    BitRows bits_;
    std::unique_ptr<uint32_t[]> from_;  // a row's first word that may hold bits
    int32_t next_ = INT32_MAX;          // rows above it hold none
};

// The seeds still to grow: a stack that grows to a budget and no further.
class SeedStack {
public:
    SeedStack() = default;
    ~SeedStack() { ::operator delete(data_); }
    SeedStack(const SeedStack&) = delete;
    SeedStack& operator=(const SeedStack&) = delete;
    void swap(SeedStack& o) {
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
        std::swap(room_, o.room_);
        std::swap(capacity_, o.capacity_);
        std::swap(budget_, o.budget_);
    }

    bool empty() const { return size_ == 0; }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    const Seed& operator[](size_t i) const { return data_[i]; }
    const Seed& back() const { return data_[size_ - 1]; }
    void pop_back() { --size_; }
    void resize_down(size_t n) { size_ = std::min(size_, n); }
    size_t room() const { return room_; }
    // Takes the first n seeds away; the rest move down.
    void drop_front(size_t n) {
        std::memmove(data_, data_ + n, (size_ - n) * sizeof(Seed));
        size_ -= n;
    }
    void limit(size_t budget) {
        budget_ = budget;
        room_ = std::min(capacity_, budget_);
    }
    // False when the stack is at its budget or memory ran out.
    bool push(Seed s) {
        if (size_ == room_ && !grow()) return false;
        data_[size_++] = s;
        return true;
    }

private:
    bool grow();

    Seed* data_ = nullptr;
    size_t size_ = 0, room_ = 0, capacity_ = 0, budget_ = SIZE_MAX;
};

}  // namespace pantalla::detail
