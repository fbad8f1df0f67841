// The replaced allocation functions: each block carries its size in front,
// so that a release knows what it gives back.
#include "tests/memory/heap_meter.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <new>

namespace {

constexpr size_t kHead = alignof(std::max_align_t);
std::atomic<size_t> held_bytes{0}, peak_bytes{0}, limit_bytes{SIZE_MAX};

void* take(size_t n) {
    const size_t now = held_bytes.fetch_add(n) + n;
    void* block = now <= limit_bytes.load() ? std::malloc(n + kHead) : nullptr;
    if (!block) {
        held_bytes.fetch_sub(n);
        return nullptr;
    }
    size_t seen = peak_bytes.load();
    while (now > seen && !peak_bytes.compare_exchange_weak(seen, now)) {
    }
    *static_cast<size_t*>(block) = n;
    return static_cast<char*>(block) + kHead;
}

void* take_or_throw(size_t n) {
    if (void* p = take(n)) return p;
    throw std::bad_alloc();
}

void give(void* p) {
    if (!p) return;
    void* block = static_cast<char*>(p) - kHead;
    held_bytes.fetch_sub(*static_cast<size_t*>(block));
    std::free(block);
}

}  // namespace

namespace heap_meter {

size_t held() { return held_bytes.load(); }
size_t peak() { return peak_bytes.load(); }
void mark() { peak_bytes.store(held_bytes.load()); }
void limit(size_t bytes) { limit_bytes.store(bytes); }

}  // namespace heap_meter

void* operator new(size_t n) { return take_or_throw(n); }
void* operator new[](size_t n) { return take_or_throw(n); }
void* operator new(size_t n, const std::nothrow_t&) noexcept { return take(n); }
void* operator new[](size_t n, const std::nothrow_t&) noexcept { return take(n); }
void operator delete(void* p) noexcept { give(p); }
void operator delete[](void* p) noexcept { give(p); }
void operator delete(void* p, size_t) noexcept { give(p); }
void operator delete[](void* p, size_t) noexcept { give(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { give(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { give(p); }
