// Counts the bytes the program holds through the global operator new and
// the most it held since a mark, and refuses requests past a limit. Linking
// heap_meter.cpp replaces the program's allocation functions.
#pragma once

#include <cstddef>

namespace heap_meter {

// Bytes held now.
size_t held();
// The most held since the last mark.
size_t peak();
void mark();
// Requests that would take the bytes held past `bytes` fail: operator new
// throws, its nothrow forms return null. SIZE_MAX lifts the limit.
void limit(size_t bytes);

}  // namespace heap_meter
