// Sixel images of a screen page for terminals that show them: a rectangle
// of the page, optionally shrunk by a whole divisor, appended to a byte
// buffer as one DCS ... ST image whose unset pixels stay transparent, so
// that a band can be laid over the image already shown.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/display/sixel_palette.h"

struct SixelRect {
    int32_t x, y, width, height;  // page pixels, clipped to the page
};

struct SixelOptions {
    // Each output pixel is the top-left pixel of a divisor x divisor block:
    // glyph strokes keep their colours where an average would blur them
    // into colours the palette may not have.
    int32_t divisor = 1;
    int32_t registers = 256;  // what the terminal reports
    // Only with the cube (pictures of more colours than registers): it cuts
    // the error of 4 x 4 means about fourteenfold on a gradient.
    bool dither = true;
    // Transparent sixel rows (six pixels each) above the rectangle: an
    // image starts where the cursor stands, which may be above the rows
    // worth sending.
    int32_t blank_rows = 0;
};

class SixelEncoder {
public:
    // Appends the image of `rect`: ceil(width / divisor) x ceil(height /
    // divisor) pixels. An empty rectangle appends nothing.
    void encode(const SixelPage& page, SixelRect rect, const SixelOptions& options, std::string& out);

private:
    void sample(const SixelPage& page, const SixelRect& rect, int32_t divisor);
    void map(const SixelPage& page, const SixelOptions& options, int32_t origin_x, int32_t origin_y);
    void emit_band(int32_t top, std::string& out);

    SixelPalette palette_;
    int32_t width_ = 0, height_ = 0;  // of the output
    std::vector<uint32_t> values_;    // stored pixels, output grid
    std::vector<uint8_t> regs_;       // their registers
    // One band's sixels: a row of `width_` per register present.
    std::vector<uint8_t> bits_;
    std::vector<uint16_t> present_;
    int32_t first_x_[256] = {}, last_x_[256] = {}, count_[256] = {};
    int32_t seen_in_band_[256] = {};
    int32_t band_stamp_ = 0;
};
