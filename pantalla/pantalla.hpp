/// @file pantalla.hpp
/// Pantalla: a screen to print on, read keys and lines from, and draw on.
///
/// A plain `int main()` is all a program needs: the runtime starts on the
/// first call below and ends when main returns (or `std::exit` is called),
/// closing the screen and putting the terminal back. The process's exit code
/// is the one main returns.
///
/// Errors are numbers, never exceptions: a call that can fail returns an
/// @ref pantalla::Error, and calls that return a value instead leave their
/// error for @ref pantalla::error(). Coordinates are pixels from the top-left
/// corner of the view, text rows and columns count from 1.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// Everything of the friendly interface.
namespace pantalla {

// ---------------------------------------------------------------- errors

/// The runtime's error numbers.
enum Error : int {
    ok = 0,            ///< success
    bad_argument = 1,  ///< a bad argument, or no screen to work on
    no_input = 4,      ///< no line could be read (input closed)
};

/// The error of the last call, as the runtime keeps it.
Error error();

// ---------------------------------------------------------------- screen

/// Screen modes by their size and colours.
enum class Mode : int {
    text = 0,             ///< no graphics screen: the terminal
    cga_320x200 = 1,      ///< 320 x 200, 4 colours
    cga_640x200 = 2,      ///< 640 x 200, 2 colours
    ega_320x200 = 7,      ///< 320 x 200, 16 colours
    ega_640x200 = 8,      ///< 640 x 200, 16 colours
    ega_640x350 = 9,      ///< 640 x 350, 16 of 64 colours
    mono_640x350 = 10,    ///< 640 x 350, 2 colours
    mono_640x480 = 11,    ///< 640 x 480, 2 colours
    vga_640x480 = 12,     ///< 640 x 480, 16 colours
    vga_320x200 = 13,     ///< 320 x 200, 256 colours
    w320x240 = 14,        ///< 320 x 240, 256 colours or the depth given
    w400x300 = 15,        ///< 400 x 300, 256 colours or the depth given
    w512x384 = 16,        ///< 512 x 384, 256 colours or the depth given
    w640x400 = 17,        ///< 640 x 400, 256 colours or the depth given
    w640x480 = 18,        ///< 640 x 480, 256 colours or the depth given
    w800x600 = 19,        ///< 800 x 600, 256 colours or the depth given
    w1024x768 = 20,       ///< 1024 x 768, 256 colours or the depth given
    w1280x1024 = 21,      ///< 1280 x 1024, 256 colours or the depth given
};

/// How a screen opens; `full_screen | no_switch` combine.
enum Open : int {
    windowed = 0,     ///< a window (or the terminal where no window can be had)
    full_screen = 1,  ///< the whole display, the picture enlarged
    opengl = 2,       ///< only the OpenGL display
    no_switch = 4,    ///< no switching between full screen and window
    null_display = -1 ///< drawn in memory only, keys from standard input
};

/// Opens a screen of a mode (closing any open one) with `depth` bits a
/// pixel (8, 16 or 32; 0 the mode's own; modes 14 to 21 only) and `pages`
/// pages. bad_argument for a mode without a screen or no display at all.
Error open(Mode mode, int depth = 0, int pages = 1, int flags = windowed);
/// Opens a screen of any size (at least 8 x 8) with depth 8, 16 or 32.
Error open(int width, int height, int depth = 8, int pages = 1, int flags = windowed);
/// Closes the screen: printing and keys go back to the terminal.
void close();
/// Whether a graphics screen is open.
bool is_open();
/// The screen's width in pixels, 0 with no screen.
int width();
/// The screen's height in pixels, 0 with no screen.
int height();
/// Bits a pixel (8, 16 or 32), 0 with no screen.
int depth();
/// The window's title.
void title(std::string_view text);

/// Makes `work` the page drawn and printed on and `visible` the one shown;
/// -1 keeps either. bad_argument for a page the screen lacks.
Error pages(int work, int visible);
/// Copies page `from` (pixels and text) onto page `to`.
Error copy_page(int from, int to);
/// Waits for the next tick of a clock of `per_second` ticks, for a steady
/// frame rate; returns at once when the tick has passed already.
void frame(double per_second = 60);

// ---------------------------------------------------------------- printing

/// What follows a printed item.
enum class End : int {
    none = 0,     ///< nothing: the next item follows at once
    newline = 1,  ///< a line end
    zone = 2,     ///< blanks up to the next print zone of 14 columns
};

/// Prints text. Errors: bad_argument when the output cannot be written.
Error print(std::string_view text, End end = End::none);
/// Prints an integer, with a blank before a non-negative one.
Error print(int value, End end = End::none);
/// Prints an unsigned integer, without a blank before it.
Error print(unsigned value, End end = End::none);
/// Prints a number with up to 15 significant digits, as @ref number_text,
/// with a blank before a non-negative one.
Error print(double value, End end = End::none);
/// Prints a single-precision number with up to 7 significant digits.
Error print(float value, End end = End::none);
/// Prints an item, then a line end.
template <class T>
Error println(const T& value) {
    return print(value, End::newline);
}
/// Prints a line end.
Error println();
/// A number as print shows it, without blanks: up to `digits` (1 to 17)
/// significant digits, exponent form beyond them ("1.5E+20").
std::string number_text(double value, int digits = 15);

// ---------------------------------------------------------------- line input

/// Shows `prompt` (and "? " after it with `question`), lets the user type
/// a line and returns it; empty, with error() no_input, when no line could
/// be had. Input that ends closes the line as Enter would.
std::string input(std::string_view prompt = {}, bool question = false);
/// The same line read as an integer: its leading blanks, sign and digits,
/// 0 with none; saturates at the 32-bit limits.
int input_int(std::string_view prompt = {}, bool question = false);
/// The same line read as a number, 0 without one.
double input_number(std::string_view prompt = {}, bool question = false);

// ---------------------------------------------------------------- keys

/// Key codes: characters are their own code, other keys one of these.
namespace key {
constexpr int backspace = 8;      ///< Backspace
constexpr int tab = 9;            ///< Tab
constexpr int enter = 13;         ///< Enter
constexpr int escape = 27;        ///< Esc
constexpr int space = 32;         ///< the space bar
/// The code of an extended key of number `n`.
constexpr int extended(int n) { return n * 256 + 255; }
constexpr int f1 = extended(0x3B);      ///< F1; F2 to F10 follow on
constexpr int home = extended(0x47);    ///< Home
constexpr int up = extended(0x48);      ///< Up arrow
constexpr int page_up = extended(0x49); ///< Page Up
constexpr int left = extended(0x4B);    ///< Left arrow
constexpr int right = extended(0x4D);   ///< Right arrow
constexpr int end = extended(0x4F);     ///< End
constexpr int down = extended(0x50);    ///< Down arrow
constexpr int page_down = extended(0x51);  ///< Page Down
constexpr int insert = extended(0x52);  ///< Insert
constexpr int del = extended(0x53);     ///< Delete
constexpr int close = extended(0x6B);   ///< the window was closed, or input ended
}  // namespace key

/// The next waiting key as its code, or 0 when none waits. Never waits.
int poll_key();
/// The next waiting key as text (one byte, or byte 255 and the key's
/// number for other keys), empty when none waits.
std::string poll_key_text();
/// Waits for a key and returns its code.
int wait_key();
/// Whether a key waits (it stays waiting).
bool key_waiting();
/// Whether the key of a scan code (1 to 127) is held down; a graphics
/// screen only.
bool key_down(int scan_code);
/// Sleeps `ms` milliseconds; a key ends waits above 99 ms early, and -1
/// sleeps until a key.
void sleep(int ms);

// ---------------------------------------------------------------- time and chance

/// Seconds since the system started, to the microsecond where it can.
double timer();
/// Seeds the random numbers; the default seeds from the timer. A seed
/// always gives the same numbers on every platform.
void randomize(double seed = -1);
/// A random number in [0, 1), steps of 1/32768.
double rnd();
/// A random integer from `low` to `high` inclusive.
int random(int low, int high);

// ---------------------------------------------------------------- text cursor and view

/// Moves the text cursor (1-based; 0 keeps that coordinate).
/// bad_argument for a place outside the screen.
Error locate(int row, int column);
/// Shows or hides the text cursor.
Error show_cursor(bool shown);
/// The text cursor's row, 1-based.
int cursor_row();
/// The text cursor's column, 1-based.
int cursor_column();
/// Text columns of the screen or terminal.
int text_columns();
/// Text rows of the screen or terminal.
int text_rows();
/// Sets the text grid of a graphics screen (columns, rows).
Error text_size(int columns, int rows);
/// Lets printing use rows `top` to `bottom` only (1-based); the cursor moves
/// to `top`. bad_argument for rows outside the screen.
Error text_view(int top, int bottom);
/// Lets printing use every row again.
Error reset_text_view();
/// Clears the screen to the background colour; the cursor goes home.
Error cls();
/// Sounds the bell.
void beep();

// ---------------------------------------------------------------- colours

/// A colour: a palette index at depth 8 or less, else 0xRRGGBB
/// (0xAARRGGBB at 32 bits). -1 is the default of each call.
using Colour = std::int64_t;
/// The default colour of a call.
constexpr Colour default_colour = -1;
/// The 16 colours of the default palette, by their index.
enum Named : int {
    black,          ///< 0
    blue,           ///< 1
    green,          ///< 2
    cyan,           ///< 3
    red,            ///< 4
    magenta,        ///< 5
    brown,          ///< 6
    light_grey,     ///< 7
    dark_grey,      ///< 8
    light_blue,     ///< 9
    light_green,    ///< 10
    light_cyan,     ///< 11
    light_red,      ///< 12
    light_magenta,  ///< 13
    yellow,         ///< 14
    white,          ///< 15
};
/// A colour of a 16- or 32-bit screen from its components (0 to 255).
constexpr Colour rgb(int red, int green, int blue) {
    return (red & 255) << 16 | (green & 255) << 8 | (blue & 255);
}
/// The same with an opacity for 32-bit screens (255 opaque).
constexpr Colour rgba(int red, int green, int blue, int alpha) {
    return static_cast<Colour>(static_cast<std::uint32_t>(alpha & 255) << 24) | rgb(red, green, blue);
}
/// Sets the text and drawing colours; default_colour keeps one. At 32 bits
/// they keep no opacity. bad_argument with no graphics screen.
Error colour(Colour foreground, Colour background = default_colour);
/// Sets palette entry `index` of a 256-colour screen from 8-bit components
/// (kept to 6 bits each). bad_argument without a screen of depth 8 or less
/// or for an index past its colours.
Error palette(int index, int red, int green, int blue);
/// Sets palette entry `index` of a screen of 16 colours or fewer to one of
/// its mode's own colours (0 to 63 at 640 x 350, else 0 to 15).
Error palette(int index, int mode_colour);
/// Puts back the mode's own palette.
Error reset_palette();

// ---------------------------------------------------------------- drawing

/// A point of the view.
struct Point {
    double x;  ///< across, to the right
    double y;  ///< down (up in a window without y_down)
};

/// Sets the view, the part of the screen drawn on, to the rectangle between
/// two corners (screen pixels), filled and bordered when those are given;
/// with `absolute` later coordinates stay screen pixels. The pen goes to its
/// centre. bad_argument for a rectangle wholly off the screen.
Error view(double x1, double y1, double x2, double y2, Colour fill = default_colour,
           Colour border = default_colour, bool absolute = false);
/// The whole screen is the view again.
Error reset_view();
/// Maps world coordinates onto the view: (x1, y1) bottom left, or top left
/// with `y_down`. bad_argument for an empty or infinite side.
Error window(double x1, double y1, double x2, double y2, bool y_down = false);
/// World coordinates off: view pixels again.
Error reset_window();
/// A world point in view pixels (unchanged without a window).
Point to_view(Point world);
/// A view pixel in world coordinates (unchanged without a window).
Point to_world(Point view);
/// The pen: where the last drawing ended, in view pixels.
Point pen();

/// Sets a pixel (foreground by default); the pen moves there.
Error pset(double x, double y, Colour c = default_colour);
/// Clears a pixel (background by default); the pen moves there.
Error preset(double x, double y, Colour c = default_colour);
/// A pixel's colour, -1 outside the view.
Colour point(double x, double y);
/// A line; `style` is a 16-bit dash mask. The pen moves to its end.
Error line(double x1, double y1, double x2, double y2, Colour c = default_colour, int style = 0xFFFF);
/// A line from the pen.
Error line_to(double x, double y, Colour c = default_colour);
/// A rectangle's outline between two corners.
Error box(double x1, double y1, double x2, double y2, Colour c = default_colour, int style = 0xFFFF);
/// A filled rectangle between two corners.
Error fill_box(double x1, double y1, double x2, double y2, Colour c = default_colour);
/// A circle of `radius` around (x, y), round on a 4:3 display.
Error circle(double x, double y, double radius, Colour c = default_colour);
/// A filled circle.
Error fill_circle(double x, double y, double radius, Colour c = default_colour);
/// An ellipse: `aspect` is its height over its width; filled if asked.
Error ellipse(double x, double y, double radius, double aspect, Colour c = default_colour, bool filled = false);
/// An arc counter-clockwise from `start` to `end` (radians).
Error arc(double x, double y, double radius, double start, double end, Colour c = default_colour);
/// A pie slice from `start` to `end` (radians), filled if asked.
Error pie(double x, double y, double radius, double start, double end, Colour c = default_colour,
          bool filled = false);
/// Fills the region around (x, y) up to `border` (default the fill colour).
/// bad_argument when it cannot have the memory (part is then painted).
Error paint(double x, double y, Colour c = default_colour, Colour border = default_colour);
/// The same with an 8-pixel-wide tile of rows in the screen's pixel format.
Error paint_tile(double x, double y, std::string_view tile, Colour border);

// ---------------------------------------------------------------- images

/// How an image is put down.
enum class Put : int {
    copy,         ///< its pixels replace the screen's
    invert,       ///< the inverse of its pixels
    and_mask,     ///< screen AND image
    or_mask,      ///< screen OR image
    xor_mask,     ///< screen XOR image: putting twice restores
    transparent,  ///< all but transparent_colour()
    alpha,        ///< blended by opacity (32 bits only)
};

/// A picture in the screen's pixel format, freed when it goes.
class Image {
public:
    /// An empty image (no picture).
    Image() = default;
    /// A new picture of width x height in a colour (default the background);
    /// empty with error() bad_argument when it cannot be made.
    Image(int width, int height, Colour c = default_colour);
    /// Takes the screen's rectangle between two corners.
    static Image grab(double x1, double y1, double x2, double y2);
    /// Moves the picture; the source is left empty.
    Image(Image&& other) noexcept;
    /// Frees this picture and takes the other's.
    Image& operator=(Image&& other) noexcept;
    Image(const Image&) = delete;             ///< pictures are not copied
    Image& operator=(const Image&) = delete;  ///< pictures are not copied
    /// Frees the picture.
    ~Image();
    /// Whether there is a picture.
    explicit operator bool() const { return handle_ != nullptr; }
    /// Width in pixels, 0 when empty.
    int width() const;
    /// Height in pixels, 0 when empty.
    int height() const;
    /// Puts the picture with its top-left corner at (x, y); `alpha` (0 to
    /// 255, -1 its own) for Put::alpha. bad_argument when empty.
    Error put(double x, double y, Put how = Put::copy, int alpha = -1) const;
    /// Makes drawing go into this picture until draw_on_screen().
    Error draw_into() const;
    /// The runtime's own handle, for its low-level calls.
    void* handle() const { return handle_; }

private:
    void* handle_ = nullptr;
};
/// Drawing goes to the screen again.
Error draw_on_screen();
/// The colour Put::transparent leaves out (0, or magenta at 16 and 32 bits).
Colour transparent_colour();

// ---------------------------------------------------------------- mouse

/// The mouse as last seen.
struct Mouse {
    int x;        ///< view pixels; -1 with no mouse
    int y;        ///< view pixels; -1 with no mouse
    int wheel;    ///< wheel position
    int buttons;  ///< 1 left, 2 right, 4 middle
};
/// Reads the mouse; all -1 with error() bad_argument where there is none.
Mouse mouse();
/// Moves the pointer and shows or hides it. bad_argument without a mouse.
Error set_mouse(int x, int y, bool visible = true);

}  // namespace pantalla

/// @example hello.cpp
/// A screen, printing and line input.
/// @example keys.cpp
/// Waiting for keys and their codes.
/// @example ball.cpp
/// An animation on two pages at a steady frame rate.
/// @example drawing.cpp
/// Every drawing call once, images, views and windows.
/// @example mouse.cpp
/// Reading the mouse.
/// @example palette.cpp
/// Changing palette entries.
/// @example dice.cpp
/// A whole small program: the dice throws.
