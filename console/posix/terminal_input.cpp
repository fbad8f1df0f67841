// Key input from standard input: a terminal's bytes go through the escape
// decoder, any other input's bytes are the keys themselves. Never waits.
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>

#include "console/console_input.h"
#include "console/posix/terminal.h"
#include "console/term_decoder.h"
#include "runtime/key_codes.h"
#include "runtime/platform.h"

namespace pantalla::detail {

namespace {

constexpr int kEscapeWaitMs = 50;
// Bytes read per pump at most.
constexpr size_t kReadChunk = 128;

struct InputState {
    bool initialised = false;
    bool terminal = false;
    bool ended = false;
    bool after_cr = false;  // CR LF in a stream is one Enter
    int64_t last_byte_ms = 0;
    TermDecoder decoder;
};
InputState input;

int64_t now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

int input_fd() { return static_cast<int>(std_handles.input); }

void initialise() {
    if (input.initialised) return;
    input.initialised = true;
    input.terminal = input_fd() >= 0 && isatty(input_fd());
    input.decoder.utf8_input = terminal_locale_is_utf8();
    if (input.terminal) {
        terminal_mode_enter(input_fd());
        terminal_hangup_is_close();
    }
}

void push_events(const TermEvent* events, int count) {
    for (int i = 0; i < count; ++i) {
        const TermEvent& e = events[i];
        if (e.kind != TermEvent::key) continue;
        const int32_t code =
            translate_key_event(e.character, e.scan_code, e.virtual_key, e.control_state, 0);
        if (code != -1) console_queue_push(code);
    }
}

void decode(const unsigned char* bytes, size_t n, TermEvent* report) {
    TermEvent events[kTermEventsPerStep];
    for (size_t i = 0; i < n; ++i) {
        const int count = term_decoder_feed(input.decoder, bytes[i], events);
        for (int k = 0; k < count; ++k)
            if (events[k].kind == TermEvent::cursor_report && report) *report = events[k];
        push_events(events, count);
    }
    if (n > 0) input.last_byte_ms = now_ms();
}

void stream_bytes(const unsigned char* bytes, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const unsigned char c = bytes[i];
        const bool lf_after_cr = c == '\n' && input.after_cr;
        input.after_cr = c == '\r';
        if (lf_after_cr || c == 0) continue;
        console_queue_push(c == '\n' ? 13 : c);
    }
}

// How many bytes the queue surely takes without dropping a waiting key, so
// that a file or a paste waits in the system's buffer instead of overrunning
// it. A stream is read only into an empty queue; a terminal at least a byte
// at a time whatever the queue holds, or a press behind a waiting key would
// go unseen.
size_t read_limit() {
    if (!input.terminal) return console_queue_empty() ? kReadChunk : 0;
    const size_t room = static_cast<size_t>(console_queue_room()) / kTermEventsPerStep;
    return room < 1 ? 1 : room > kReadChunk ? kReadChunk : room;
}

// Reads what is waiting, without waiting; false at the end of the input.
bool read_some(int timeout_ms, TermEvent* report) {
    const size_t limit = read_limit();
    if (limit == 0) return true;
    pollfd p{input_fd(), POLLIN, 0};
    const int ready = poll(&p, 1, timeout_ms);
    if (ready < 0) return errno == EINTR || errno == EAGAIN;
    if (ready == 0) return true;
    if (p.revents & POLLNVAL) return false;
    unsigned char bytes[kReadChunk];
    const ssize_t n = read(input_fd(), bytes, limit);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    if (n == 0) return false;
    if (input.terminal)
        decode(bytes, static_cast<size_t>(n), report);
    else
        stream_bytes(bytes, static_cast<size_t>(n));
    return true;
}

bool send_query() {
    static const char query[] = "\x1b[6n";
    return platform_write(std_handles.output, query, sizeof query - 1) == sizeof query - 1;
}

// With standard input redirected the answer comes through the terminal
// that standard output shows, opened for it and kept in key mode so that
// what is typed there does not echo into the output. Keys typed there are
// not input and are dropped.
bool query_other_terminal(int32_t* row, int32_t* col, int32_t timeout_ms) {
    static int tty = -2;
    if (tty == -2) {
        tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
        struct stat a {}, b {};
        if (tty >= 0 && (fstat(tty, &a) != 0 || fstat(static_cast<int>(std_handles.output), &b) != 0 ||
                         a.st_rdev != b.st_rdev)) {
            close(tty);
            tty = -1;
        }
        if (tty >= 0) terminal_mode_enter(tty);
    }
    if (tty < 0 || !send_query()) return false;
    TermDecoder decoder;
    decoder.expect_report = true;
    const int64_t deadline = now_ms() + timeout_ms;
    for (int64_t left = timeout_ms; left > 0; left = deadline - now_ms()) {
        pollfd p{tty, POLLIN, 0};
        if (poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        unsigned char bytes[kReadChunk];
        const ssize_t n = read(tty, bytes, sizeof bytes);
        if (n <= 0) return false;
        TermEvent events[kTermEventsPerStep];
        for (ssize_t i = 0; i < n; ++i) {
            const int count = term_decoder_feed(decoder, bytes[i], events);
            for (int k = 0; k < count; ++k) {
                if (events[k].kind != TermEvent::cursor_report) continue;
                *row = events[k].row;
                *col = events[k].col;
                return true;
            }
        }
    }
    return false;
}

}  // namespace

void pump_console_input() {
    initialise();
    if (terminal_hung_up() || input_fd() < 0) input.ended = true;
    if (!input.ended && !read_some(0, nullptr)) input.ended = true;
    if (term_decoder_pending(input.decoder) &&
        (input.ended || now_ms() - input.last_byte_ms >= kEscapeWaitMs)) {
        TermEvent events[kTermEventsPerStep];
        push_events(events, term_decoder_timeout(input.decoder, events));
    }
    // The close code stands for the end of the input; it is offered again
    // whenever the queue runs empty, so that every later wait for a key ends.
    if (input.ended && console_queue_empty()) console_queue_push(kCloseKey);
}

void console_wait_input(int32_t ms) {
    initialise();
    // An escape held back for the rest of its sequence is settled by the
    // pump once its time is up.
    if (term_decoder_pending(input.decoder))
        ms = static_cast<int32_t>(std::clamp<int64_t>(input.last_byte_ms + kEscapeWaitMs - now_ms(), 0, ms));
    if (input.ended || input_fd() < 0 || !console_queue_empty()) ms = 0;
    pollfd p{input_fd(), POLLIN, 0};
    // A signal (a hang-up, a resize) ends the wait early, as it should.
    if (ms > 0) poll(&p, 1, ms);
}

void terminal_input_forget() { input = InputState{}; }

bool terminal_query_cursor(int32_t* row, int32_t* col, int32_t timeout_ms) {
    initialise();
    if (input.ended) return false;
    if (!input.terminal) return query_other_terminal(row, col, timeout_ms);
    if (!send_query()) return false;
    input.decoder.expect_report = true;
    const int64_t deadline = now_ms() + timeout_ms;
    TermEvent report{};
    report.kind = TermEvent::key;
    for (int64_t left = timeout_ms; left > 0; left = deadline - now_ms()) {
        if (!read_some(static_cast<int>(left), &report)) {
            input.ended = true;
            break;
        }
        if (report.kind == TermEvent::cursor_report) {
            *row = report.row;
            *col = report.col;
            return true;
        }
    }
    // A late answer is still recognised, and dropped, when it arrives.
    return false;
}

}  // namespace pantalla::detail
