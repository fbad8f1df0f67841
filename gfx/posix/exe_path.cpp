#include <unistd.h>

#include "gfx/screen.h"
#include "runtime/startup.h"

namespace pantalla::detail {

const char* executable_path() {
    static char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n > 0) {
        path[n] = 0;
        return path;
    }
    return runtime_argv && runtime_argv[0] ? runtime_argv[0] : nullptr;
}

}  // namespace pantalla::detail
