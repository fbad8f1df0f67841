// Finding out what the terminal under the "Terminal" driver can show: the
// queries sent once when it opens, the answers taken from the key decoder,
// and the choice of how the page is shown. No system calls.
#pragma once

#include <string>

#include "console/term_decoder.h"
#include "gfx/display/terminal_caps.h"

namespace pantalla::detail {

// How long the driver waits for the answers, all of them together.
constexpr int kTermQueryDeadlineMs = 250;

// What the answers said so far.
struct TermQuery {
    TerminalCaps caps;
    bool mouse_pixels = false;  // the terminal knows mouse reports in pixels (mode 1016)
    bool finished = false;      // the device attributes answered: nothing more is coming
};

// Whether the terminal is asked at all: not inside tmux or screen, which
// pass no pixel graphics on, nor on the Linux console, which has none.
bool term_query_wanted(const char* term, const char* tmux);

// The queries, the primary device attributes last: every terminal answers
// those, and in order, so their answer ends the wait.
std::string term_query_bytes();

// Takes an answer into `q`; false for events that are not answers.
bool term_query_take(TermQuery& q, const TermEvent& e);

// Sizes the terminal did not answer, from what its window size gives
// (cols x rows cells, xpixel x ypixel pixels; 0 when unknown).
void term_query_fill_sizes(TerminalCaps& caps, int32_t cols, int32_t rows, int32_t xpixel, int32_t ypixel);

// The override's names ("sixel", "kitty", "blocks", any case); false for
// anything else.
bool term_graphics_from_name(const char* name, TermGraphics* graphics);

// The override when it names one, else kitty where the graphics query was
// answered, else sixel where the attributes list it, else half blocks.
TermGraphics term_graphics_choose(const TerminalCaps& caps, const char* override_name);

}  // namespace pantalla::detail
