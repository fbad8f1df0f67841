// Images of a screen page in the graphics protocol that kitty-like
// terminals take: 24-bit pixels, deflated where that is smaller, base64 in
// escape codes, each image placed at a cell and kept under an id so that a
// later image of the same id replaces it in place.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gfx/display/sixel_encoder.h"

namespace pantalla::detail {

// Where an image goes in the terminal.
struct KittyPlacement {
    uint32_t image_id = 1;            // not 0: the same id replaces the image shown
    int32_t row = 1, col = 1;         // its top-left cell, from 1
    int32_t offset_x = 0, offset_y = 0;  // pixels into that cell, less than a cell
};

// The most base64 bytes one escape code may carry.
constexpr size_t kKittyChunk = 4096;

class KittyEncoder {
public:
    // Appends the cursor move to the cell and the image of `rect`, each
    // output pixel the top-left one of a divisor x divisor block:
    // ceil(width / divisor) x ceil(height / divisor) pixels. The terminal
    // answers nothing and leaves the cursor where it was put. An empty
    // rectangle appends nothing.
    void encode(const SixelPage& page, SixelRect rect, int32_t divisor, const KittyPlacement& at, std::string& out);

private:
    std::vector<uint8_t> rgb_;  // the output pixels, three bytes each
    std::vector<uint8_t> packed_;  // and as a zlib stream
};

// Appends the command that takes image `image_id` off the screen and frees
// the terminal's copy of it.
void kitty_delete(uint32_t image_id, std::string& out);

}  // namespace pantalla::detail
