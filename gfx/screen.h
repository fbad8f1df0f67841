// The graphics screen: the mode table, the one open screen and its set-up.
#pragma once

#include <cstdint>

#include "runtime/key_codes.h"

struct DisplayDriver;
struct FontDescriptor;
struct PaletteDescriptor;

struct ScreenMode {
    int32_t width;  // -1: the mode number has no screen
    int32_t height;
    int32_t default_depth;
    int32_t scale;  // 2: every framebuffer row is shown twice
    const PaletteDescriptor* palette;
    const FontDescriptor* font;
    int32_t text_cols;
    int32_t text_rows;
};

constexpr int kModeCount = 22;

// Indexed by mode number; position 0 holds no row, rows 3 to 6 have no
// screen.
const ScreenMode& screen_mode(int32_t mode);

// Screen flags.
constexpr uint32_t kScreenViewWindow = 0x01;    // coordinate window active
constexpr uint32_t kScreenViewRelative = 0x04;  // drawing relative to the view
constexpr uint32_t kScreenToImage = 0x08;       // drawing goes to an image
constexpr uint32_t kScreenLocked = 0x10;
constexpr uint32_t kScreenAutoLocked = 0x20;    // released at the end of the operation
constexpr uint32_t kScreenWrapPending = 0x40;
constexpr uint32_t kScreenViewActive = 0x80;
constexpr uint32_t kScreenMmx = 0x1000000;

// screen_open flags.
constexpr int32_t kOpenFullScreen = 0x01;
constexpr int32_t kOpenOpenGl = 0x02;
constexpr int32_t kOpenNoSwitch = 0x04;
constexpr int32_t kOpenNullDriver = -1;
constexpr int32_t kOpenClosingAtExit = static_cast<int32_t>(0x80000000u);

struct TextCell {
    uint32_t code;
    uint32_t fg;
    uint32_t bg;
};

struct ScreenContext {
    int32_t mode;  // 1 to 21, or -1 for a screen opened by size
    uint8_t** pages;
    int32_t page_count;
    int32_t work_page;
    uint8_t* visible_page;
    uint8_t** rows;  // row starts of the drawing target
    int32_t pitch;
    int32_t target_pitch;
    void* target_image;
    int32_t row_capacity;
    int32_t bytes_per_pixel;
    uint32_t* colour_set;     // 256 entries
    uint32_t* palette;        // 256 entries, red | green << 8 | blue << 16
    uint8_t* attribute_map;   // 16 entries
    uint8_t* dirty;           // height * scale bytes
    const DisplayDriver* driver;
    int32_t width;
    int32_t height;
    int32_t depth;
    uint32_t colour_mask;
    const PaletteDescriptor* default_palette;
    int32_t scale;
    uint32_t fg_colour;
    uint32_t bg_colour;
    double pen_x;
    double pen_y;
    int32_t cursor_col;
    int32_t cursor_row;
    const FontDescriptor* font;
    int32_t clip_x, clip_y, clip_w, clip_h;
    double window_x1, window_y1, window_x2, window_y2;  // world at the view's left, top, right, bottom
    int32_t text_cols;
    int32_t text_rows;
    uint8_t* key_down;  // 128 entries
    int32_t refresh_rate;
    uint32_t flags;
    TextCell** text_cells;  // one buffer per page
};

// The open screen, or null.
extern ScreenContext* screen;

// The graphics screen's key queue: it outlives every screen.
extern ScreenKeyQueue screen_key_queue;

void screen_open(int32_t mode, int32_t depth, int32_t pages, int32_t flags, int32_t refresh);
void screen_open_size(int32_t width, int32_t height, int32_t depth, int32_t pages, int32_t flags,
                      int32_t refresh);
int32_t screen_setup(const ScreenMode* row, int32_t mode, int32_t depth, int32_t pages,
                     int32_t refresh, int32_t flags);
void screen_close_at_exit();
// Pages: drawing and printing go to the work page, the display shows the
// visible one. A negative page keeps that choice. Error 1 without a screen
// or for a page the screen does not have.
int32_t screen_pages_set(int32_t work, int32_t visible);
// Copies a page's pixels and text cells onto another.
int32_t screen_page_copy(int32_t from, int32_t to);
uint8_t* screen_pointer();
void screen_lock();
void screen_unlock(int32_t first_row, int32_t last_row);
void screen_set_title(const char* text);
// The current title, or null until one is set.
const char* screen_title();

// The processor's standard feature flags (bits 0-23); bit 23 is MMX.
uint32_t cpu_features();
constexpr uint32_t kCpuMmx = 1u << 23;

// Automatic locking around an operation that touches the screen: locks
// when the caller has not, and releases only what it took.
void screen_auto_lock();
void screen_auto_unlock();

// Drawing goes back to the screen's work page if it was going to an image.
void screen_target_screen();

// Marks framebuffer rows first..end-1 changed when drawing goes to the
// visible page.
void screen_mark_dirty(int32_t first, int32_t end);

// Marks every framebuffer row changed (after a palette change or a
// redraw request), whatever the drawing target.
void screen_mark_dirty_all();

// The executable's file name with its directory (platform part).
const char* executable_path();
