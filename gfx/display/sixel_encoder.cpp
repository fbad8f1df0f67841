#include "gfx/display/sixel_encoder.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

void append_number(std::string& out, uint32_t n) {
    char digits[10];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    while (count > 0) out.push_back(digits[--count]);
}

// The repeat introducer costs at least three bytes, so shorter runs go
// out as they are.
void append_run(std::string& out, char sixel, int32_t count) {
    if (count >= 4) {
        out.push_back('!');
        append_number(out, static_cast<uint32_t>(count));
        out.push_back(sixel);
    } else {
        out.append(static_cast<size_t>(count), sixel);
    }
}

// Registers take percentages: the nearest one.
uint32_t percent(uint32_t channel) { return (channel * 100 + 127) / 255; }

template <class Pixel>
void sample_rows(const SixelPage& page, const SixelRect& rect, int32_t divisor, int32_t width, int32_t height,
                 uint32_t mask, uint32_t* out) {
    for (int32_t oy = 0; oy < height; ++oy) {
        const uint8_t* row = page.pixels + static_cast<size_t>(rect.y + oy * divisor) * page.pitch;
        const Pixel* src = reinterpret_cast<const Pixel*>(row) + rect.x;
        for (int32_t ox = 0; ox < width; ++ox) *out++ = src[static_cast<size_t>(ox) * divisor] & mask;
    }
}

}  // namespace

void SixelEncoder::sample(const SixelPage& page, const SixelRect& rect, int32_t divisor) {
    values_.resize(static_cast<size_t>(width_) * height_);
    if (page.depth <= 8)
        sample_rows<uint8_t>(page, rect, divisor, width_, height_, 0xFF, values_.data());
    else if (page.depth == 16)
        sample_rows<uint16_t>(page, rect, divisor, width_, height_, 0xFFFF, values_.data());
    else
        sample_rows<uint32_t>(page, rect, divisor, width_, height_, 0xFFFFFF, values_.data());
}

void SixelEncoder::map(const SixelPage& page, const SixelOptions& options, int32_t origin_x, int32_t origin_y) {
    regs_.resize(values_.size());
    palette_.reset(page, options.registers);
    if (palette_.map_exact(values_.data(), static_cast<int32_t>(values_.size()), regs_.data())) return;
    palette_.reset(page, options.registers);
    for (int32_t y = 0; y < height_; ++y) {
        const size_t at = static_cast<size_t>(y) * width_;
        palette_.map_cube(values_.data() + at, width_, options.dither, origin_x, origin_y + y, regs_.data() + at);
    }
}

void SixelEncoder::emit_band(int32_t top, std::string& out) {
    if (band_stamp_ == INT_MAX) {
        band_stamp_ = 0;
        std::fill(std::begin(seen_in_band_), std::end(seen_in_band_), 0);
    }
    ++band_stamp_;
    present_.clear();
    const size_t w = static_cast<size_t>(width_);
    const int32_t rows = std::min(6, height_ - top);
    for (int32_t r = 0; r < rows; ++r) {
        const uint8_t* line = regs_.data() + static_cast<size_t>(top + r) * w;
        const auto bit = static_cast<uint8_t>(1 << r);
        for (int32_t x = 0; x < width_;) {
            const uint8_t c = line[x];
            int32_t end = x + 1;
            while (end < width_ && line[end] == c) ++end;
            if (seen_in_band_[c] != band_stamp_) {
                seen_in_band_[c] = band_stamp_;
                present_.push_back(c);
                first_x_[c] = x;
                last_x_[c] = end - 1;
                count_[c] = 0;
            } else {
                first_x_[c] = std::min(first_x_[c], x);
                last_x_[c] = std::max(last_x_[c], end - 1);
            }
            count_[c] += end - x;
            uint8_t* bits = bits_.data() + c * w;
            for (int32_t i = x; i < end; ++i) bits[i] |= bit;
            x = end;
        }
    }
    // The commonest colour (the background, mostly) goes first as one solid
    // run over its span; the others are drawn over it.
    const auto fill = std::max_element(present_.begin(), present_.end(),
                                       [this](uint16_t a, uint16_t b) { return count_[a] < count_[b]; });
    std::iter_swap(present_.begin(), fill);
    const auto solid = static_cast<uint8_t>((1 << rows) - 1);
    for (size_t i = 0; i < present_.size(); ++i) {
        const uint16_t c = present_[i];
        if (i > 0) out.push_back('$');
        out.push_back('#');
        append_number(out, c);
        append_run(out, '?', first_x_[c]);
        uint8_t* bits = bits_.data() + c * w;
        if (i == 0) std::memset(bits + first_x_[c], solid, static_cast<size_t>(last_x_[c] - first_x_[c] + 1));
        for (int32_t x = first_x_[c]; x <= last_x_[c];) {
            const uint8_t b = bits[x];
            int32_t end = x + 1;
            while (end <= last_x_[c] && bits[end] == b) ++end;
            append_run(out, static_cast<char>('?' + b), end - x);
            x = end;
        }
        // bits_ is left all zero for the next band.
        std::memset(bits + first_x_[c], 0, static_cast<size_t>(last_x_[c] - first_x_[c] + 1));
    }
}

void SixelEncoder::encode(const SixelPage& page, SixelRect rect, const SixelOptions& options, std::string& out) {
    const int32_t x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
    const int32_t x1 = std::min(rect.x + rect.width, page.width), y1 = std::min(rect.y + rect.height, page.height);
    if (x1 <= x0 || y1 <= y0) return;
    rect = {x0, y0, x1 - x0, y1 - y0};
    const int32_t d = std::max(options.divisor, 1);
    width_ = (rect.width + d - 1) / d;
    height_ = (rect.height + d - 1) / d;
    sample(page, rect, d);
    map(page, options, rect.x / d, rect.y / d);
    if (bits_.size() < static_cast<size_t>(width_) * 256) bits_.assign(static_cast<size_t>(width_) * 256, 0);

    // P2 = 1: pixels left at zero keep what the terminal shows there.
    out += "\x1bP0;1q\"1;1;";
    append_number(out, static_cast<uint32_t>(width_));
    out.push_back(';');
    const int32_t blank = std::max(options.blank_rows, 0);
    append_number(out, static_cast<uint32_t>(height_ + 6 * blank));
    for (const uint16_t reg : palette_.used()) {
        const uint32_t c = palette_.colour(reg);
        out.push_back('#');
        append_number(out, reg);
        out += ";2;";
        append_number(out, percent(c >> 16));
        out.push_back(';');
        append_number(out, percent(c >> 8 & 0xFF));
        out.push_back(';');
        append_number(out, percent(c & 0xFF));
    }
    out.append(static_cast<size_t>(blank), '-');
    for (int32_t top = 0; top < height_; top += 6) {
        if (top > 0) out.push_back('-');
        emit_band(top, out);
    }
    out += "\x1b\\";
}
