#include "gfx/screen.h"

#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "gfx/colours.h"
#include "gfx/display/display_driver.h"
#include "gfx/gfx_hooks.h"
#include "gfx/pixels.h"
#include "gfx/resources.h"
#include "gfx/text_draw.h"
#include "runtime/console_hooks.h"
#include "runtime/context.h"
#include "runtime/device.h"
#include "runtime/poll_pacer.h"
#include "runtime/text_cursor.h"

#if defined(__x86_64__) || defined(__i386__)
#include <cpuid.h>
#endif

using namespace pantalla::detail;

namespace pantalla::detail {

ScreenContext* screen = nullptr;
ScreenKeyQueue screen_key_queue;

namespace {

const ScreenMode mode_table[kModeCount] = {
    {-1, 0, 0, 0, nullptr, nullptr, 0, 0},
    {320, 200, 2, 1, &palette_16, &font_8x8, 40, 25},
    {640, 200, 1, 2, &palette_16, &font_8x8, 80, 25},
    {-1, 0, 0, 0, nullptr, nullptr, 0, 0},
    {-1, 0, 0, 0, nullptr, nullptr, 0, 0},
    {-1, 0, 0, 0, nullptr, nullptr, 0, 0},
    {-1, 0, 0, 0, nullptr, nullptr, 0, 0},
    {320, 200, 4, 1, &palette_16, &font_8x8, 40, 25},
    {640, 200, 4, 2, &palette_16, &font_8x8, 80, 25},
    {640, 350, 4, 1, &palette_64, &font_8x14, 80, 25},
    {640, 350, 1, 1, &palette_2, &font_8x14, 80, 25},
    {640, 480, 1, 1, &palette_2, &font_8x16, 80, 30},
    {640, 480, 4, 1, &palette_256, &font_8x16, 80, 30},
    {320, 200, 8, 1, &palette_256, &font_8x8, 40, 25},
    {320, 240, 8, 1, &palette_256, &font_8x8, 40, 30},
    {400, 300, 8, 1, &palette_256, &font_8x8, 50, 37},
    {512, 384, 8, 1, &palette_256, &font_8x16, 64, 24},
    {640, 400, 8, 1, &palette_256, &font_8x16, 80, 25},
    {640, 480, 8, 1, &palette_256, &font_8x16, 80, 30},
    {800, 600, 8, 1, &palette_256, &font_8x16, 100, 37},
    {1024, 768, 8, 1, &palette_256, &font_8x16, 128, 48},
    {1280, 1024, 8, 1, &palette_256, &font_8x16, 160, 64},
};

char title_buffer[128];
const char* current_title = nullptr;
bool exit_handler_registered = false;

constexpr int32_t kGlyphCell = 8;

bool takes_depth(int32_t depth) {
    return depth == 8 || depth == 15 || depth == 16 || depth == 24 || depth == 32;
}

void free_screen(ScreenContext* s) {
    if (s->text_cells) {
        for (int32_t p = 0; p < s->page_count; ++p) std::free(s->text_cells[p]);
        std::free(s->text_cells);
    }
    if (s->pages) {
        for (int32_t p = 0; p < s->page_count; ++p) std::free(s->pages[p]);
        std::free(s->pages);
    }
    std::free(s->rows);
    std::free(s->palette);
    std::free(s->colour_set);
    std::free(s->attribute_map);
    std::free(s->dirty);
    std::free(s->key_down);
    std::free(s);
}

void tear_down() {
    if (screen->driver) display_exit(screen->driver);
    ScreenContext* old = screen;
    screen = nullptr;
    free_screen(old);
}

// Pages, rows, dirty marks, palettes and held keys; false when any of
// them could not be had.
bool allocate_buffers(ScreenContext* s, int32_t pages) {
    const size_t page_bytes = static_cast<size_t>(s->height) * static_cast<size_t>(s->pitch);
    s->pages = static_cast<uint8_t**>(std::calloc(static_cast<size_t>(pages), sizeof(uint8_t*)));
    if (!s->pages) return false;
    s->page_count = pages;
    for (int32_t p = 0; p < pages; ++p)
        if (!(s->pages[p] = static_cast<uint8_t*>(std::calloc(page_bytes ? page_bytes : 1, 1)))) return false;
    s->visible_page = s->pages[0];
    s->rows = static_cast<uint8_t**>(std::calloc(static_cast<size_t>(s->height), sizeof(uint8_t*)));
    s->dirty = static_cast<uint8_t*>(std::calloc(static_cast<size_t>(s->height) * s->scale, 1));
    s->palette = static_cast<uint32_t*>(std::calloc(256, sizeof(uint32_t)));
    s->colour_set = static_cast<uint32_t*>(std::calloc(256, sizeof(uint32_t)));
    s->attribute_map = static_cast<uint8_t*>(std::calloc(16, 1));
    s->key_down = static_cast<uint8_t*>(std::calloc(128, 1));
    if (!s->rows || !s->dirty || !s->palette || !s->colour_set || !s->attribute_map || !s->key_down)
        return false;
    for (int32_t y = 0; y < s->height; ++y) s->rows[y] = s->pages[0] + static_cast<size_t>(y) * s->pitch;
    return true;
}

void default_title() {
    if (current_title) return;
    const char* path = executable_path();
    if (!path) path = "";
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '/' || *p == '\\') name = p + 1;
    size_t n = std::strlen(name);
    if (const char* dot = std::strrchr(name, '.')) n = static_cast<size_t>(dot - name);
    if (n > sizeof title_buffer - 1) n = sizeof title_buffer - 1;
    std::memcpy(title_buffer, name, n);
    title_buffer[n] = 0;
    current_title = title_buffer;
}

// One driver: the requested refresh rate, then 0.
bool try_driver(const DisplayDriver* d, ScreenContext* s, int32_t refresh, int32_t flags) {
    const int32_t shown = s->height * s->scale;
    if (display_init(d, current_title, s->width, shown, s->depth, refresh, flags) == 0) return true;
    display_exit(d);
    if (display_init(d, current_title, s->width, shown, s->depth, 0, flags) == 0) return true;
    display_exit(d);
    return false;
}

const DisplayDriver* search_pass(const char* named, ScreenContext* s, int32_t refresh, int32_t flags) {
    for (const DisplayDriver* const* d = display_driver_list(); *d; ++d) {
        if (named && strcasecmp((*d)->name, named) != 0) continue;
        if (try_driver(*d, s, refresh, flags)) return *d;
    }
    return nullptr;
}

const DisplayDriver* choose_driver(ScreenContext* s, int32_t refresh, int32_t flags) {
    if (flags == kOpenNullDriver) return &null_driver;
    const char* wanted = std::getenv("DNGFX");
    // An empty value names no driver: the search is the one without it.
    if (wanted && !*wanted) wanted = nullptr;
    if (wanted && strcasecmp(wanted, "null") == 0) return &null_driver;
    const int32_t inverted = flags ^ kOpenFullScreen;
    const DisplayDriver* d = nullptr;
    if (!wanted) {
        if (!(d = search_pass(nullptr, s, refresh, flags))) d = search_pass(nullptr, s, refresh, inverted);
        return d;
    }
    if ((d = search_pass(wanted, s, refresh, flags))) return d;
    if ((d = search_pass(nullptr, s, refresh, flags))) return d;
    if ((d = search_pass(wanted, s, refresh, flags))) return d;
    return search_pass(nullptr, s, refresh, inverted);
}

// The program's end, from the exit handlers.
void close_at_process_end() {
    display_note_process_end();
    screen_close_at_exit();
}

}  // namespace

const ScreenMode& screen_mode(int32_t mode) { return mode_table[mode]; }

int32_t screen_setup(const ScreenMode* row, int32_t mode, int32_t depth, int32_t pages, int32_t refresh,
                     int32_t flags) {
    if (pages <= 0) pages = 1;
    if (screen) tear_down();

    if (mode != 0 && mode != 3 && mode != 4 && row) {
        gfx_hooks_install();
        ScreenContext* s = static_cast<ScreenContext*>(std::calloc(1, sizeof(ScreenContext)));
        if (!s) {
            // No screen: output must go back to the console.
            console_hooks = ConsoleHooks{};
        } else {
            s->mode = mode;
            s->width = row->width;
            s->height = row->height;
            s->depth = row->default_depth;
            if (mode > 13 && takes_depth(depth)) s->depth = depth;
            if (flags >= 0 && (flags & kOpenOpenGl) && s->depth < 16) s->depth = 16;
            s->default_palette = row->palette;
            s->scale = row->scale;
            s->font = row->font;
            if (s->depth == 15 || s->depth == 16) {
                s->depth = 16;
                s->colour_mask = 0xFFFF;
            } else if (s->depth == 24 || s->depth == 32) {
                s->depth = 32;
                s->colour_mask = 0xFFFFFFFF;
            } else {
                s->colour_mask = (1u << s->depth) - 1;
            }
            s->bytes_per_pixel = (s->depth + 7) / 8;
            s->pitch = s->target_pitch = s->width * s->bytes_per_pixel;

            if (!allocate_buffers(s, pages)) {
                free_screen(s);
                console_hooks = ConsoleHooks{};
                return set_last_error(1);
            }
            screen = s;
            pixel_routines_choose();
            resources_unpack();
            default_title();

            const DisplayDriver* driver = choose_driver(s, refresh, flags);
            if (!driver) {
                screen_close_at_exit();
                return set_last_error(1);
            }
            s->driver = driver;
            // The driver's update thread may already be reading the screen.
            screen_lock();
            palette_set(-1, 0, -1, -1);
            s->fg_colour = s->depth == 8 ? 15 : s->colour_mask;
            s->bg_colour = 0;
            s->clip_x = s->clip_y = 0;
            s->clip_w = s->width;
            s->clip_h = s->height;
            s->row_capacity = s->height;
            s->text_cols = row->text_cols;
            s->text_rows = row->text_rows;
            const bool cells = text_cells_reset(true);
            screen_unlock(1, 0);  // an empty range: nothing is drawn yet
            if (!cells) {
                screen_close_at_exit();
                return set_last_error(1);
            }
            if (!exit_handler_registered) {
                exit_handler_registered = true;
                std::atexit(close_at_process_end);
            }
        }
    } else {
        console_hooks = ConsoleHooks{};
    }

    if (flags != kOpenClosingAtExit) view_rows_change(0, 0, screen != nullptr);
    set_last_error(0);
    return 0;
}

}  // namespace pantalla::detail

void screen_open(int32_t mode, int32_t depth, int32_t pages, int32_t flags, int32_t refresh) {
    if (static_cast<uint32_t>(mode) > 21) {
        set_last_error(1);
        return;
    }
    const ScreenMode* row = nullptr;
    if (mode != 0) {
        row = &mode_table[mode];
        if (row->width < 0) {
            set_last_error(1);
            return;
        }
    }
    if (screen_setup(row, mode, depth, pages, refresh, flags) == 0) screen_device()->column = 0;
}

void screen_open_size(int32_t width, int32_t height, int32_t depth, int32_t pages, int32_t flags,
                      int32_t refresh) {
    // The text grid is width / 8 by height / 8 cells: a screen narrower or
    // lower than one glyph would have no grid to walk or draw in.
    if (width < kGlyphCell || height < kGlyphCell || !takes_depth(depth)) {
        set_last_error(1);
        return;
    }
    const ScreenMode row{width, height, depth, 1, &palette_256, &font_8x8, width / kGlyphCell, height / kGlyphCell};
    if (screen_setup(&row, -1, depth, pages, refresh, flags) == 0) screen_device()->column = 0;
}

void screen_close_at_exit() {
    if (screen) screen_open(0, 0, 0, kOpenClosingAtExit, 0);
}

namespace pantalla::detail {

void screen_target_screen() {
    if (!screen || !(screen->flags & kScreenToImage)) return;
    screen->flags &= ~kScreenToImage;
    screen->target_image = nullptr;
    screen->target_pitch = screen->pitch;
    uint8_t* page = screen->pages[screen->work_page];
    for (int32_t y = 0; y < screen->height; ++y) screen->rows[y] = page + static_cast<size_t>(y) * screen->pitch;
}

}  // namespace pantalla::detail

uint8_t* screen_pointer() {
    if (!screen) return nullptr;
    screen_target_screen();
    // The caller will read or write the pixels themselves.
    screen_auto_lock();
    text_settle();
    screen_auto_unlock();
    return screen->rows[0];
}

void screen_lock() {
    note_statement();
    if (!screen || (screen->flags & kScreenLocked)) return;
    display_lock(screen->driver);
    screen->flags |= kScreenLocked;
    text_settle();
}

void screen_unlock(int32_t first_row, int32_t last_row) {
    note_statement();
    if (!screen) return;
    if (first_row < 0) first_row = 0;
    if (last_row < 0) last_row = screen->clip_h - 1;
    if (screen->rows[0] == screen->visible_page && first_row <= last_row && last_row < screen->clip_h &&
        last_row < screen->height)
        std::memset(screen->dirty + first_row, 1, static_cast<size_t>(last_row - first_row + 1));
    if (screen->flags & kScreenLocked) {
        display_unlock(screen->driver);
        screen->flags &= ~(kScreenLocked | kScreenAutoLocked);
    }
}

namespace pantalla::detail {

void screen_auto_lock() {
    note_statement();
    if (screen->flags & (kScreenLocked | kScreenAutoLocked)) return;
    display_lock(screen->driver);
    screen->flags |= kScreenLocked | kScreenAutoLocked;
}

void screen_auto_unlock() {
    if (!(screen->flags & kScreenAutoLocked)) return;
    display_unlock(screen->driver);
    screen->flags &= ~(kScreenLocked | kScreenAutoLocked);
}

void screen_mark_dirty(int32_t first, int32_t end) {
    if (!screen || screen->rows[0] != screen->visible_page) return;
    if (first < 0) first = 0;
    if (end > screen->height) end = screen->height;
    if (first < end) pixel_routines.row_fill(screen->dirty + first, 1, static_cast<size_t>(end - first));
}

void screen_mark_dirty_all() {
    if (screen) pixel_routines.row_fill(screen->dirty, 1, static_cast<size_t>(screen->height));
}

}  // namespace pantalla::detail

void screen_set_title(const char* text) {
    size_t n = text ? std::strlen(text) : 0;
    if (n > sizeof title_buffer - 1) n = sizeof title_buffer - 1;
    if (n) std::memcpy(title_buffer, text, n);
    title_buffer[n] = 0;
    current_title = title_buffer;
    if (screen) display_set_window_title(screen->driver, current_title);
}

namespace pantalla::detail {

const char* screen_title() { return current_title; }

uint32_t cpu_features() {
    static bool known = false;
    static uint32_t features = 0;
    if (!known) {
        known = true;
#if defined(__x86_64__) || defined(__i386__)
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (__get_cpuid(1, &a, &b, &c, &d)) features = d & 0xFFFFFF;
#endif
    }
    return features;
}

}  // namespace pantalla::detail
