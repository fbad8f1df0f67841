// The runtime's lazily created context blocks: zero-filled on first use and
// kept until the process ends. Block 0 holds the error state, block 2 the
// line-input reader.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pantalla::detail {

enum ContextSlot : int { kContextErrors = 0, kContextLineReader = 2, kContextSlots = 4 };

// Returns the block of a slot, allocating `size` zero bytes the first time.
// Aborts the process when memory for a first block cannot be had, since no
// statement can report an error without its error block.
void* runtime_context(ContextSlot slot, size_t size);

template <class T>
T& runtime_context_block(ContextSlot slot) {
    return *static_cast<T*>(runtime_context(slot, sizeof(T)));
}

struct ErrorBlock {
    int32_t last_error;
    int32_t reserved[4];
};

// Error numbers: 0 success, 1 bad device or argument, 4 no input line.
inline int32_t set_last_error(int32_t code) {
    runtime_context_block<ErrorBlock>(kContextErrors).last_error = code;
    return code;
}

}  // namespace pantalla::detail

inline int32_t last_error() {
    using namespace pantalla::detail;
    return runtime_context_block<ErrorBlock>(kContextErrors).last_error;
}
