#include <emscripten.h>

#include "gfx/screen.h"

namespace pantalla::detail {

namespace {

// The page's title: a page has no program file to be named after.
EM_JS(void, page_title, (char* out, int size), {
    stringToUTF8(typeof document == "object" && document.title ? document.title : "dice", out, size);
});

}  // namespace

const char* executable_path() {
    static char title[256];
    page_title(title, sizeof title);
    return title;
}

}  // namespace pantalla::detail
