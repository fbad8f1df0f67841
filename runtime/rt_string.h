// Runtime strings: a descriptor with a data pointer, a length whose top bit
// marks a temporary that the consuming statement releases, and a capacity.
#pragma once

#include <cstdint>

struct RtString {
    char* data;
    uint32_t length;    // bit 31: temporary
    uint32_t capacity;  // 0: the data is borrowed (a literal), never freed
};

namespace pantalla::detail {

constexpr uint32_t kTemporaryBit = 0x80000000u;
constexpr uint32_t kStringPoolSize = 256;

}  // namespace pantalla::detail

inline uint32_t string_length(const RtString* s) {
    return s ? (s->length & ~pantalla::detail::kTemporaryBit) : 0;
}
inline bool string_is_temporary(const RtString* s) {
    return s && (s->length & pantalla::detail::kTemporaryBit) != 0;
}

// Wraps a literal in a temporary descriptor from the pool, without copying.
// With the pool exhausted the result is the shared empty string.
RtString* string_temp_literal(const char* text, uint32_t length);
RtString* string_temp_literal(const char* text);

// A temporary string owning a copy of the bytes (or empty), or null when no
// descriptor or memory could be had.
RtString* string_temp_copy(const char* bytes, uint32_t length);

// The shared empty string: never temporary, never released.
RtString* string_empty();

// Releases a temporary string (its descriptor and owned bytes); does
// nothing for other strings and for null.
void string_release_temp(RtString* s);

// Byte-wise comparison, the shorter text first: <0, 0, >0. A temporary
// operand is released.
int string_compare(RtString* a, RtString* b);

// dst = src. The variable dst owns its bytes; a temporary src is consumed.
void string_assign(RtString* dst, RtString* src);

// Replaces the bytes of an owned string (used by editors and readers).
bool string_set(RtString* s, const char* bytes, uint32_t length);

// Appends bytes to an owned string, growing it geometrically.
bool string_append(RtString* s, const char* bytes, uint32_t length);

// Frees the bytes that a variable owns and leaves it empty.
void string_clear(RtString* s);

namespace pantalla::detail {

// Descriptors still free in the pool (for tests and diagnostics).
uint32_t string_pool_free();

}  // namespace pantalla::detail
