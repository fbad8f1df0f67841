// The "Terminal" driver: the screen's text cells shown in the terminal
// the program runs in (an SSH session, a text console), on its alternate
// screen, by an update thread that also reads the keys.
//
// Terminals report no key releases: gfx_is_key_down reports a key as held
// for kHeldMs after each press, which a key held down keeps renewing by
// its auto-repeat.
//
// When it opens it asks the terminal what it can show (terminal_probe.h);
// DNGFX_TERMINAL_GRAPHICS=sixel|kitty|blocks overrides the choice, and
// blocks also skips the questions. The mouse reports in SGR form (in
// pixels where the terminal has them) give get_mouse the page's pixels;
// set_mouse moves only the position reported, as the terminal's pointer
// cannot be moved.
#include <errno.h>
#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "console/posix/terminal.h"
#include "console/posix/terminal_glyphs.h"
#include "console/term_decoder.h"
#include "gfx/display/display_driver.h"
#include "gfx/display/posix/terminal_probe.h"
#include "gfx/display/terminal_caps.h"
#include "gfx/display/terminal_mouse.h"
#include "gfx/display/terminal_picture.h"
#include "gfx/display/terminal_pixels.h"
#include "gfx/display/terminal_view.h"
#include "gfx/display/window.h"
#include "gfx/keyboard.h"
#include "gfx/resources.h"
#include "gfx/screen.h"
#include "runtime/key_codes.h"
#include "runtime/platform.h"
#include "runtime/posix/platform_posix.h"

namespace pantalla::detail {

namespace {

constexpr int kPassMs = 10;
constexpr int64_t kHeldMs = 250;
// The program asked for a key this recently: it waits for one, and the
// terminal's cursor shows where the text goes.
constexpr int64_t kWaitingMs = 100;
constexpr int64_t kEscapeWaitMs = 50;
// Bytes taken from the terminal at once: what they decode to may wait for
// room in the screen's queue, and no more is read meanwhile.
constexpr size_t kReadChunk = 2048;
// Image bytes written at once, when the terminal reports room: a drained
// pseudo-terminal holds far more, so the write returns at once, and a
// gallery screen takes a few passes.
constexpr size_t kWriteChunk = 16384;

const char kEnter[] = "\x1b[?1049h\x1b[?25l";
const char kLeave[] = "\x1b[0m\x1b[?1049l";
const char kShowCursor[] = "\x1b[?25h";
// Images start where the cursor stands, and one that ends on the bottom
// row leaves the cursor there instead of scrolling.
const char kPixelModes[] = "\x1b[?80l\x1b[?8452h";
// The images go with the alternate screen, the modes back to the defaults.
const char kPixelsEnd[] = "\x1b[0m\x1b[2J\x1b[?8452l";

struct Session {
    int in = -1, out = -1;
    TerminalCaps caps;           // found when the terminal opens
    TermMouse mouse;
    const char* mouse_modes = nullptr;  // what turned the mouse reports on; null: off
    bool mouse_pixels = false;
    TerminalView view{TermColours::ansi16};
    TerminalPicture picture;
    TerminalPixels pixels;  // the page as images, when caps.graphics is sixel or kitty
    bool use_pixels = false;
    bool has_picture = false;
    TermDecoder decoder;
    int64_t last_byte_ms = 0;
    bool input_ended = false;
    bool gone = false;  // the terminal went away: nothing more is written
    int64_t pressed_ms[128] = {};
    struct sigaction old_winch {};
    pthread_t thread{};
    bool thread_opened = false;  // the thread runs until window_exit joins it
};

std::unique_ptr<Session> session;
std::atomic<int> resized{0};  // set by SIGWINCH, on whichever thread
std::atomic<int64_t> last_key_poll_ms{-1'000'000};

int64_t now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

void on_winch(int) { resized = 1; }

void write_all(Session& t, const std::string& bytes) {
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0 && !t.gone) {
        // A full terminal is waited for; only a failure means it has gone.
        const int64_t n = platform_write(t.out, p, left);
        if (n <= 0) {
            t.gone = t.input_ended = true;
            return;
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

void read_size(Session& t) {
    winsize ws{};
    if (ioctl(t.out, TIOCGWINSZ, &ws) == 0 && ws.ws_col > 0 && ws.ws_row > 0) {
        t.view.resize(ws.ws_col, ws.ws_row);
        // The pixel size where the terminal tells the kernel (xterm does).
        if (ws.ws_xpixel > 0 && ws.ws_ypixel > 0) {
            t.caps.text_width = ws.ws_xpixel;
            t.caps.text_height = ws.ws_ypixel;
            t.caps.cell_width = ws.ws_xpixel / ws.ws_col;
            t.caps.cell_height = ws.ws_ypixel / ws.ws_row;
        }
    } else {
        t.view.resize(80, 24);
    }
    t.pixels.set_caps(t.caps);
}

// Under the screen lock: the changed bands' rows copied for encoding, or,
// while earlier images are still going out, kept waiting.
bool take_pixels(Session& t, ScreenContext& s) {
    const int32_t depth = s.depth <= 8 ? 8 : s.depth == 16 ? 16 : 32;
    // Only palette depths read the palette; deeper pages carry their colours.
    uint32_t palette[256];
    if (depth == 8)
        for (int i = 0; i < 256; ++i) palette[i] = screen_colour_rgb(s, static_cast<uint32_t>(i));
    const SixelPage page{s.visible_page, s.pitch, s.width, s.height, depth, depth == 8 ? palette : nullptr};
    return t.pixels.take(page, s.scale, s.dirty);
}

// Writes what the terminal takes without waiting: what it does not take
// now waits for later passes, which meanwhile encode nothing new.
void flush_pixels(Session& t) {
    while (!t.pixels.unsent().empty() && !t.gone) {
        pollfd p{t.out, POLLOUT, 0};
        if (poll(&p, 1, 0) <= 0 || !(p.revents & POLLOUT)) return;
        const std::string_view bytes = t.pixels.unsent();
        const int64_t n = platform_write(t.out, bytes.data(), std::min(bytes.size(), kWriteChunk));
        if (n <= 0) {
            t.gone = t.input_ended = true;
            return;
        }
        t.pixels.sent(static_cast<size_t>(n));
    }
}

// Under the screen lock.
TermMouseLayout mouse_layout(const Session& t) {
    TermMouseLayout l;
    l.page_width = screen->width;
    l.page_height = screen->height;
    if (screen->font) {
        l.glyph_width = screen->font->glyph_width;
        l.glyph_height = screen->font->glyph_height;
    }
    l.origin_col = t.view.origin_col();
    l.origin_row = t.view.origin_row();
    l.cell_width = t.caps.cell_width;
    l.cell_height = t.caps.cell_height;
    l.pixels = t.mouse_pixels;
    // From the layout itself: a report may come before the first pass
    // has laid the page out.
    if (t.use_pixels)
        l.placement = pixel_placement(pixel_layout(screen->width, screen->height * std::max(screen->scale, 1), t.caps));
    return l;
}

// Under the screen lock.
void push_keys(Session& t, const TermEvent* events, int count) {
    for (int i = 0; i < count; ++i) {
        const TermEvent& e = events[i];
        if (e.kind == TermEvent::mouse && screen) term_mouse_take(t.mouse, e, mouse_layout(t));
        if (e.kind != TermEvent::key) continue;
        const int32_t code = translate_key_event(e.character, e.scan_code, e.virtual_key, e.control_state, 0);
        if (code > 0) window_push_key(code);
        if (e.scan_code < 128) t.pressed_ms[e.scan_code] = now_ms();
    }
}

// Waits up to one pass interval for key bytes and turns them into codes.
// While codes from earlier bytes still wait for room, the terminal keeps
// the rest.
void read_keys(Session& t) {
    window_lock();
    const int32_t earlier = screen_key_queue.write_index;
    window_take_waiting_keys();
    const bool refilled = screen_key_queue.write_index != earlier, room_for_more = !window_keys_waiting();
    window_unlock();
    if (refilled) gfx_key_signal();
    if (t.input_ended || !room_for_more) {
        usleep(kPassMs * 1000);
        return;
    }
    pollfd p{t.in, POLLIN, 0};
    const int ready = poll(&p, 1, kPassMs);
    unsigned char bytes[kReadChunk];
    ssize_t n = 0;
    if (ready > 0) {
        n = read(t.in, bytes, sizeof bytes);
        if (n == 0 || (n < 0 && errno != EINTR && errno != EAGAIN)) t.input_ended = true;
    }
    TermEvent events[kTermEventsPerStep];
    window_lock();
    const int32_t before = screen_key_queue.write_index;
    for (ssize_t i = 0; i < n; ++i) push_keys(t, events, term_decoder_feed(t.decoder, bytes[i], events));
    if (n > 0) t.last_byte_ms = now_ms();
    if (term_decoder_pending(t.decoder) && (t.input_ended || now_ms() - t.last_byte_ms >= kEscapeWaitMs))
        push_keys(t, events, term_decoder_timeout(t.decoder, events));
    const bool pushed = screen_key_queue.write_index != before;
    window_unlock();
    // A program waiting inside its key poll wakes at once.
    if (pushed) gfx_key_signal();
}

// One pass: keys held, the close code once the input is gone, and the
// changed cells sent in one write.
void pass(Session& t) {
    std::string out;
    window_lock();
    if (!screen) {
        window_unlock();
        return;
    }
    const int64_t now = now_ms();
    if (terminal_hung_up()) t.gone = t.input_ended = true;
    for (int sc = 0; sc < 128; ++sc)
        screen->key_down[sc] = t.pressed_ms[sc] != 0 && now - t.pressed_ms[sc] < kHeldMs ? 1 : 0;
    int32_t waiting = 0;
    const bool closing = t.input_ended && !window_keys_waiting() && !key_queue_peek(screen_key_queue, &waiting);
    if (closing) key_queue_push(screen_key_queue, kCloseKey);
    if (resized.exchange(0)) read_size(t);
    if (terminal_take_resumed()) {
        // Back from a stop, which put the normal screen back.
        out += kEnter;
        if (t.use_pixels) out += kPixelModes;
        terminal_note_alternate_screen(true);
        if (t.mouse_modes) {
            out += t.mouse_modes;
            terminal_note_mouse(true);
        }
        t.view.invalidate();
        t.pixels.invalidate();
    }
    bool encode = false;
    if (t.use_pixels)
        encode = take_pixels(t, *screen);
    else if (t.picture.update(*screen, false)) {
        t.has_picture = true;
        t.view.render(t.picture.picture(*screen, now - last_key_poll_ms.load() < kWaitingMs), out);
    }
    window_unlock();
    if (closing) gfx_key_signal();
    if (!t.use_pixels) {
        if (!out.empty()) write_all(t, out);
        return;
    }
    // After the images already queued, never inside one.
    t.pixels.queue(out);
    if (encode) t.pixels.encode(t.caps.colour_registers);
    flush_pixels(t);
}

// Asks the terminal what it shows, keeping the keys typed meanwhile, and
// turns the mouse reports on (the Linux console has none of the kind).
void find_caps(Session& t) {
    if (t.gone) return;
    const TermQuery q = terminal_probe(
        t.in, t.decoder, [&t](const std::string& bytes) { write_all(t, bytes); },
        [&t](const TermEvent* events, int count) {
            window_lock();
            push_keys(t, events, count);
            window_unlock();
        });
    t.last_byte_ms = now_ms();
    t.caps = q.caps;
    const char* term = std::getenv("TERM");
    if (term && std::strcmp(term, "linux") == 0) return;
    t.mouse_pixels = q.mouse_pixels && t.caps.cell_width > 0 && t.caps.cell_height > 0;
    t.mouse_modes = term_mouse_modes_on(t.mouse_pixels);
    terminal_note_mouse(true);
    write_all(t, t.mouse_modes);
}

bool open_terminal(Session& t) {
    t.in = static_cast<int>(std_handles.input);
    t.out = static_cast<int>(std_handles.output);
    t.view = TerminalView(term_colours_from(std::getenv("COLORTERM"), std::getenv("TERM")));
    const Glyph* glyphs = cp437_glyphs();
    for (int c = 0; c < 256; ++c) t.view.set_glyph(static_cast<uint8_t>(c), glyphs[c].bytes, glyphs[c].length);
    t.decoder.utf8_input = terminal_locale_is_utf8();
    struct sigaction winch {};
    winch.sa_handler = on_winch;
    sigemptyset(&winch.sa_mask);
    winch.sa_flags = SA_RESTART;
    sigaction(SIGWINCH, &winch, &t.old_winch);
    resized = 0;
    read_size(t);
    terminal_note_alternate_screen(true);
    terminal_note_cursor_hidden(true);
    write_all(t, kEnter);
    find_caps(t);
    t.pixels.set_caps(t.caps);
    // Decided once: a later size keeps the cell size known so far.
    t.use_pixels = t.caps.graphics != TermGraphics::blocks && t.caps.cell_width > 0 && t.caps.cell_height > 0;
    if (t.use_pixels) write_all(t, kPixelModes);
    return !t.gone;
}

// The normal screen back, with the last picture's text on it.
void close_terminal(Session& t) {
    std::string out;
    if (!t.use_pixels) {
        pass(t);
    } else {
        // No new images, which would go at once; the rest of the one under
        // way, so that what follows is not taken as part of it; then the
        // terminal's copies go.
        t.pixels.finish();
        write_all(t, std::string(t.pixels.unsent()));
        out = kPixelsEnd;
    }
    if (t.mouse_modes) out += kMouseReportsOff;
    out += kLeave;
    window_lock();
    // The text cells are only followed while shown as cells.
    if (screen && t.use_pixels) t.has_picture = t.picture.update(*screen, true);
    if (screen && t.has_picture) t.view.append_text_rows(t.picture.picture(*screen, false), out);
    window_unlock();
    out += kShowCursor;
    terminal_note_alternate_screen(false);
    terminal_note_cursor_hidden(false);
    terminal_note_mouse(false);
    if (!terminal_hung_up()) write_all(t, out);
    sigaction(SIGWINCH, &t.old_winch, nullptr);
}

void thread_main() {
    Session& t = *session;
    const bool opened = open_terminal(t);
    t.thread = pthread_self();
    t.thread_opened = opened;
    window_thread_opened(opened);
    if (!opened) {
        terminal_note_alternate_screen(false);
        terminal_note_cursor_hidden(false);
        terminal_note_mouse(false);
        sigaction(SIGWINCH, &t.old_winch, nullptr);
        return;
    }
    while (window_initialised()) {
        read_keys(t);
        pass(t);
    }
    close_terminal(t);
}

const WindowOps terminal_ops = {
    .open_surface = nullptr,
    .close_surface = nullptr,
    .paint = nullptr,
    .thread_main = thread_main,
    .send_palette = nullptr,
    .begin_rows = nullptr,
    .present_rows = nullptr,
    .read_virtual_keys = nullptr,
    .held_scan_codes = nullptr,
    .pump_events = nullptr,
    .apply_title = nullptr,
    .warp_pointer = nullptr,
    .show_pointer = nullptr,
    .bind_context = nullptr,
    .restore_surfaces = nullptr,
    .wait_idle = nullptr,
    .wake_idle = nullptr,
    .in_place = false,
};

int32_t init(const char* title, int32_t width, int32_t height, int32_t depth, int32_t refresh, int32_t flags) {
    // Only an interactive terminal at both ends: redirected runs keep
    // their output as it was.
    if (!platform_is_terminal(std_handles.input) || !platform_is_terminal(std_handles.output)) return -1;
    const char* term = std::getenv("TERM");
    if (!term || !*term || std::strcmp(term, "dumb") == 0) return -1;
    window_exit();
    // Key mode and the handlers that restore it are set up here, before the
    // update thread starts, so that every thread's signals see them.
    terminal_mode_enter(static_cast<int>(std_handles.input));
    terminal_hangup_is_close();
    session = std::make_unique<Session>();
    return window_init(&terminal_ops, "Terminal", title, width, height, depth, refresh, flags);
}

void exit_driver() {
    // At the program's end a terminal that takes no more must not keep the
    // update thread, which may be waiting inside a write, from ending: the
    // output turns non-blocking, and a signal makes the write start again
    // on those terms.
    const bool ending = session && session->thread_opened && display_process_ending();
    if (ending) {
        platform_output_ending_begin();
        pthread_kill(session->thread, SIGWINCH);
    }
    window_exit();
    if (ending) platform_output_ending_end(false);
    session.reset();
}

// The program's thread looks for keys, under the screen lock: it is waiting
// for them, and the slots it freed take the codes that wait.
void poll_events() {
    last_key_poll_ms.store(now_ms());
    window_take_waiting_keys();
}

// Under the screen lock, as in a window: -1 with no buttons while the
// pointer is off the page or has not been seen.
int32_t get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons) {
    if (!session || !session->mouse.inside) {
        if (buttons) *buttons = 0;
        return -1;
    }
    const TermMouse& m = session->mouse;
    if (x) *x = m.x;
    if (y) *y = m.y;
    if (wheel) *wheel = m.wheel;
    if (buttons) *buttons = m.buttons;
    return 0;
}

void set_mouse(int32_t x, int32_t y, int32_t) {
    if (!session || !screen || x < 0) return;
    TermMouse& m = session->mouse;
    m.x = std::clamp(x, 0, screen->width - 1);
    m.y = std::clamp(y, 0, screen->height - 1);
    m.inside = true;
}

}  // namespace

TerminalCaps terminal_driver_caps() {
    window_lock();
    const TerminalCaps caps = session ? session->caps : TerminalCaps{};
    window_unlock();
    return caps;
}

extern const DisplayDriver terminal_driver;
const DisplayDriver terminal_driver = {
    .name = "Terminal",
    .init = init,
    .exit = exit_driver,
    .lock = window_lock,
    .unlock = window_unlock,
    .set_palette = window_set_palette,
    .wait_vsync = window_wait_vsync,
    .get_mouse = get_mouse,
    .set_mouse = set_mouse,
    .set_window_title = nullptr,
    .fetch_modes = nullptr,
    .poll_events = poll_events,
    .wait_input = nullptr,
};

}  // namespace pantalla::detail
