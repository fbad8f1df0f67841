// The graphics screen's page shown as sixel or kitty images in a terminal
// that takes them: where the page stands, which bands of cell rows wait to
// be sent, and the bytes that send them. No system calls: the platform part
// writes the bytes and says how many the terminal took.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "gfx/display/kitty_encoder.h"
#include "gfx/display/sixel_encoder.h"
#include "gfx/display/terminal_caps.h"

namespace pantalla::detail {

// The page in the text area, centred on whole cells (an image starts at a
// cell's top left).
struct PixelLayout {
    int32_t divisor = 0;  // page pixels per shown pixel each way; 0: cannot be shown
    int32_t col = 0, row = 0;  // the cell at the page's top left, 0-based
    int32_t cell_width = 0, cell_height = 0;
    int32_t shown_width = 0, shown_height = 0;  // terminal pixels
    int32_t rows = 0;                           // cell rows the page touches
    bool operator==(const PixelLayout&) const = default;
};

// The smallest whole divisor that fits a page_width x page_height page in
// the text area of `caps`.
PixelLayout pixel_layout(int32_t page_width, int32_t page_height, const TerminalCaps& caps);

// Where a page laid out so stands, for the mouse; empty when not shown.
TermPlacement pixel_placement(const PixelLayout& layout);

// The runs of marked rows as [first, end) pairs.
std::vector<std::pair<int32_t, int32_t>> pixel_bands(const std::vector<uint8_t>& marked);

class TerminalPixels {
public:
    // The terminal's text area changed size: the next take lays the page
    // out again and sends all of it.
    void set_caps(const TerminalCaps& caps);
    // What the terminal shows is unknown (it was changed behind our back).
    void invalidate() { everything_ = clear_ = true; }

    // Under the screen lock. The page's changed rows (one mark a page row,
    // cleared here) join the waiting bands; shown `scale` times each. Then,
    // when the earlier output has gone out, the waiting bands' rows are
    // copied for encode. False when nothing is to be encoded: the bands
    // keep waiting, merged with later changes.
    bool take(const SixelPage& page, int32_t scale, uint8_t* dirty);
    // Outside the lock: the copied bands as cursor moves and images, after
    // whatever else was queued.
    void encode(int32_t registers);
    // Before the screen closes: kitty's images deleted, freeing what the
    // terminal holds for them.
    void finish();

    // Bytes for the terminal in order with the images.
    void queue(std::string_view bytes) { unsent_.append(bytes); }
    std::string_view unsent() const { return std::string_view(unsent_).substr(sent_); }
    void sent(size_t count);

    const PixelLayout& layout() const { return layout_; }
    TermPlacement placement() const { return pixel_placement(layout_); }

private:
    // Rows of `copy_` per cell row.
    int32_t band_rows() const { return layout_.cell_height * layout_.divisor; }

    TerminalCaps caps_;
    PixelLayout layout_;
    int32_t page_width_ = 0, page_height_ = 0, scale_ = 0, depth_ = 0;
    const uint8_t* page_pixels_ = nullptr;
    uint32_t palette_[256] = {};
    bool everything_ = true;
    std::vector<uint8_t> waiting_;  // per row of `copy_`
    // What encode reads: the page, `scale` rows per page row, with the
    // rows of `bands_` filled in.
    std::vector<uint8_t> copy_;
    SixelPage copied_{};
    // Cell rows, and the rows of `copy_` from the first to the last changed
    // in each: a band's image sends those alone.
    struct Band {
        int32_t first, end, top, bottom;
    };
    std::vector<Band> bands_;
    bool clear_ = true;  // the screen is cleared before the next images
    SixelEncoder encoder_;
    // Kitty gets an image per cell row, which the row's next image
    // replaces; the terminal holds those of rows below kitty_rows_.
    KittyEncoder kitty_;
    int32_t kitty_rows_ = 0;
    std::string unsent_;
    size_t sent_ = 0;
};

}  // namespace pantalla::detail
