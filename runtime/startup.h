// Program start-up and end.
#pragma once

#include <cstdint>

namespace pantalla::detail {

using ModuleFunction = void (*)();

// A constructor or destructor list: a count followed by the entries, or a
// count of -1 and entries up to a null one.
struct ModuleList {
    intptr_t count;
    const ModuleFunction* entries;
};

// Runs a constructor list from the last entry to the first.
void run_constructor_list(const ModuleList& list);
// Runs a destructor list from the first entry up to a null one.
void run_destructor_list(const ModuleFunction* entries);

bool module_initialised();

// The runtime's module destructors (an empty table).
void runtime_module_destructors();

}  // namespace pantalla::detail

// A program starts with these three, in this order.
// On the first call only: runs the program's constructor list, then
// registers the destructor-list walker as the first exit handler.
void module_init_once();
// Stores the arguments, clears the device table, sets the floating-point
// unit and obtains the standard handles.
void runtime_start(int argc, char** argv);
// The runtime's module constructors (an empty table).
void runtime_module_constructors();

// Runs the module destructors and the end step, then exits with `code`:
// the exit handlers run in the reverse order of their registration.
[[noreturn]] void runtime_end(int32_t code);

namespace pantalla::detail {

extern int runtime_argc;
extern char** runtime_argv;

}  // namespace pantalla::detail
