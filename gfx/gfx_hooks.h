// Puts the graphics versions of the console operations into ConsoleHooks.
#pragma once

namespace pantalla::detail {

void gfx_hooks_install();

}  // namespace pantalla::detail
