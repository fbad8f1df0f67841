// The runtime's device table: the screen device followed by 256 file-table
// entries. Printing, line input and cursor positioning write through it.
#pragma once

#include <cstdint>

namespace pantalla::detail {

struct DeviceRecord;

struct DeviceOps {
    int32_t (*seek)(DeviceRecord* record, int32_t record_number, int64_t position, int32_t origin);
    int32_t (*read)(DeviceRecord* record, char* buffer, uint32_t length);
    int32_t (*write)(DeviceRecord* record, const char* bytes, uint32_t length);
    int32_t (*write_wide)(DeviceRecord* record, const uint16_t* text, uint32_t count);
};

struct DeviceRecord {
    uint32_t mode;           // 4 for the screen device; 1 marks record files
    uint32_t record_length;  // record files only
    int32_t column;          // bytes written since the last line end, 0-based
    uint32_t width;          // columns per line; 0 means no limit
    DeviceOps* ops;          // null: the device is not open
    uint8_t* input_buffer;   // screen device: 16 pending input bytes, then their count
    DeviceRecord* chain;     // forwards to this record; column and width live in the last one
    uint32_t access;         // used by file statements: 4 for the screen device
    uint32_t sharing;        // used by file statements: 3 for the screen device
};

constexpr int kDeviceCount = 257;
constexpr uint32_t kScreenDeviceMode = 4;
constexpr uint32_t kScreenInputBytes = 16;

// The device table; runtime_start clears it.
extern DeviceRecord device_table[kDeviceCount];

// 0: the screen device; -1: file-table entry 0; 1 to 254: that entry;
// anything else: none.
DeviceRecord* device_for_file(int32_t file_number);

// Writes the bytes, sets last_error and updates the column of the chain's
// last record. Returns the error code.
int32_t device_write(DeviceRecord* record, const char* bytes, uint32_t length);

// The screen device, set up on first use (printing, line input, cursor
// positioning).
DeviceRecord* screen_device();

// The last record of a record's chain.
DeviceRecord* device_chain_end(DeviceRecord* record);

}  // namespace pantalla::detail
