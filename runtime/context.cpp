#include "runtime/context.h"

#include <cstdio>
#include <cstdlib>

namespace pantalla::detail {

namespace {
void* blocks[kContextSlots];
}

void* runtime_context(ContextSlot slot, size_t size) {
    void*& block = blocks[slot];
    if (!block) {
        block = std::calloc(1, size);
        if (!block) {
            std::fputs("out of memory\n", stderr);
            std::abort();
        }
    }
    return block;
}

}  // namespace pantalla::detail
