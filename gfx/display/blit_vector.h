// Vectorised row converters, with the same results as the table-driven
// ones; used with a 16-bit source at scale 1 where the processor has them.
#pragma once

#include <cstdint>

#include "gfx/display/blit.h"

namespace pantalla::detail {

// The vectorised converter from 16 bits to the display, or null.
RowConverter blit_vector_converter(int32_t dst_depth, bool red_low);

}  // namespace pantalla::detail
