#include "tools/resgen/lzw_pack.h"

namespace {

constexpr int kFirstEntry = 256;
constexpr int kLastEntry = 4094;
constexpr int kEndCode = 4095;

// Two codes share three bytes; a lone last code takes two.
std::vector<uint8_t> pack_codes(const std::vector<uint16_t>& codes) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < codes.size(); i += 2) {
        const int a = codes[i];
        const int b = i + 1 < codes.size() ? codes[i + 1] : 0;
        out.push_back(static_cast<uint8_t>(a & 0xFF));
        out.push_back(static_cast<uint8_t>(a >> 8 | (b & 0x0F) << 4));
        if (i + 1 < codes.size()) out.push_back(static_cast<uint8_t>(b >> 4));
    }
    return out;
}

}  // namespace

std::vector<uint8_t> lzw_pack(std::span<const uint8_t> data) {
    std::vector<uint16_t> codes;
    if (!data.empty()) {
        // child[code * 256 + byte] is the entry extending code by byte, 0 if none.
        std::vector<uint16_t> child(static_cast<size_t>(kEndCode) * 256, 0);
        int next_free = kFirstEntry;
        int current = data[0];
        for (size_t i = 1; i < data.size(); ++i) {
            const size_t slot = static_cast<size_t>(current) * 256 + data[i];
            if (child[slot] != 0) {
                current = child[slot];
                continue;
            }
            codes.push_back(static_cast<uint16_t>(current));
            if (next_free <= kLastEntry) child[slot] = static_cast<uint16_t>(next_free++);
            current = data[i];
        }
        codes.push_back(static_cast<uint16_t>(current));
    }
    codes.push_back(kEndCode);
    return pack_codes(codes);
}
