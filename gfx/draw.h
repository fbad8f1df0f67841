// Drawing on the graphics screen or into an image: the view, the coordinate
// window, points, lines, boxes, ellipses, flood fill and images.
//
// Coordinates are doubles. They are view pixels, relative to the view's
// top-left corner unless the view was set absolute, or world units while a
// coordinate window is set. Colours are read as set_colours reads them for
// the depth (a palette index, 0xRRGGBB at 16 bits, 0xAARRGGBB at 32); a
// negative colour takes the default. Every call returns 0, or the error
// number (1: bad argument or no screen) also stored in last_error. NaN or
// infinite coordinates are error 1; finite ones of any size are clipped.
// Points and the pen are kept as placed up to 2^1000 pixels, and held there
// on their own direction from the target's corner beyond.
#pragma once

#include <cstdint>

struct DrawBox {
    double x1, y1, x2, y2;
};

// Options of the drawing calls.
constexpr uint32_t kDrawStep = 0x01;       // the (first) point is an offset from the pen
constexpr uint32_t kDrawStepEnd = 0x02;    // the second point is an offset from the first
constexpr uint32_t kDrawFromPen = 0x04;    // no first point: the line starts at the pen
constexpr uint32_t kDrawBox = 0x08;        // a box outline instead of a line
constexpr uint32_t kDrawFilled = 0x10;     // a filled box, ellipse or pie slice
constexpr uint32_t kDrawArc = 0x20;        // the start and end angles are given
constexpr uint32_t kDrawAspect = 0x40;     // the aspect ratio is given
constexpr uint32_t kViewAbsolute = 0x100;  // view: later coordinates stay screen pixels
constexpr uint32_t kWindowYDown = 0x200;   // window: y grows downwards
constexpr uint32_t kPenWorld = 0x400;      // pen_get: in world units

// Sets the view to `box` (screen pixels, corners in any order, limited to the
// screen; wholly outside it is error 1), filled with `fill` and bordered just
// outside with `border` when not negative. A null box resets it to the whole
// screen. Either way drawing goes back to the screen and the pen to the centre.
int32_t view_set(const DrawBox* box, int64_t fill, int64_t border, uint32_t options);

// Maps the world rectangle `box` onto the view, (x1, y1) at the bottom left
// unless kWindowYDown, as (world - corner) * scale in double precision. Each
// side needs a finite length of at least 2^-900. A null box turns the
// window off.
int32_t window_set(const DrawBox* box, uint32_t options);

enum PointConvert : int32_t { kWorldToViewX, kWorldToViewY, kViewToWorldX, kViewToWorldY };
// Converts one coordinate between world and view units; without a window the
// value comes back unchanged. NaN when no screen is open.
double point_convert(double value, int32_t direction);

// The pen, in view units (world units with kPenWorld while a window is set).
// Either pointer may be null.
int32_t pen_get(double* x, double* y, uint32_t options);

// Sets a point in `colour` (default the foreground) and moves the pen there.
// kDrawStep makes (x, y) an offset from the pen.
int32_t point_set(double x, double y, int64_t colour, uint32_t options);

// Clears a point to `colour` (default the background); otherwise as point_set.
int32_t point_clear(double x, double y, int64_t colour, uint32_t options);

// The colour of a point as set_colours takes it (0xRRGGBB at 16 bits), or -1
// outside the view or with no screen.
int64_t point_get(double x, double y, uint32_t options);

// A line, box outline (kDrawBox) or filled box (kDrawBox | kDrawFilled) from
// (x1, y1) to (x2, y2); the pen moves to the second point. `style` is a
// 16-bit mask, high bit at the first point; filled boxes ignore it. A line
// lights the visible pixels of the whole line between its rounded ends, its
// style counted from the first: exactly for ends within 2^60 pixels; a line
// reaching farther is cut there first, as closely as doubles allow.
int32_t line_draw(double x1, double y1, double x2, double y2, int64_t colour, uint32_t options, int32_t style);

// The default aspect of the open screen: round on a 4:3 display.
double ellipse_aspect_default();

// An ellipse of `radius` (window x units with a window) around (x, y); the
// pen moves to the centre. With kDrawArc the arc runs counter-clockwise from
// `start` to `end` (radians); a negative angle adds a line from the centre to
// that end. `aspect` (kDrawAspect) is y radius over x radius; kDrawFilled
// fills the ellipse or the slice.
int32_t ellipse_draw(double x, double y, double radius, int64_t colour, double start, double end, double aspect,
                     uint32_t options);

// Fills the 4-connected region around (x, y) bounded by `border` (default the
// fill colour) and the view. A start on the border or outside the view draws
// nothing. The fill holds at most about the view's size in memory besides
// the picture; when it cannot have that, it is error 1, with a connected part
// of the region painted and its rows marked changed.
int32_t flood_fill(double x, double y, int64_t colour, int64_t border, uint32_t options);

// The same with a tile: rows of 8 pixels in the screen's pixel format, `size`
// bytes, repeating across and down the target. `border` must be given. Only
// the rows the fill paints with are read.
int32_t flood_fill_tile(double x, double y, const void* tile, int32_t size, int64_t border, uint32_t options);

// Images: a header, then `height` rows of `pitch` bytes in the screen's pixel
// format, each row 16-byte aligned. Only pointers from image_create or
// image_get are taken; any other is error 1. The header is for reading: a
// call given an image whose version, bytes_per_pixel, width, height or pitch
// differ from those it was made with is error 1 and touches no pixel.
struct ImageHeader {
    uint32_t version;  // kImageVersion
    int32_t bytes_per_pixel;
    int32_t width;
    int32_t height;
    int32_t pitch;
    int32_t reserved[3];
};
constexpr uint32_t kImageVersion = 1;
static_assert(sizeof(ImageHeader) % 16 == 0);

// A new image of width x height pixels in `colour` (default the background),
// or null with last_error 1.
ImageHeader* image_create(int32_t width, int32_t height, int64_t colour);

// Frees an image, even one whose header was changed; drawing into it goes
// back to the screen first.
int32_t image_free(ImageHeader* image);

// A new image holding the rectangle between the corners; pixels outside the
// view take the transparent colour. Null with last_error 1 on failure.
ImageHeader* image_get(double x1, double y1, double x2, double y2, uint32_t options);

enum ImagePut : int32_t { kPutCopy, kPutInvert, kPutAnd, kPutOr, kPutXor, kPutTransparent, kPutAlpha };
// Puts an image with its top-left corner at (x, y), clipped to the view.
// kPutAlpha (32 bits only) blends with `alpha` 0-255, or the image's own alpha when negative.
int32_t image_put(double x, double y, const ImageHeader* image, int32_t mode, int32_t alpha, uint32_t options);

// The colour that kPutTransparent skips: 0 at palette depths, magenta else.
uint32_t image_transparent_pixel();

// Makes every drawing call above draw into `image`, whose whole rectangle is
// then the view; null or screen_pointer()'s value goes back to the screen.
// Once its header is changed, every drawing call is error 1 and draws nothing
// until the header is put back or the target changes.
int32_t draw_target(const void* image);
