#include "gfx/display/posix/terminal_probe.h"

#include <errno.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>

namespace pantalla::detail {

namespace {

int64_t now_ms() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<int64_t>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// Reads until the device attributes answer or `deadline`; a whole read is
// decoded even past that answer, so no key behind it is left out.
void await_answers(int in, TermDecoder& decoder, TermQuery& q, int64_t deadline,
                   const std::function<void(const TermEvent*, int)>& others) {
    TermEvent events[kTermEventsPerStep];
    for (int64_t now = now_ms(); !q.finished && now < deadline; now = now_ms()) {
        pollfd p{in, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(deadline - now));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return;
        unsigned char bytes[512];
        const ssize_t n = read(in, bytes, sizeof bytes);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) return;  // the input ended: the driver's reads find out
        for (ssize_t i = 0; i < n; ++i) {
            const int count = term_decoder_feed(decoder, bytes[i], events);
            int kept = 0;
            for (int k = 0; k < count; ++k)
                if (!term_query_take(q, events[k])) events[kept++] = events[k];
            if (kept > 0) others(events, kept);
        }
    }
}

}  // namespace

TermQuery terminal_probe(int in, TermDecoder& decoder, const std::function<void(const std::string&)>& send,
                         const std::function<void(const TermEvent*, int)>& others) {
    TermQuery q;
    const char* chosen = std::getenv("DNGFX_TERMINAL_GRAPHICS");
    TermGraphics forced = TermGraphics::sixel;
    const bool blocks_forced = term_graphics_from_name(chosen, &forced) && forced == TermGraphics::blocks;
    if (!blocks_forced && term_query_wanted(std::getenv("TERM"), std::getenv("TMUX"))) {
        decoder.expect_answers = true;
        send(term_query_bytes());
        await_answers(in, decoder, q, now_ms() + kTermQueryDeadlineMs, others);
    }
    // Terminals that keep their window reports to themselves (xterm by
    // default) still give the window's pixels with its size.
    winsize ws{};
    if (ioctl(in, TIOCGWINSZ, &ws) == 0)
        term_query_fill_sizes(q.caps, ws.ws_col, ws.ws_row, ws.ws_xpixel, ws.ws_ypixel);
    q.caps.graphics = term_graphics_choose(q.caps, chosen);
    return q;
}

}  // namespace pantalla::detail
