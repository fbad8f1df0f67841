// Feeds arbitrary streams to the resource decoder. The first two bytes give
// the destination's capacity; the buffer is an exact-size heap block so
// that any write past it is caught, and the rest of the input is the stream.
#include "gfx/resources.h"

#include <algorithm>
#include <cstdlib>
#include <memory>

using namespace pantalla::detail;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int32_t capacity = data[0] | data[1] << 8;
    const auto source_length = static_cast<int32_t>(size - 2);
    // A copy of exactly the stream's size, so reading past it is caught too.
    std::unique_ptr<uint8_t[]> source(new uint8_t[source_length]);
    std::copy(data + 2, data + size, source.get());
    std::unique_ptr<uint8_t[]> destination(new uint8_t[capacity]);

    int32_t length = capacity;
    const int32_t result = lzw_unpack(source.get(), source_length, destination.get(), &length);
    if ((result != 0 && result != -1) || length < 0 || length > capacity) std::abort();
    return 0;
}
