#include "gfx/resources.h"

#include <mutex>

namespace pantalla::detail {

namespace {

const uint8_t packed_block[] = {
#include "gfx/resource_block.inc"
};

uint8_t unpacked_block[resource_size];
std::once_flag unpacked_mark;

}  // namespace

const FontDescriptor font_8x8{8, 8, unpacked_block + font_8x8_offset};
const FontDescriptor font_8x14{8, 14, unpacked_block + font_8x14_offset};
const FontDescriptor font_8x16{8, 16, unpacked_block + font_8x16_offset};
const PaletteDescriptor palette_2{2, unpacked_block + palette_2_offset};
const PaletteDescriptor palette_16{16, unpacked_block + palette_16_offset};
const PaletteDescriptor palette_64{64, unpacked_block + palette_64_offset};
const PaletteDescriptor palette_256{256, unpacked_block + palette_256_offset};

const FontDescriptor* font_for_height(int32_t glyph_height) {
    switch (glyph_height) {
    case 8: return &font_8x8;
    case 14: return &font_8x14;
    case 16: return &font_8x16;
    default: return nullptr;
    }
}

void resources_unpack() {
    // The built-in block always decodes in full; were it ever damaged, the
    // tables would keep what was decoded rather than be unpacked again.
    std::call_once(unpacked_mark, [] {
        int32_t length = resource_size;
        lzw_unpack(packed_block, resource_packed_size(), unpacked_block, &length);
    });
}

const uint8_t* resource_data() { return unpacked_block; }

const uint8_t* resource_packed_data() { return packed_block; }

int32_t resource_packed_size() { return static_cast<int32_t>(sizeof packed_block); }

}  // namespace pantalla::detail
