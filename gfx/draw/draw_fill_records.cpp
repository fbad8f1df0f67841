#include "gfx/draw/draw_fill_records.h"

#include <bit>
#include <new>

namespace pantalla::detail {

bool BitRows::allocate(int32_t rows, int32_t x0, int32_t x1) {
    x0_ = x0;
    words_ = (static_cast<size_t>(x1 - x0) + 63) / 64;
    bits_.reset(new (std::nothrow) uint64_t[static_cast<size_t>(rows) * words_]);
    return bits_ != nullptr;
}

bool BitRows::take_run(int32_t r, uint32_t* word, Span* s) {
    uint64_t* w = row(r);
    uint32_t k = *word;
    while (k < words_ && !w[k]) ++k;
    *word = k;
    if (k == words_) return false;
    const uint32_t a = k * 64 + static_cast<uint32_t>(std::countr_zero(w[k]));
    uint64_t zeros = ~w[k] & (~uint64_t{0} << (a % 64));
    while (!zeros && ++k < words_) zeros = ~w[k];
    const uint32_t b = zeros ? k * 64 + static_cast<uint32_t>(std::countr_zero(zeros)) : static_cast<uint32_t>(words_ * 64);
    *s = Span{x0_ + static_cast<int32_t>(a), x0_ + static_cast<int32_t>(b) - 1};
    apply<false>(w, *s);
    return true;
}

bool Waiting::add(const Seed& s) {
    if (!bits_.allocated()) {
        from_.reset(new (std::nothrow) uint32_t[static_cast<size_t>(rows_)]);
        if (!from_ || !bits_.allocate(rows_, x0_, x1_)) {
            from_.reset();
            return false;
        }
        std::fill(from_.get(), from_.get() + rows_, kFresh);
    }
    const int32_t r = s.y - y0_;
    if (from_[r] == kFresh) {
        bits_.zero(r);
        from_[r] = static_cast<uint32_t>(bits_.words());
    }
    bits_.set(r, Span{s.left, s.right});
    from_[r] = std::min(from_[r], static_cast<uint32_t>(s.left - x0_) / 64);
    next_ = std::min(next_, r);
    return true;
}

bool Waiting::take(Seed* s) {
    for (; next_ < rows_; ++next_) {
        Span run;
        if (from_[next_] != kFresh && bits_.take_run(next_, &from_[next_], &run)) {
            *s = Seed{y0_ + next_, run.left, run.right, 0, true, true};
            return true;
        }
    }
    return false;
}

bool SeedStack::grow() {
    if (room_ >= budget_) return false;
    const size_t capacity = std::min(std::max<size_t>(2 * capacity_, 256), budget_);
    Seed* data = static_cast<Seed*>(::operator new(capacity * sizeof(Seed), std::nothrow));
    if (!data) return false;
    if (size_) std::memcpy(data, data_, size_ * sizeof(Seed));
    ::operator delete(data_);
    data_ = data;
    capacity_ = room_ = capacity;
    return true;
}

}  // namespace pantalla::detail
