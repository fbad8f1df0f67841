#include "runtime/device.h"

#include <cstdlib>

#include "runtime/context.h"
#include "runtime/console_print.h"
#include "runtime/text_cursor.h"

namespace pantalla::detail {

DeviceRecord device_table[kDeviceCount];

namespace {

int32_t screen_write(DeviceRecord*, const char* bytes, uint32_t length) {
    // Whatever the output did, the screen device reports success.
    console_print(bytes, length, 0);
    return 0;
}

DeviceOps screen_ops;

}  // namespace

DeviceRecord* screen_device() {
    DeviceRecord& screen = device_table[0];
    if (screen.mode != kScreenDeviceMode) {
        screen = DeviceRecord{};
        screen.mode = kScreenDeviceMode;
        screen.access = 4;
        screen.sharing = 3;
        // Allocated once per process; runtime_start clears the table but the
        // buffer is reused rather than leaked.
        static uint8_t* input = static_cast<uint8_t*>(std::calloc(kScreenInputBytes + 1, 1));
        if (input) input[kScreenInputBytes] = 0;
        screen.input_buffer = input;
        screen.column = cursor_col_get() - 1;
        int32_t cols = 0;
        console_size_get(&cols, nullptr);
        screen.width = static_cast<uint32_t>(cols);
        screen.ops = &screen_ops;
    }
    if (!screen_ops.write) screen_ops.write = screen_write;
    return &screen;
}

DeviceRecord* device_for_file(int32_t file_number) {
    if (file_number == 0) return screen_device();
    if (file_number == -1) return &device_table[1];
    if (file_number >= 1 && file_number <= 254) return &device_table[1 + file_number];
    return nullptr;
}

DeviceRecord* device_chain_end(DeviceRecord* record) {
    while (record->chain) record = record->chain;
    return record;
}

int32_t device_write(DeviceRecord* record, const char* bytes, uint32_t length) {
    screen_device();
    if (!record || !record->ops) return set_last_error(1);
    set_last_error(0);
    int32_t error = record->ops->write ? record->ops->write(record, bytes, length) : 1;
    set_last_error(error);
    if (error != 0) return error;

    DeviceRecord* end = device_chain_end(record);
    int64_t column = static_cast<int64_t>(end->column) + length;
    for (uint32_t i = length; i-- > 0;) {
        if (bytes[i] == '\r' || bytes[i] == '\n') {
            column = length - (i + 1);
            break;
        }
    }
    if (end->width != 0)
        end->column = static_cast<int32_t>(static_cast<uint32_t>(column) % end->width);
    else
        end->column = static_cast<int32_t>(column);
    return error;
}

}  // namespace pantalla::detail
