#include "gfx/display/terminal_pixels.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace pantalla::detail {

namespace {

int32_t ceil_div(int32_t a, int32_t b) { return (a + b - 1) / b; }

// Kitty image ids are the cell row plus this: clear of the small ids that
// other programs on the same screen pick.
constexpr uint32_t kKittyFirstId = 0x4B490000;

void append_cursor_move(int32_t col, int32_t row, std::string& out) {
    out += "\x1b[" + std::to_string(row + 1) + ';' + std::to_string(col + 1) + 'H';
}

}  // namespace

PixelLayout pixel_layout(int32_t page_width, int32_t page_height, const TerminalCaps& caps) {
    PixelLayout l;
    if (page_width <= 0 || page_height <= 0 || caps.cell_width <= 0 || caps.cell_height <= 0 ||
        caps.text_width < caps.cell_width || caps.text_height < caps.cell_height)
        return l;
    l.divisor = std::max(ceil_div(page_width, caps.text_width), ceil_div(page_height, caps.text_height));
    l.cell_width = caps.cell_width;
    l.cell_height = caps.cell_height;
    l.shown_width = ceil_div(page_width, l.divisor);
    l.shown_height = ceil_div(page_height, l.divisor);
    l.col = (caps.text_width - l.shown_width) / 2 / caps.cell_width;
    l.row = (caps.text_height - l.shown_height) / 2 / caps.cell_height;
    l.rows = ceil_div(l.shown_height, caps.cell_height);
    return l;
}

TermPlacement pixel_placement(const PixelLayout& l) {
    if (l.divisor == 0) return {};
    return TermPlacement{l.col * l.cell_width, l.row * l.cell_height, l.shown_width, l.shown_height};
}

std::vector<std::pair<int32_t, int32_t>> pixel_bands(const std::vector<uint8_t>& marked) {
    std::vector<std::pair<int32_t, int32_t>> bands;
    const auto n = static_cast<int32_t>(marked.size());
    for (int32_t first = 0; first < n; ++first) {
        if (!marked[first]) continue;
        int32_t end = first + 1;
        while (end < n && marked[end]) ++end;
        bands.emplace_back(first, end);
        first = end;
    }
    return bands;
}

void TerminalPixels::set_caps(const TerminalCaps& caps) {
    caps_ = caps;
    page_width_ = 0;  // laid out again by the next take
}

bool TerminalPixels::take(const SixelPage& page, int32_t scale, uint8_t* dirty) {
    scale = std::max(scale, 1);
    const int32_t height = page.height * scale;
    if (page.width != page_width_ || height != page_height_ || scale != scale_ || page.depth != depth_) {
        page_width_ = page.width;
        page_height_ = height;
        scale_ = scale;
        depth_ = page.depth;
        layout_ = pixel_layout(page.width, height, caps_);
        waiting_.assign(static_cast<size_t>(height), 0);
        everything_ = clear_ = true;
    }
    // A page flip or new colours change every pixel shown.
    const bool palette_changed =
        page.depth <= 8 && page.palette && std::memcmp(palette_, page.palette, sizeof palette_) != 0;
    if (page.pixels != page_pixels_ || palette_changed) everything_ = true;
    page_pixels_ = page.pixels;
    if (palette_changed) std::memcpy(palette_, page.palette, sizeof palette_);
    if (layout_.divisor == 0) {
        std::memset(dirty, 0, static_cast<size_t>(page.height));
        return false;
    }
    const int32_t band_rows = this->band_rows();
    if (everything_) std::fill(waiting_.begin(), waiting_.end(), uint8_t{1});
    everything_ = false;
    for (int32_t y = 0; y < page.height; ++y)
        if (dirty[y]) std::fill_n(waiting_.begin() + y * scale, scale, uint8_t{1});
    std::memset(dirty, 0, static_cast<size_t>(page.height));
    if (!unsent().empty()) return false;
    std::vector<uint8_t> cells(static_cast<size_t>(layout_.rows), 0);
    for (int32_t y = 0; y < height; ++y) cells[y / band_rows] |= waiting_[y];
    bands_.clear();
    for (const auto& [first, end] : pixel_bands(cells)) {
        const auto from = waiting_.begin() + first * band_rows, to = waiting_.begin() + std::min(end * band_rows, height);
        const auto top = std::find(from, to, uint8_t{1}) - waiting_.begin();
        const auto bottom = std::find(std::make_reverse_iterator(to), std::make_reverse_iterator(from), uint8_t{1}).base() -
                            waiting_.begin();
        if (caps_.graphics == TermGraphics::kitty)  // a cell row's image is replaced whole
            bands_.push_back(Band{first, end, first * band_rows, static_cast<int32_t>(to - waiting_.begin())});
        else
            bands_.push_back(Band{first, end, static_cast<int32_t>(top), static_cast<int32_t>(bottom)});
    }
    if (bands_.empty()) return false;
    std::fill(waiting_.begin(), waiting_.end(), uint8_t{0});
    const int32_t row_bytes = page.width * (page.depth <= 8 ? 1 : page.depth == 16 ? 2 : 4);
    copy_.resize(static_cast<size_t>(row_bytes) * height);
    for (const Band& b : bands_)
        for (int32_t y = b.top; y < b.bottom; ++y)
            std::memcpy(copy_.data() + static_cast<size_t>(y) * row_bytes,
                        page.pixels + static_cast<size_t>(y / scale) * page.pitch, static_cast<size_t>(row_bytes));
    copied_ = SixelPage{copy_.data(), row_bytes, page.width, height, page.depth, palette_};
    return true;
}

void TerminalPixels::encode(int32_t registers) {
    if (clear_) {
        finish();
        // Black around the page, as around a full-screen window.
        queue("\x1b[0;40m\x1b[2J");
        clear_ = false;
    }
    if (caps_.graphics == TermGraphics::kitty) {
        // Whole bands would save nothing: a row's image costs under a
        // hundred bytes besides its pixels.
        const int32_t band_rows = this->band_rows();
        for (const Band& b : bands_)
            for (int32_t r = b.first; r < b.end; ++r)
                kitty_.encode(copied_, SixelRect{0, r * band_rows, page_width_, band_rows}, layout_.divisor,
                              KittyPlacement{kKittyFirstId + static_cast<uint32_t>(r), layout_.row + r + 1,
                                             layout_.col + 1, 0, 0},
                              unsent_);
        if (!bands_.empty()) kitty_rows_ = std::max(kitty_rows_, bands_.back().end);
        bands_.clear();
        return;
    }
    SixelOptions options;
    options.divisor = layout_.divisor;
    options.registers = registers > 0 ? registers : 256;
    const int32_t band_rows = this->band_rows(), sixel_rows = 6 * layout_.divisor;
    for (const Band& b : bands_) {
        append_cursor_move(layout_.col, layout_.row + b.first, unsent_);
        // Whole sixel rows above the first changed row are left as shown.
        options.blank_rows = (b.top - b.first * band_rows) / sixel_rows;
        const int32_t top = b.first * band_rows + options.blank_rows * sixel_rows;
        encoder_.encode(copied_, SixelRect{0, top, page_width_, b.bottom - top}, options, unsent_);
    }
    bands_.clear();
}

void TerminalPixels::finish() {
    for (int32_t r = 0; r < kitty_rows_; ++r) kitty_delete(kKittyFirstId + static_cast<uint32_t>(r), unsent_);
    kitty_rows_ = 0;
}

void TerminalPixels::sent(size_t count) {
    sent_ += count;
    if (sent_ >= unsent_.size()) {
        unsent_.clear();
        sent_ = 0;
    }
}

}  // namespace pantalla::detail
