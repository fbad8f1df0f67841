// The decoder of the packed resource format: fixed 12-bit codes, two codes
// in three bytes, literals 0-255, dictionary entries 256-4094 made in order
// and never cleared, 4095 the end. Every input byte and output slot is
// bounds-checked, since the fuzzer feeds it arbitrary streams.
#include "gfx/resources.h"

#include <algorithm>
#include <array>

namespace pantalla::detail {

namespace {

constexpr int32_t kFirstEntry = 256;
constexpr int32_t kLastEntry = 4094;
constexpr int32_t kEndCode = 4095;
// The longest string the dictionary could spell, with room to spare.
constexpr int32_t kMaxString = 4096;

struct DictionaryEntry {
    uint16_t prefix;
    uint8_t last;
};

// The code with this index in the stream, or -1 when its bytes lie beyond
// the source. An even-indexed code owns the low nibble of the shared
// middle byte of its group, an odd-indexed one the high nibble.
int32_t read_code(const uint8_t* source, int32_t source_length, int64_t index) {
    const int64_t group = index / 2 * 3;
    if (index % 2 == 0) {
        if (group + 1 >= source_length) return -1;
        return source[group] | (source[group + 1] & 0x0F) << 8;
    }
    if (group + 2 >= source_length) return -1;
    return source[group + 1] >> 4 | source[group + 2] << 4;
}

}  // namespace

int32_t lzw_unpack(const uint8_t* source, int32_t source_length,
                   uint8_t* destination, int32_t* length) {
    if (length == nullptr) return -1;
    const int32_t capacity = *length;
    *length = 0;
    if (source == nullptr || source_length <= 0 || capacity < 0 ||
        (destination == nullptr && capacity > 0)) {
        return -1;
    }

    int32_t code = read_code(source, source_length, 0);
    if (code < 0) return -1;
    // No entry exists yet, so the first code must be a literal; the end code
    // there is no exception, since the packer never makes an empty stream.
    if (code >= kFirstEntry || capacity < 1) return -1;

    std::array<DictionaryEntry, kEndCode> dictionary;
    std::array<uint8_t, kMaxString> work;
    destination[0] = static_cast<uint8_t>(code);
    int32_t written = 1;
    int32_t previous = code;
    uint8_t first_byte = static_cast<uint8_t>(code);
    int32_t next_free = kFirstEntry;

    for (int64_t index = 1;; ++index) {
        code = read_code(source, source_length, index);
        if (code < 0) break;
        if (code == kEndCode) {
            *length = written;
            return 0;
        }
        if (code > next_free) break;

        // Spell the string backwards from the end of the work buffer. A code
        // equal to the next free one is the previous string plus its own
        // first byte, which is the previous string's first byte.
        int32_t start = kMaxString;
        int32_t link = code;
        if (code == next_free) {
            work[--start] = first_byte;
            link = previous;
        }
        while (link >= kFirstEntry && start > 0) {
            work[--start] = dictionary[link].last;
            link = dictionary[link].prefix;
        }
        if (start == 0) break;
        work[--start] = static_cast<uint8_t>(link);

        const int32_t count = kMaxString - start;
        if (count > capacity - written) break;
        first_byte = work[start];
        std::copy_n(work.begin() + start, count, destination + written);
        written += count;

        if (next_free <= kLastEntry) {
            dictionary[next_free] = {static_cast<uint16_t>(previous), first_byte};
            ++next_free;
        }
        previous = code;
    }
    *length = written;
    return -1;
}

}  // namespace pantalla::detail
