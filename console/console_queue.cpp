// The console queue. The ring itself takes no lock; pushes also come from a
// thread other than the program's (the system's close-event thread), so
// every operation holds one mutex for its short duration.
#include <mutex>

#include "console/console_input.h"
#include "runtime/key_codes.h"

namespace pantalla::detail {

namespace {

std::mutex queue_mutex;
ConsoleKeyQueue queue;

}  // namespace

void console_queue_push(int32_t code) {
    const std::lock_guard<std::mutex> lock(queue_mutex);
    key_queue_push(queue, code);
}

int32_t console_queue_take() {
    const std::lock_guard<std::mutex> lock(queue_mutex);
    int32_t code = -1;
    return key_queue_take(queue, &code) ? code : -1;
}

bool console_queue_empty() {
    const std::lock_guard<std::mutex> lock(queue_mutex);
    int32_t code = 0;
    return !key_queue_peek(queue, &code);
}

int32_t console_queue_take_pressed() {
    const std::lock_guard<std::mutex> lock(queue_mutex);
    return key_queue_take_pressed(queue);
}

int32_t console_queue_room() {
    const std::lock_guard<std::mutex> lock(queue_mutex);
    return key_queue_room(queue);
}

}  // namespace pantalla::detail
