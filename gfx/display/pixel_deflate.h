// A zlib stream of pixel rows for terminals that inflate images: one
// deflate block of fixed codes whose only matches repeat the pixel before
// or the row above, which is where flat screens repeat themselves. No
// library needed on any target.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pantalla::detail {

// Replaces `out` with the stream of `size` bytes of rows `row_bytes` long,
// `pixel_bytes` a pixel.
void pixel_deflate(const uint8_t* data, size_t size, size_t row_bytes, size_t pixel_bytes, std::vector<uint8_t>& out);

}  // namespace pantalla::detail
