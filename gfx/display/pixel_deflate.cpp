#include "gfx/display/pixel_deflate.h"

#include <algorithm>

namespace pantalla::detail {

namespace {

constexpr uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                      31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr uint16_t kDistanceBase[30] = {1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr size_t kMaxMatch = 258, kMaxDistance = 32768;

class BitWriter {
public:
    explicit BitWriter(std::vector<uint8_t>& out) : out_(out) {}
    void bits(uint32_t value, int count) {
        acc_ |= static_cast<uint64_t>(value) << used_;
        used_ += count;
        while (used_ >= 8) {
            out_.push_back(static_cast<uint8_t>(acc_));
            acc_ >>= 8;
            used_ -= 8;
        }
    }
    // Huffman codes go most significant bit first.
    void code(uint32_t value, int count) {
        uint32_t reversed = 0;
        for (int i = 0; i < count; ++i) reversed |= (value >> i & 1) << (count - 1 - i);
        bits(reversed, count);
    }
    void flush() {
        if (used_ > 0) bits(0, 8 - used_);
    }

private:
    std::vector<uint8_t>& out_;
    uint64_t acc_ = 0;
    int used_ = 0;
};

// The fixed literal/length code of symbol `s`.
void symbol(BitWriter& w, uint32_t s) {
    if (s < 144)
        w.code(0x30 + s, 8);
    else if (s < 256)
        w.code(0x190 + s - 144, 9);
    else if (s < 280)
        w.code(s - 256, 7);
    else
        w.code(0xC0 + s - 280, 8);
}

void match(BitWriter& w, size_t length, size_t distance) {
    const auto l = static_cast<uint32_t>(length), d = static_cast<uint32_t>(distance);
    int li = 28;
    while (kLengthBase[li] > l) --li;
    symbol(w, 257 + static_cast<uint32_t>(li));
    w.bits(l - kLengthBase[li], kLengthExtra[li]);
    int di = 29;
    while (kDistanceBase[di] > d) --di;
    w.code(static_cast<uint32_t>(di), 5);
    w.bits(d - kDistanceBase[di], di < 4 ? 0 : di / 2 - 1);
}

size_t match_length(const uint8_t* data, size_t at, size_t end, size_t distance) {
    const size_t most = std::min(kMaxMatch, end - at);
    size_t n = 0;
    while (n < most && data[at + n] == data[at + n - distance]) ++n;
    return n;
}

uint32_t adler32(const uint8_t* data, size_t size) {
    uint32_t a = 1, b = 0;
    while (size > 0) {
        // The most bytes before b can overflow.
        const size_t n = std::min<size_t>(size, 5552);
        for (size_t i = 0; i < n; ++i) a += data[i], b += a;
        a %= 65521, b %= 65521;
        data += n, size -= n;
    }
    return b << 16 | a;
}

}  // namespace

void pixel_deflate(const uint8_t* data, size_t size, size_t row_bytes, size_t pixel_bytes, std::vector<uint8_t>& out) {
    out.clear();
    out.push_back(0x78);  // deflate, 32 kB window
    out.push_back(0x01);  // no dictionary; the header a multiple of 31
    BitWriter w(out);
    w.bits(1, 1);  // the last block
    w.bits(1, 2);  // fixed codes
    const bool rows = row_bytes <= kMaxDistance;
    for (size_t at = 0; at < size;) {
        const size_t left = at >= pixel_bytes ? match_length(data, at, size, pixel_bytes) : 0;
        const size_t up = rows && at >= row_bytes ? match_length(data, at, size, row_bytes) : 0;
        const size_t best = std::max(left, up);
        if (best < 3) {
            symbol(w, data[at++]);
            continue;
        }
        match(w, best, left >= up ? pixel_bytes : row_bytes);
        at += best;
    }
    symbol(w, 256);
    w.flush();
    const uint32_t sum = adler32(data, size);
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(sum >> shift));
}

}  // namespace pantalla::detail
