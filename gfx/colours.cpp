#include "gfx/colours.h"

#include "gfx/display/display_driver.h"
#include "gfx/resources.h"
#include "gfx/screen.h"

using namespace pantalla::detail;

namespace pantalla::detail {

namespace {

// The emulated palette ports' state.
int32_t port_index = 0;
int32_t port_shift = 2;
uint32_t port_value = 0;

constexpr uint8_t mode1_sets[4][4] = {{0, 11, 13, 15}, {0, 10, 12, 14}, {0, 3, 5, 7}, {0, 2, 4, 6}};
constexpr uint8_t mode2_selection[2] = {0, 15};
constexpr uint8_t in_order_selection[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr uint8_t mode9_selection[16] = {0, 1, 2, 3, 4, 5, 20, 7, 56, 57, 58, 59, 60, 61, 62, 63};

// The default selection of palette entries from the table, or null.
const uint8_t* default_selection(int32_t mode, int32_t restore_index) {
    switch (mode) {
        case 1: return mode1_sets[restore_index >= -1 ? 0 : restore_index <= -4 ? 3 : -restore_index - 1];
        case 2: return mode2_selection;
        // Their attribute map must be filled too: the palette ports recolour
        // entries through it.
        case 7:
        case 8: return in_order_selection;
        case 9: return mode9_selection;
        default: return nullptr;
    }
}

uint32_t table_colour(const PaletteDescriptor* table, int32_t i) {
    const uint8_t* c = table->data + 3 * i;
    return c[0] | c[1] << 8 | c[2] << 16;
}

bool uses_256_table() { return screen->default_palette == &palette_256; }

int32_t entries_of_depth() { return 1 << screen->depth; }

// The palette holds 256 entries and the attribute map 16: an index beyond
// either is ignored rather than written out of bounds.
bool entry_in_range(int32_t index) { return index >= 0 && index < 256 && index < entries_of_depth(); }

void send(int32_t index, uint32_t colour) {
    screen->palette[index] = colour;
    display_set_palette(screen->driver, index, colour & 0xFF, colour >> 8 & 0xFF, colour >> 16 & 0xFF);
}

void restore_default(int32_t restore_index) {
    const PaletteDescriptor* table = screen->default_palette;
    const uint8_t* selection = default_selection(screen->mode, restore_index);
    for (int32_t i = 0; i < table->count; ++i) {
        screen->colour_set[i] = table_colour(table, i);
        if (i >= entries_of_depth()) continue;
        int32_t from = i;
        if (selection && i < 16) {
            from = selection[i];
            screen->attribute_map[i] = static_cast<uint8_t>(from);
        }
        send(i, table_colour(table, from));
    }
}

}  // namespace

}  // namespace pantalla::detail

uint32_t rgb_to_pixel(uint32_t value, uint32_t red, uint32_t green, uint32_t blue) {
    if (!screen || screen->bytes_per_pixel != 2) return value;
    return (blue >> 3) | ((green << 3) & 0x7E0) | ((red << 8) & 0xF800);
}

uint32_t colour_to_pixel(uint32_t value) {
    return rgb_to_pixel(value, value >> 16 & 0xFF, value >> 8 & 0xFF, value & 0xFF) &
           (screen ? screen->colour_mask : 0xFFFFFFFF);
}

int32_t set_colours(int32_t fg, int32_t bg) {
    if (!screen) return 0;
    const int32_t previous = static_cast<int32_t>(screen->fg_colour | screen->bg_colour << 16);
    switch (screen->mode) {
        case 1:
            if (bg >= 0) palette_set(bg | -4, 0, -1, -1);
            if (fg >= 0) palette_set(0, fg, -1, -1);
            break;
        case 7:
        case 8:
        case 9:
            if (fg >= 0) screen->fg_colour = static_cast<uint32_t>(fg) & 15;
            if (bg >= 0) palette_set(0, bg, -1, -1);
            break;
        default: {
            auto pixel = [](int32_t c) {
                const uint32_t v = static_cast<uint32_t>(c);
                return screen->depth > 8 ? rgb_to_pixel(v, v >> 16 & 0xFF, v >> 8 & 0xFF, v & 0xFF)
                                         : v & screen->colour_mask;
            };
            if (fg >= 0) screen->fg_colour = pixel(fg);
            if (bg >= 0) screen->bg_colour = pixel(bg);
        }
    }
    return previous;
}

void palette_set_entry(int32_t index, uint32_t packed) {
    if (!entry_in_range(index)) return;
    uint32_t colour;
    if (uses_256_table()) {
        auto widen = [](uint32_t v6) { return static_cast<uint32_t>(static_cast<double>(v6) * 255.0 / 63.0); };
        colour = widen(packed & 0x3F) | widen(packed >> 8 & 0x3F) << 8 | widen(packed >> 16 & 0x3F) << 16;
    } else {
        const uint32_t k = packed & static_cast<uint32_t>(screen->default_palette->count - 1);
        colour = screen->colour_set[k];
        if (index < 16) screen->attribute_map[index] = static_cast<uint8_t>(k);
    }
    send(index, colour);
}

void palette_set(int32_t index, int32_t value, int32_t green, int32_t blue) {
    if (!screen || screen->depth > 8) return;
    screen_auto_lock();
    if (index < 0) {
        restore_default(index);
    } else {
        uint32_t packed = static_cast<uint32_t>(value);
        if (green >= 0 && blue >= 0)
            packed = static_cast<uint32_t>(value >> 2) | static_cast<uint32_t>(green >> 2) << 8 |
                     static_cast<uint32_t>(blue >> 2) << 16;
        palette_set_entry(index, packed);
    }
    screen_mark_dirty_all();
    screen_auto_unlock();
}

void palette_set_all(const int32_t* values) {
    if (!screen || screen->depth > 8) return;
    screen_auto_lock();
    for (int32_t i = 0; i < entries_of_depth(); ++i)
        if (values[i] >= 0) palette_set_entry(i, static_cast<uint32_t>(values[i]));
    screen_mark_dirty_all();
    screen_auto_unlock();
}

namespace pantalla::detail {

void palette_resend() {
    if (!screen) return;
    for (int32_t i = 0; i < 256; ++i) {
        const uint32_t c = screen->palette[i];
        display_set_palette(screen->driver, i, c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
    }
}

namespace {

bool palette_ports_open() { return screen && screen->depth <= 8; }
int32_t palette_count() { return screen->default_palette->count; }

void port_component(uint32_t value) {
    port_value |= (value & 63) << port_shift;
    port_shift += 8;
    if (port_shift <= 18) return;
    if (uses_256_table()) {
        palette_set(port_index, static_cast<int32_t>((port_value >> 2) & 0x3F3F3F), -1, -1);
    } else {
        screen_auto_lock();
        screen->colour_set[port_index] = port_value;
        for (int32_t i = 0; i < entries_of_depth() && i < 16; ++i)
            if (screen->attribute_map[i] == port_index) send(i, port_value);
        screen_mark_dirty_all();
        screen_auto_unlock();
    }
    port_value = 0;
    port_shift = 2;
    port_index = (port_index + 1) % palette_count();
}

}  // namespace

}  // namespace pantalla::detail

int32_t port_out(int32_t port, int32_t value) {
    const uint32_t p = static_cast<uint32_t>(port) & 0xFFFF;
    const uint32_t v = static_cast<uint32_t>(value) & 0xFF;
    if ((p == 967 || p == 968) && palette_ports_open()) {
        port_index = static_cast<int32_t>(v & static_cast<uint32_t>(palette_count() - 1));
        port_value = 0;
        port_shift = 2;
        return 0;
    }
    if (p == 969 && palette_ports_open()) {
        port_component(v);
        return 0;
    }
    return -1;
}

int32_t port_in(int32_t port) {
    const uint32_t p = static_cast<uint32_t>(port) & 0xFFFF;
    if (p == 969 && palette_ports_open()) {
        const int32_t result = static_cast<int32_t>((screen->palette[port_index] >> port_shift) & 63);
        port_shift += 8;
        if (port_shift > 18) {
            port_shift = 2;
            port_index = (port_index + 1) % palette_count();
        }
        return result;
    }
    if (p == 986 && screen) {
        display_wait_vsync(screen->driver);
        return 8;
    }
    return -1;
}

