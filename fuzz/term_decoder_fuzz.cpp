// The terminal key decoder on arbitrary bytes, with time-outs at the
// places the input chooses: every event must be well formed and the decoder
// must always settle.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "console/term_decoder.h"
#include "runtime/key_codes.h"

using namespace pantalla::detail;

namespace {

void check(const TermEvent* events, int count) {
    if (count < 0 || count > kTermEventsPerStep) std::abort();
    for (int i = 0; i < count; ++i) {
        const TermEvent& e = events[i];
        if (e.kind == TermEvent::cursor_report || e.kind == TermEvent::mouse) {
            if (e.row < 1 || e.col < 1) std::abort();
            continue;
        }
        // The answers to a display driver's queries.
        if (e.kind != TermEvent::key) {
            if (e.kind > TermEvent::mode_report || e.row < 0 || e.col < 0) std::abort();
            continue;
        }
        if (e.scan_code > 0x58) std::abort();
        const uint32_t known = kAltPressed | kCtrlPressed | kShiftPressed | kEnhancedKey;
        if (e.control_state & ~known) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TermDecoder decoder;
    if (size > 0) {
        decoder.utf8_input = data[0] & 1;
        decoder.expect_report = data[0] & 2;
        decoder.expect_answers = data[0] & 4;
    }
    TermEvent events[kTermEventsPerStep];
    // Byte 0xFE followed by 0xFF stands for "50 ms passed".
    for (size_t i = 1; i < size; ++i) {
        if (data[i] == 0xFE && i + 1 < size && data[i + 1] == 0xFF) {
            check(events, term_decoder_timeout(decoder, events));
            ++i;
            continue;
        }
        check(events, term_decoder_feed(decoder, data[i], events));
    }
    // An answer still awaited is waited for; once none is, it settles.
    decoder.expect_answers = false;
    check(events, term_decoder_timeout(decoder, events));
    if (term_decoder_pending(decoder)) std::abort();
    return 0;
}
