#include "runtime/rt_string.h"

#include <cstdlib>
#include <cstring>

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

RtString pool[kStringPoolSize];
bool pool_used[kStringPoolSize];
char empty_byte = 0;
RtString empty_string{&empty_byte, 0, 0};

RtString* pool_take() {
    for (uint32_t i = 0; i < kStringPoolSize; ++i) {
        if (!pool_used[i]) {
            pool_used[i] = true;
            pool[i] = RtString{nullptr, kTemporaryBit, 0};
            return &pool[i];
        }
    }
    return nullptr;
}

bool from_pool(const RtString* s) {
    return s >= pool && s < pool + kStringPoolSize;
}

}  // namespace

}  // namespace pantalla::detail

RtString* string_empty() { return &empty_string; }

RtString* string_temp_literal(const char* text, uint32_t length) {
    RtString* s = pool_take();
    if (!s) return string_empty();
    s->data = const_cast<char*>(text ? text : &empty_byte);
    s->length = (text ? length : 0) | kTemporaryBit;
    s->capacity = 0;
    return s;
}

RtString* string_temp_literal(const char* text) {
    return string_temp_literal(text, text ? static_cast<uint32_t>(std::strlen(text)) : 0);
}

RtString* string_temp_copy(const char* bytes, uint32_t length) {
    RtString* s = pool_take();
    if (!s) return nullptr;
    if (length == 0) {
        s->data = &empty_byte;
        return s;
    }
    char* data = static_cast<char*>(std::malloc(length + 1));
    if (!data) {
        pool_used[s - pool] = false;
        return nullptr;
    }
    std::memcpy(data, bytes, length);
    data[length] = 0;
    *s = RtString{data, length | kTemporaryBit, length + 1};
    return s;
}

void string_release_temp(RtString* s) {
    if (!string_is_temporary(s) || !from_pool(s)) return;
    if (s->capacity) std::free(s->data);
    *s = RtString{nullptr, 0, 0};
    pool_used[s - pool] = false;
}

int string_compare(RtString* a, RtString* b) {
    const uint32_t la = string_length(a), lb = string_length(b);
    const uint32_t n = la < lb ? la : lb;
    int r = n ? std::memcmp(a->data, b->data, n) : 0;
    if (r == 0) r = la < lb ? -1 : (la > lb ? 1 : 0);
    string_release_temp(a);
    string_release_temp(b);
    return r;
}

bool string_set(RtString* s, const char* bytes, uint32_t length) {
    if (length + 1 > s->capacity || s->capacity == 0) {
        char* data = static_cast<char*>(std::malloc(length + 1));
        if (!data) return false;
        if (s->capacity) std::free(s->data);
        s->data = data;
        s->capacity = length + 1;
    }
    if (length) std::memmove(s->data, bytes, length);
    s->data[length] = 0;
    s->length = (s->length & kTemporaryBit) | length;
    return true;
}

bool string_append(RtString* s, const char* bytes, uint32_t length) {
    const uint32_t old = string_length(s);
    if (length == 0) return true;
    if (length > 0x7FFFFFFEu - old) return false;
    const uint32_t needed = old + length + 1;
    if (s->capacity < needed) {
        uint32_t capacity = s->capacity < 16 ? 16 : s->capacity;
        while (capacity < needed) capacity = capacity > 0x3FFFFFFFu ? needed : capacity * 2;
        char* data = static_cast<char*>(std::malloc(capacity));
        if (!data) return false;
        if (old) std::memcpy(data, s->data, old);
        if (s->capacity) std::free(s->data);
        s->data = data;
        s->capacity = capacity;
    }
    std::memcpy(s->data + old, bytes, length);
    s->data[old + length] = 0;
    s->length = (s->length & kTemporaryBit) | (old + length);
    return true;
}

void string_clear(RtString* s) {
    if (s->capacity) std::free(s->data);
    *s = RtString{nullptr, s->length & kTemporaryBit, 0};
}

void string_assign(RtString* dst, RtString* src) {
    if (dst == src) return;
    if (string_is_temporary(src) && from_pool(src) && src->capacity) {
        // Steal the temporary's bytes instead of copying them.
        if (dst->capacity) std::free(dst->data);
        dst->data = src->data;
        dst->length = string_length(src);
        dst->capacity = src->capacity;
        src->capacity = 0;
    } else if (string_length(src) == 0) {
        string_clear(dst);
        dst->length = 0;
    } else {
        string_set(dst, src->data, string_length(src));
        dst->length = string_length(src);
    }
    string_release_temp(src);
}

namespace pantalla::detail {

uint32_t string_pool_free() {
    uint32_t n = 0;
    for (bool used : pool_used) n += used ? 0 : 1;
    return n;
}

}  // namespace pantalla::detail
