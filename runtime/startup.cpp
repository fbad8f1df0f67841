#include "runtime/startup.h"

#include <cstdlib>
#include <cstring>
#include <exception>

#include "runtime/device.h"
#include "runtime/platform.h"

using namespace pantalla::detail;

namespace pantalla::detail {

int runtime_argc = 0;
char** runtime_argv = nullptr;

namespace {

bool initialised = false;

// The toolchain's exception-handling set-up: an exception that escapes
// ends the process through the C runtime's abort.
void exception_setup() { std::set_terminate([] { std::abort(); }); }

const ModuleFunction program_constructors[] = {exception_setup};
const ModuleFunction program_destructors[] = {nullptr};
const ModuleFunction runtime_constructors[] = {nullptr};
const ModuleFunction runtime_destructors[] = {nullptr};

void destructor_walker() { run_destructor_list(program_destructors); }

// The runtime's end step; nothing is left to do.
void runtime_end_step() {}

}  // namespace

void run_constructor_list(const ModuleList& list) {
    intptr_t count = list.count;
    if (count == -1)
        for (count = 0; list.entries[count]; ++count) {
        }
    for (intptr_t i = count; i-- > 0;) list.entries[i]();
}

void run_destructor_list(const ModuleFunction* entries) {
    for (; *entries; ++entries) (*entries)();
}

bool module_initialised() { return initialised; }

void runtime_module_destructors() { run_destructor_list(runtime_destructors); }

}  // namespace pantalla::detail

void module_init_once() {
    if (initialised) return;
    initialised = true;
    run_constructor_list({1, program_constructors});
    std::atexit(destructor_walker);
}

void runtime_start(int argc, char** argv) {
    runtime_argc = argc;
    runtime_argv = argv;
    std::memset(static_cast<void*>(device_table), 0, sizeof device_table);
    platform_fp_control();
    platform_std_handles_init();
}

void runtime_module_constructors() { run_destructor_list(runtime_constructors); }

void runtime_end(int32_t code) {
    runtime_module_destructors();
    runtime_end_step();
    platform_exit(code);
}

