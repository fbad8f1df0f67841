#include "console/console.h"
#include "runtime/line_input.h"

// The console has no editor yet: the line is read as the console gives it.
void edit_line(RtString* text) { console_read_plain_line(text); }
