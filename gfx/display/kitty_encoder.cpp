#include "gfx/display/kitty_encoder.h"

#include <algorithm>

#include "gfx/display/pixel_deflate.h"

namespace pantalla::detail {

namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void append_base64(const uint8_t* in, size_t size, std::string& out) {
    const size_t start = out.size();
    out.resize(start + (size + 2) / 3 * 4);
    char* o = out.data() + start;
    size_t i = 0;
    for (; i + 3 <= size; i += 3, o += 4) {
        const uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
        o[0] = kBase64[v >> 18], o[1] = kBase64[v >> 12 & 63], o[2] = kBase64[v >> 6 & 63], o[3] = kBase64[v & 63];
    }
    if (i == size) return;
    const uint32_t v = uint32_t(in[i]) << 16 | (i + 1 < size ? uint32_t(in[i + 1]) << 8 : 0);
    o[0] = kBase64[v >> 18], o[1] = kBase64[v >> 12 & 63];
    o[2] = i + 1 < size ? kBase64[v >> 6 & 63] : '=';
    o[3] = '=';
}

void append_key(std::string& out, char key, int64_t value) {
    if (out.back() != 'G') out.push_back(',');
    out.push_back(key);
    out.push_back('=');
    out += std::to_string(value);
}

template <class Pixel>
void sample_rgb(const SixelPage& page, const SixelRect& rect, int32_t divisor, int32_t width, int32_t height,
                uint8_t* out) {
    for (int32_t oy = 0; oy < height; ++oy) {
        const uint8_t* row = page.pixels + static_cast<size_t>(rect.y + oy * divisor) * page.pitch;
        const Pixel* src = reinterpret_cast<const Pixel*>(row) + rect.x;
        for (int32_t ox = 0; ox < width; ++ox, out += 3) {
            const uint32_t v = src[static_cast<size_t>(ox) * divisor];
            const uint32_t rgb = sizeof(Pixel) == 4 ? v : sixel_pixel_rgb(page, v);
            out[0] = static_cast<uint8_t>(rgb >> 16), out[1] = static_cast<uint8_t>(rgb >> 8);
            out[2] = static_cast<uint8_t>(rgb);
        }
    }
}

}  // namespace

void KittyEncoder::encode(const SixelPage& page, SixelRect rect, int32_t divisor, const KittyPlacement& at,
                          std::string& out) {
    const int32_t x0 = std::max(rect.x, 0), y0 = std::max(rect.y, 0);
    const int32_t x1 = std::min(rect.x + rect.width, page.width), y1 = std::min(rect.y + rect.height, page.height);
    if (x1 <= x0 || y1 <= y0) return;
    rect = {x0, y0, x1 - x0, y1 - y0};
    const int32_t d = std::max(divisor, 1);
    const int32_t width = (rect.width + d - 1) / d, height = (rect.height + d - 1) / d;
    rgb_.resize(static_cast<size_t>(width) * height * 3);
    if (page.depth <= 8)
        sample_rgb<uint8_t>(page, rect, d, width, height, rgb_.data());
    else if (page.depth == 16)
        sample_rgb<uint16_t>(page, rect, d, width, height, rgb_.data());
    else
        sample_rgb<uint32_t>(page, rect, d, width, height, rgb_.data());

    // Flat screens shrink some fiftyfold; noise would grow, and goes as it is.
    pixel_deflate(rgb_.data(), rgb_.size(), static_cast<size_t>(width) * 3, 3, packed_);
    const bool packed = packed_.size() < rgb_.size();
    const std::vector<uint8_t>& data = packed ? packed_ : rgb_;

    out += "\x1b[" + std::to_string(at.row) + ';' + std::to_string(at.col) + "H";
    // Every chunk's base64 ends on whole bytes, so chunks are independent
    // and the largest carries kKittyChunk characters.
    constexpr size_t kRaw = kKittyChunk / 4 * 3;
    for (size_t from = 0; from < data.size(); from += kRaw) {
        out += "\x1b_G";
        if (from == 0) {
            // q=2: answers would arrive among the keys; C=1: the cursor
            // stays, so an image at the bottom row does not scroll.
            out += packed ? "a=T,f=24,o=z,q=2,C=1" : "a=T,f=24,q=2,C=1";
            append_key(out, 's', width);
            append_key(out, 'v', height);
            append_key(out, 'i', at.image_id);
            append_key(out, 'p', 1);
            if (at.offset_x > 0) append_key(out, 'X', at.offset_x);
            if (at.offset_y > 0) append_key(out, 'Y', at.offset_y);
        }
        const size_t size = std::min(kRaw, data.size() - from);
        append_key(out, 'm', from + size < data.size() ? 1 : 0);
        out.push_back(';');
        append_base64(data.data() + from, size, out);
        out += "\x1b\\";
    }
}

void kitty_delete(uint32_t image_id, std::string& out) {
    out += "\x1b_Ga=d,d=I,q=2,i=" + std::to_string(image_id) + "\x1b\\";
}

}  // namespace pantalla::detail
