// Puts the graphics versions of the console operations into ConsoleHooks.
#pragma once

void gfx_hooks_install();
