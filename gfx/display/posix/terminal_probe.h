// The "Terminal" driver's questions to the terminal when it opens: sent
// once, answered within a short deadline or taken as unanswered.
#pragma once

#include <functional>
#include <string>

#include "console/term_decoder.h"
#include "gfx/display/terminal_query.h"

namespace pantalla::detail {

// Asks the terminal on `in` what it can show (unless it is not to be
// asked, or DNGFX_TERMINAL_GRAPHICS chooses half blocks), waits for the
// answers until the device attributes come or the deadline passes, and
// chooses how the page is shown. `send` writes to the terminal; every
// event that is no answer (keys typed meanwhile) goes to `others`, in
// order. The decoder keeps any sequence still unfinished.
TermQuery terminal_probe(int in, TermDecoder& decoder, const std::function<void(const std::string&)>& send,
                         const std::function<void(const TermEvent*, int)>& others);

// What the open "Terminal" driver found (all unknown while none is open).
TerminalCaps terminal_driver_caps();

}  // namespace pantalla::detail
