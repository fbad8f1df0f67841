// The encoder for the packed resource format that gfx/lzw_unpack.cpp reads.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

// Greedy LZW with fixed 12-bit codes: entries 256-4094 are made in order and
// then no more, never cleared; the stream ends with code 4095.
std::vector<uint8_t> lzw_pack(std::span<const uint8_t> data);
