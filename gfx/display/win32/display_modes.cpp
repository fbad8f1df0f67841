#include "gfx/display/win32/display_modes.h"

namespace pantalla::detail {

namespace {

int32_t depth_class(int32_t bits) {
    if (bits == 15) return 16;
    if (bits == 24) return 32;
    return bits;
}

bool before(int32_t w1, int32_t h1, int32_t w2, int32_t h2) { return w1 < w2 || (w1 == w2 && h1 < h2); }

}  // namespace

bool mode_depth_matches(int32_t depth, int32_t bits) { return depth > 0 && depth_class(depth) == depth_class(bits); }

void mode_list_add(ModeList* list, int32_t width, int32_t height) {
    if (width <= 0 || height <= 0 || list->count >= ModeList::kCapacity) return;
    int32_t at = 0;
    while (at < list->count && before(list->pairs[2 * at], list->pairs[2 * at + 1], width, height)) ++at;
    if (at < list->count && list->pairs[2 * at] == width && list->pairs[2 * at + 1] == height) return;
    for (int32_t i = list->count; i > at; --i) {
        list->pairs[2 * i] = list->pairs[2 * i - 2];
        list->pairs[2 * i + 1] = list->pairs[2 * i - 1];
    }
    list->pairs[2 * at] = width;
    list->pairs[2 * at + 1] = height;
    ++list->count;
}

}  // namespace pantalla::detail
