// Drawing, images and the mouse.
#include <cmath>
#include <utility>

#include "gfx/draw.h"
#include "gfx/screen.h"
#include "pantalla/start.h"
#include "runtime/console_hooks.h"
#include "runtime/context.h"

namespace pantalla {

using detail::status;

namespace {

constexpr uint32_t kSolid = 0xFFFF;

ImageHeader* header(void* handle) { return static_cast<ImageHeader*>(handle); }

}  // namespace

Error view(double x1, double y1, double x2, double y2, Colour fill, Colour border, bool absolute) {
    const DrawBox box{x1, y1, x2, y2};
    return status(view_set(&box, fill, border, absolute ? kViewAbsolute : 0));
}

Error reset_view() { return status(view_set(nullptr, -1, -1, 0)); }

Error window(double x1, double y1, double x2, double y2, bool y_down) {
    const DrawBox box{x1, y1, x2, y2};
    return status(window_set(&box, y_down ? kWindowYDown : 0));
}

Error reset_window() { return status(window_set(nullptr, 0)); }

Point to_view(Point world) {
    return {point_convert(world.x, kWorldToViewX), point_convert(world.y, kWorldToViewY)};
}

Point to_world(Point view) {
    return {point_convert(view.x, kViewToWorldX), point_convert(view.y, kViewToWorldY)};
}

Point pen() {
    Point p{0, 0};
    pen_get(&p.x, &p.y, 0);
    return p;
}

Error pset(double x, double y, Colour c) { return status(point_set(x, y, c, 0)); }

Error preset(double x, double y, Colour c) { return status(point_clear(x, y, c, 0)); }

Colour point(double x, double y) { return point_get(x, y, 0); }

Error line(double x1, double y1, double x2, double y2, Colour c, int style) {
    return status(line_draw(x1, y1, x2, y2, c, 0, style));
}

Error line_to(double x, double y, Colour c) { return status(line_draw(0, 0, x, y, c, kDrawFromPen, kSolid)); }

Error box(double x1, double y1, double x2, double y2, Colour c, int style) {
    return status(line_draw(x1, y1, x2, y2, c, kDrawBox, style));
}

Error fill_box(double x1, double y1, double x2, double y2, Colour c) {
    return status(line_draw(x1, y1, x2, y2, c, kDrawBox | kDrawFilled, kSolid));
}

Error circle(double x, double y, double radius, Colour c) {
    return status(ellipse_draw(x, y, radius, c, 0, 0, 0, 0));
}

Error fill_circle(double x, double y, double radius, Colour c) {
    return status(ellipse_draw(x, y, radius, c, 0, 0, 0, kDrawFilled));
}

Error ellipse(double x, double y, double radius, double aspect, Colour c, bool filled) {
    return status(ellipse_draw(x, y, radius, c, 0, 0, aspect, kDrawAspect | (filled ? kDrawFilled : 0)));
}

Error arc(double x, double y, double radius, double start, double end, Colour c) {
    return status(ellipse_draw(x, y, radius, c, std::fabs(start), std::fabs(end), 0, kDrawArc));
}

Error pie(double x, double y, double radius, double start, double end, Colour c, bool filled) {
    // An end given as a negative angle gets a radius; -0 is not negative,
    // so a slice from 0 starts at the smallest step past it.
    auto radius_end = [](double a) { return a == 0 ? -1e-300 : -std::fabs(a); };
    return status(ellipse_draw(x, y, radius, c, radius_end(start), radius_end(end), 0,
                               kDrawArc | (filled ? kDrawFilled : 0)));
}

Error paint(double x, double y, Colour c, Colour border) { return status(flood_fill(x, y, c, border, 0)); }

Error paint_tile(double x, double y, std::string_view tile, Colour border) {
    return status(flood_fill_tile(x, y, tile.data(), static_cast<int32_t>(tile.size()), border, 0));
}

Image::Image(int width, int height, Colour c) : handle_(image_create(width, height, c)) {}

Image Image::grab(double x1, double y1, double x2, double y2) {
    Image image;
    image.handle_ = image_get(x1, y1, x2, y2, 0);
    return image;
}

Image::Image(Image&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}

Image& Image::operator=(Image&& other) noexcept {
    if (this != &other) {
        if (handle_) image_free(header(handle_));
        handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
}

Image::~Image() {
    if (handle_) image_free(header(handle_));
}

int Image::width() const { return handle_ ? header(handle_)->width : 0; }

int Image::height() const { return handle_ ? header(handle_)->height : 0; }

Error Image::put(double x, double y, Put how, int alpha) const {
    if (!handle_) return status(set_last_error(1));
    return status(image_put(x, y, header(handle_), static_cast<int32_t>(how), alpha, 0));
}

Error Image::draw_into() const {
    if (!handle_) return status(set_last_error(1));
    return status(draw_target(handle_));
}

Error draw_on_screen() { return status(draw_target(nullptr)); }

Colour transparent_colour() { return image_transparent_pixel(); }

Mouse mouse() {
    Mouse m{-1, -1, -1, -1};
    if (!console_hooks.read_mouse) {
        set_last_error(1);
        return m;
    }
    console_hooks.read_mouse(&m.x, &m.y, &m.wheel, &m.buttons);
    return m;
}

Error set_mouse(int x, int y, bool visible) {
    if (!console_hooks.move_mouse) return status(set_last_error(1));
    return status(console_hooks.move_mouse(x, y, visible ? 1 : 0));
}

}  // namespace pantalla
