#include <cstring>

#include "gfx/screen.h"
#include "gfx/text_draw.h"
#include "runtime/context.h"

namespace {

bool valid_page(int32_t page) { return page >= 0 && page < screen->page_count; }

}  // namespace

int32_t screen_pages_set(int32_t work, int32_t visible) {
    if (!screen || (work >= 0 && !valid_page(work)) || (visible >= 0 && !valid_page(visible)))
        return set_last_error(1);
    screen_auto_lock();
    // A deferred scroll belongs to the page it was written on.
    text_settle();
    if (work >= 0 && work != screen->work_page) {
        screen->work_page = work;
        if (!(screen->flags & kScreenToImage)) {
            uint8_t* page = screen->pages[work];
            for (int32_t y = 0; y < screen->height; ++y)
                screen->rows[y] = page + static_cast<size_t>(y) * screen->pitch;
        }
    }
    if (visible >= 0 && screen->pages[visible] != screen->visible_page) {
        screen->visible_page = screen->pages[visible];
        screen_mark_dirty_all();
    }
    screen_auto_unlock();
    return set_last_error(0);
}

int32_t screen_page_copy(int32_t from, int32_t to) {
    if (!screen || !valid_page(from) || !valid_page(to)) return set_last_error(1);
    if (from == to) return set_last_error(0);
    screen_auto_lock();
    text_settle();
    std::memcpy(screen->pages[to], screen->pages[from], static_cast<size_t>(screen->height) * screen->pitch);
    if (screen->text_cells) {
        const size_t cells = static_cast<size_t>(screen->text_cols) * static_cast<size_t>(screen->text_rows);
        std::memcpy(screen->text_cells[to], screen->text_cells[from], cells * sizeof(TextCell));
    }
    if (screen->pages[to] == screen->visible_page) screen_mark_dirty_all();
    screen_auto_unlock();
    return set_last_error(0);
}
