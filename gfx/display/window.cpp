#include "gfx/display/window.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include "gfx/display/screen_lock.h"
#include "gfx/keyboard.h"
#include "gfx/screen.h"
#include "gfx/text_draw.h"
#include "runtime/key_codes.h"
#include "runtime/platform.h"
#include "runtime/thread_start.h"

using namespace pantalla::detail;

namespace pantalla::detail {

WindowState window;

namespace {

FairLock screen_lock_;
std::mutex title_mutex;  // the title may be set while the program holds the screen lock
std::atomic<bool> running{false};
std::atomic<bool> lost{false};
std::thread update_thread;
// The surface was opened on the program's thread, which also runs the passes.
bool in_place = false;
// In place: the drawing context is current (under the screen lock).
bool context_bound = false;
// When the last in-place pass ran, in steady-clock ticks.
std::atomic<std::chrono::steady_clock::rep> last_pass{0};

// The deferred pass of a surface without an update thread: a drawing made
// just after a pass would otherwise stay unshown until the program next
// reads keys.
std::thread flusher;
std::mutex flush_mutex;
std::condition_variable flush_changed;
bool flush_stop = false;
bool flush_pending = false;

// Start-up handshake between init and the update thread.
std::mutex start_mutex;
std::condition_variable start_changed;
enum class Start { pending, opened, failed } start = Start::pending;

constexpr auto kPassInterval = std::chrono::milliseconds(10);
// The longest idle wait: each pass costs round trips to the display
// server, which a program that only waits for a key should not pay 100
// times a second.
constexpr int32_t kIdleWaitMs = 100;

// Set under the screen lock by an update thread that found nothing left to
// draw and is about to wait idle; the first unlock or title change that
// leaves it work wakes it, so drawings are still shown within a pass
// interval.
std::atomic<bool> idle_waiting{false};

// Codes of a burst of keys (a paste) that found the screen's queue full,
// oldest first, under the screen lock: they move in as the program takes
// keys. Bounded, so that a program that reads no keys loses the oldest, as
// the queue itself does.
constexpr size_t kWaitingKeysLimit = 8192;
std::deque<int32_t> waiting_keys;

// Ends the update thread's sleep between passes when the screen closes.
std::mutex pace_mutex;
std::condition_variable pace_changed;

void sleep_until_pass(std::chrono::steady_clock::time_point when) {
    std::unique_lock<std::mutex> guard(pace_mutex);
    pace_changed.wait_until(guard, when, [] { return !running; });
}

void copy_title(char* to, size_t size, const char* from) {
    const size_t n = from ? std::min(std::strlen(from), size - 1) : 0;
    if (n) std::memcpy(to, from, n);
    to[n] = 0;
}

void convert_dirty_rows() {
    ScreenContext* s = screen;
    const size_t marks = static_cast<size_t>(s->height) * s->scale;
    if (std::none_of(s->dirty, s->dirty + s->height, [](uint8_t d) { return d != 0; })) {
        std::memset(s->dirty, 0, marks);
        return;
    }
    int32_t pitch = 0;
    uint8_t* dst = window.ops->begin_rows ? window.ops->begin_rows(&pitch) : nullptr;
    if (!dst) return;  // nothing to draw on now: keep the marks for later
    const BlitSource src{s->visible_page, s->pitch, s->width, s->height, s->scale, s->dirty};
    int32_t first = 0, end = 0;
    if (blit_dirty_rows(window.blitter, src, dst, pitch, &first, &end) && window.ops->present_rows)
        window.ops->present_rows(first, end);
    std::memset(s->dirty, 0, marks);
}

// Under the screen lock.
bool work_pending() {
    if (window.palette_changed || window.show_request >= 0 || window.warp_requested) return true;
    {
        std::lock_guard<std::mutex> guard(title_mutex);
        if (window.title_changed) return true;
    }
    if (!waiting_keys.empty() && key_queue_room(screen_key_queue) > 0) return true;
    return screen && (text_settle_pending() ||
                      std::any_of(screen->dirty, screen->dirty + screen->height, [](uint8_t d) { return d != 0; }));
}

void wake_update_thread() {
    if (idle_waiting.exchange(false) && window.ops && window.ops->wake_idle) window.ops->wake_idle();
}

}  // namespace

// Announced before the lock is given back, so no drawing falls between.
bool window_begin_idle() {
    screen_lock_.lock();
    idle_waiting = true;
    const bool idle = !lost && !work_pending();
    if (!idle) idle_waiting = false;
    screen_lock_.unlock();
    return idle;
}

void window_end_idle() { idle_waiting = false; }

namespace {

void apply_requests() {
    const WindowOps& ops = *window.ops;
    {
        std::lock_guard<std::mutex> guard(title_mutex);
        if (window.title_changed && ops.apply_title) ops.apply_title(window.title);
        window.title_changed = false;
    }
    if (window.show_request >= 0) {
        if (ops.show_pointer) ops.show_pointer(window.show_request != 0);
        window.mouse.cursor_shown = window.show_request != 0;
        window.show_request = -1;
    }
    if (window.warp_requested) {
        window.warp_requested = false;
        if (ops.warp_pointer)
            ops.warp_pointer(window.view_x + window.warp_x * window.zoom,
                             window.view_y + window.warp_y * window.scale * window.zoom);
    }
}

// The rate the driver found while opening its surface (the display's, or
// the one asked for), for the screen's readers.
void report_refresh_rate() {
    if (screen) screen->refresh_rate = window.refresh_rate;
}

std::chrono::steady_clock::time_point last_pass_time() {
    return std::chrono::steady_clock::time_point(std::chrono::steady_clock::duration(last_pass.load()));
}

void note_pass() {
    last_pass = std::chrono::steady_clock::now().time_since_epoch().count();
    std::lock_guard<std::mutex> guard(flush_mutex);
    flush_pending = false;
}

void deferred_pass();

void flusher_main() {
    std::unique_lock<std::mutex> guard(flush_mutex);
    while (!flush_stop) {
        flush_changed.wait(guard, [] { return flush_stop || flush_pending; });
        if (flush_stop) break;
        const auto due = last_pass_time() + kPassInterval;
        if (flush_changed.wait_until(guard, due, [] { return flush_stop; })) break;
        guard.unlock();
        window_lock();
        bool still_pending;
        {
            std::lock_guard<std::mutex> check(flush_mutex);
            still_pending = flush_pending;
        }
        if (still_pending && std::chrono::steady_clock::now() - last_pass_time() >= kPassInterval) deferred_pass();
        window_unlock();
        guard.lock();
    }
}

}  // namespace

int32_t window_init(const WindowOps* ops, const char* driver_name, const char* title, int32_t width,
                    int32_t height, int32_t depth, int32_t refresh, int32_t flags) {
    window_exit();
    lost = false;
    waiting_keys.clear();
    context_bound = false;
    idle_waiting = false;
    window = WindowState{};
    window.show_request = -1;
    window.zoom = 1;
    if ((flags & kOpenOpenGl) && std::strcmp(driver_name, "OpenGL") != 0) return -1;
    window.width = width;
    window.height = height;
    window.depth = depth < 8 ? 8 : depth;
    window.flags = flags;
    window.refresh_rate = refresh;
    window.ops = ops;
    window.mouse.cursor_shown = true;
    window.scale = screen && screen->scale > 0 ? screen->scale : 1;
    window.may_vectorise = screen && (screen->flags & kScreenMmx) && window.scale == 1;
    copy_title(window.title, sizeof window.title, title);
    std::memcpy(window.class_name, "dngfxclass_", 11);
    copy_title(window.class_name + 11, 140, window.title);

    if ((flags & kOpenOpenGl) || ops->in_place) {
        window_lock();
        const bool opened = ops->open_surface();
        if (opened)
            window.active = true;
        else
            ops->close_surface();
        // Current on no thread between passes: whichever thread runs the
        // next pass takes it.
        if (opened && ops->bind_context) ops->bind_context(false);
        window_unlock();
        if (!opened) return -1;
        report_refresh_rate();
        in_place = true;
        running = true;
        last_pass = std::chrono::steady_clock::now().time_since_epoch().count();
        flush_stop = false;
        flush_pending = false;
        if (!ops->in_place && thread_start(&flusher, flusher_main) != 0) {
            window_exit();  // closes the surface again: the driver refuses
            return -1;
        }
        return 0;
    }

    start = Start::pending;
    running = true;
    if (thread_start(&update_thread, ops->thread_main ? ops->thread_main : window_thread_main) != 0) {
        running = false;
        return -1;
    }
    std::unique_lock<std::mutex> guard(start_mutex);
    start_changed.wait(guard, [] { return start != Start::pending; });
    const bool opened = start == Start::opened;
    guard.unlock();
    if (!opened) {
        running = false;
        update_thread.join();
        return -1;
    }
    window_lock();
    report_refresh_rate();
    window_unlock();
    return 0;
}

void window_exit() {
    {
        std::lock_guard<std::mutex> guard(pace_mutex);
        running = false;
    }
    pace_changed.notify_all();
    if (update_thread.joinable() && window.ops->wake_idle) {
        idle_waiting = false;
        window.ops->wake_idle();
    }
    // A screen closed while its program holds the lock: the thread must
    // finish its pass before it can end, and the lock dies with the screen.
    if (update_thread.joinable() && screen_lock_.held_by_this_thread()) screen_lock_.unlock();
    if (update_thread.joinable()) update_thread.join();
    if (in_place) {
        if (screen_lock_.held_by_this_thread()) screen_lock_.unlock();
        {
            std::lock_guard<std::mutex> guard(flush_mutex);
            flush_stop = true;
        }
        flush_changed.notify_all();
        if (flusher.joinable()) flusher.join();
        // Only now: the helper's last pass still asked whether to bind.
        in_place = false;
        window_lock();
        if (window.ops->bind_context) window.ops->bind_context(true);
        context_bound = false;
        window.ops->close_surface();
        window_unlock();
    }
}

bool window_initialised() { return running; }

void window_connection_lost() { lost = true; }
bool window_lost() { return lost; }

void window_thread_opened(bool opened) {
    std::lock_guard<std::mutex> guard(start_mutex);
    start = opened ? Start::opened : Start::failed;
    start_changed.notify_all();
}

void window_thread_main() {
    const WindowOps& ops = *window.ops;
    window_lock();
    const bool opened = ops.open_surface();
    if (opened)
        window.active = true;
    else
        ops.close_surface();
    window_unlock();
    window_thread_opened(opened);
    if (!opened) return;
    while (running) {
        const auto began = std::chrono::steady_clock::now();
        window_pass();
        if (ops.wait_idle && window_begin_idle()) {
            ops.wait_idle(kIdleWaitMs);
            window_end_idle();
        }
        // No more than one pass per interval, however often drawings end
        // the idle wait; a closing screen ends the sleep at once.
        sleep_until_pass(began + kPassInterval);
    }
    window_lock();
    ops.close_surface();
    window_unlock();
}

namespace {

void draw_pending() {
    const WindowOps& ops = *window.ops;
    if (window.palette_changed) {
        blitter_set_palette(&window.blitter, window.palette);
        if (ops.send_palette) ops.send_palette(window.palette);
        window.palette_changed = false;
    }
    if (screen) {
        text_settle();
        convert_dirty_rows();
    }
}

// In place, the context is current only while something is drawn, so that
// the helper thread may take it in between. Making it current costs round
// trips to the display server (under Wine several), which a program that
// polls for keys with nothing to draw should not pay at every poll.
// `always`: for a paint, which draws whatever is pending. The pending work
// is looked at only where a context could be bound at all.
bool bind_for_drawing(bool always) {
    if (!in_place || lost || context_bound || !window.ops->bind_context) return false;
    if (!always && !work_pending()) return false;
    window.ops->bind_context(true);
    context_bound = true;
    return true;
}
void unbind_after_drawing(bool bound) {
    if (!bound) return;
    window.ops->bind_context(false);
    context_bound = false;
}

// Inside the screen lock, on the helper thread.
void deferred_pass() {
    note_pass();
    if (lost) return;
    const bool bound = bind_for_drawing(false);
    draw_pending();
    unbind_after_drawing(bound);
}

void pass_work();

// A pass's work, inside the screen lock.
void pass_locked() {
    const bool bound = bind_for_drawing(false);
    pass_work();
    unbind_after_drawing(bound);
}

void pass_work() {
    if (lost) {
        // Offered again whenever the program has taken it, so that every
        // later read ends as the first one did.
        int32_t waiting;
        if (screen && !key_queue_peek(screen_key_queue, &waiting)) key_queue_push(screen_key_queue, kCloseKey);
        return;
    }
    const WindowOps& ops = *window.ops;
    apply_requests();
    if (ops.restore_surfaces) ops.restore_surfaces();
    draw_pending();
    if (screen) {
        if (window.active) {
            if (ops.held_scan_codes) {
                ops.held_scan_codes(screen->key_down);
            } else if (ops.read_virtual_keys) {
                uint8_t down[256] = {};
                ops.read_virtual_keys(down);
                window_held_keys(down, screen->key_down);
            }
        }
    }
    window_take_waiting_keys();
    if (ops.pump_events) ops.pump_events();
}

}  // namespace

void window_pass() {
    window_lock();
    const int32_t written = screen_key_queue.write_index;
    pass_locked();
    const bool pushed = screen_key_queue.write_index != written;
    window_unlock();
    if (pushed) gfx_key_signal();
}

void window_poll() {
    if (!in_place) return;
    note_pass();
    // The keyboard operations poll while they hold the lock.
    if (screen_lock_.held_by_this_thread())
        pass_locked();
    else
        window_pass();
}

void window_pass_if_due() {
    if (in_place && std::chrono::steady_clock::now() - last_pass_time() >= kPassInterval) window_poll();
}

void window_unlock_in_place() {
    window_unlock();
    window_pass_or_defer();
}

void window_pass_or_defer() {
    if (!in_place) return;
    if (std::chrono::steady_clock::now() - last_pass_time() >= kPassInterval) {
        window_poll();
        return;
    }
    if (!flusher.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(flush_mutex);
        if (flush_pending) return;
        flush_pending = true;
    }
    flush_changed.notify_all();
}

void window_lock() { screen_lock_.lock(); }
void window_unlock() {
    // Looked at while the lock still covers the drawing just made.
    if (idle_waiting && work_pending()) wake_update_thread();
    screen_lock_.unlock();
}

void window_set_palette(int32_t index, int32_t red, int32_t green, int32_t blue) {
    if (index < 0 || index > 255) return;
    window.palette[index] = static_cast<uint32_t>(red & 0xFF) | static_cast<uint32_t>(green & 0xFF) << 8 |
                            static_cast<uint32_t>(blue & 0xFF) << 16;
    window.palette_changed = true;
}

void window_set_title(const char* title) {
    std::lock_guard<std::mutex> guard(title_mutex);
    copy_title(window.title, sizeof window.title, title);
    window.title_changed = true;
    wake_update_thread();
}

void window_wait_vsync() {
    const int32_t rate = window.refresh_rate;
    platform_sleep_ms(rate > 0 ? 1000 / rate : 16);
}

}  // namespace pantalla::detail

int32_t window_get_mouse(int32_t* x, int32_t* y, int32_t* wheel, int32_t* buttons) {
    const WindowMouse& m = window.mouse;
    if (!window.active) return -1;
    const int32_t fb_height = window.height / window.scale;
    const int32_t zoom = window.zoom > 0 ? window.zoom : 1;
    int32_t fx = (m.x - window.view_x) / zoom;
    int32_t fy = (m.y - window.view_y) / zoom / window.scale;
    if (m.x < window.view_x) fx = -1;
    if (m.y < window.view_y) fy = -1;
    if (window.flags & kOpenFullScreen) {
        fx = std::clamp(fx, 0, window.width - 1);
        fy = std::clamp(fy, 0, fb_height - 1);
    } else if (!m.inside || fx < 0 || fy < 0 || fx >= window.width || fy >= fb_height) {
        if (buttons) *buttons = 0;
        return -1;
    }
    if (x) *x = fx;
    if (y) *y = fy;
    if (wheel) *wheel = m.wheel;
    if (buttons) *buttons = m.buttons;
    return 0;
}

void window_set_mouse(int32_t x, int32_t y, int32_t cursor_visible) {
    if (x >= 0) {
        window.warp_x = std::clamp(x, 0, window.width - 1);
        window.warp_y = std::clamp(y, 0, window.height / window.scale - 1);
        window.warp_requested = true;
    }
    if (cursor_visible == 0 || cursor_visible == 1) window.show_request = cursor_visible;
}

namespace pantalla::detail {

bool window_choose_blitter(int32_t dst_depth, bool red_low) {
    const int32_t src_depth = screen ? screen->bytes_per_pixel * 8 : 8;
    if (!blitter_choose(&window.blitter, src_depth, dst_depth, red_low, window.may_vectorise)) return false;
    blitter_set_palette(&window.blitter, window.palette);
    return true;
}

void window_redraw_all() {
    window.palette_changed = true;
    if (screen) std::memset(screen->dirty, 1, static_cast<size_t>(screen->height) * screen->scale);
}

void window_paint() {
    if (!window.ops->paint) return;
    // A pass with nothing to draw leaves the context unbound.
    const bool bound = bind_for_drawing(true);
    window.ops->paint();
    unbind_after_drawing(bound);
}

void window_set_active(bool active) {
    window.active = active;
    window.mouse.buttons = 0;
    if (screen) std::memset(screen->key_down, 0, 128);
    window_redraw_all();
}

bool window_toggle_full_screen() {
    if (window.flags & kOpenNoSwitch) return false;
    const WindowOps& ops = *window.ops;
    ops.close_surface();
    window.flags ^= kOpenFullScreen;
    bool switched = ops.open_surface();
    if (!switched) {
        ops.close_surface();
        window.flags ^= kOpenFullScreen;
        ops.open_surface();
    }
    window_redraw_all();
    window.active = true;
    report_refresh_rate();
    return switched;
}

int32_t window_key_code(uint8_t character, uint16_t scan_code, uint16_t virtual_key, uint32_t control_state) {
    const int32_t code = translate_key_event(character, scan_code, virtual_key, control_state, 0);
    const bool alt_alone = (control_state & kAltPressed) && !(control_state & kCtrlPressed);
    if (code <= 0 || (code <= 255 && alt_alone)) return 0;
    return code;
}

void window_key_event(uint8_t character, uint16_t scan_code, uint16_t virtual_key, uint32_t control_state) {
    if (const int32_t code = window_key_code(character, scan_code, virtual_key, control_state)) window_push_key(code);
}

void window_push_key(int32_t code) {
    if (waiting_keys.empty() && key_queue_room(screen_key_queue) > 0) {
        key_queue_push(screen_key_queue, code);
        return;
    }
    if (waiting_keys.size() == kWaitingKeysLimit) waiting_keys.pop_front();
    waiting_keys.push_back(code);
}

bool window_keys_waiting() { return !waiting_keys.empty(); }

void window_take_waiting_keys() {
    for (int32_t room = key_queue_room(screen_key_queue); room > 0 && !waiting_keys.empty(); --room) {
        key_queue_push(screen_key_queue, waiting_keys.front());
        waiting_keys.pop_front();
    }
}

void window_held_keys(const uint8_t* virtual_down, uint8_t* key_down) {
    std::memset(key_down, 0, 128);
    for (const HeldKeyRow* row = held_key_table; row->scan_code; ++row) {
        if (row->scan_code >= 128) continue;
        const bool held = virtual_down[row->virtual_key] ||
                          (row->second_virtual_key && virtual_down[row->second_virtual_key]);
        key_down[row->scan_code] = held ? 1 : 0;
    }
}

}  // namespace pantalla::detail
