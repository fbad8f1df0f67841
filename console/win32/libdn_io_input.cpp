#include "console/win32/libdn_io_input.h"

#include <atomic>
#include <cstdlib>
#include <vector>

#include "console/console_input.h"
#include "console/win32/code_page.h"
#include "console/win32/console_reader.h"
#include "console/win32/console_wait.h"
#include "console/win32/stream_reader.h"
#include "runtime/key_codes.h"
#include "runtime/platform.h"

namespace pantalla::detail {

namespace {

// Unsigned, so that a long run of digits wraps instead of overflowing;
// only its value modulo 256 is ever delivered.
uint32_t alt_number;
bool handler_installed;
StreamInput standard_input;
std::atomic<void (*)(const INPUT_RECORD&)> record_watcher{nullptr};

// Whether the input handle is a console, asked once per handle: under Wine
// every question is a round trip to its server.
// The pump may run on a display driver's thread as well as the program's.
std::atomic<HANDLE> asked_handle{nullptr};
std::atomic<bool> asked_is_console{false};

bool input_is_console(HANDLE input) {
    if (input != asked_handle.load(std::memory_order_acquire)) {
        DWORD mode = 0;
        asked_is_console.store(input && GetConsoleMode(input, &mode), std::memory_order_relaxed);
        asked_handle.store(input, std::memory_order_release);
    }
    return asked_is_console.load(std::memory_order_relaxed);
}

void handle_record(const INPUT_RECORD& record) {
    if (const auto watcher = record_watcher.load()) watcher(record);
    console_input_event(record);
}

void remove_close_handler() { SetConsoleCtrlHandler(console_close_handler, FALSE); }

void install_close_handler() {
    handler_installed = true;
    std::atexit(remove_close_handler);
    SetConsoleCtrlHandler(console_close_handler, TRUE);
}

void deliver_alt_number() {
    if (alt_number == 0) return;
    console_queue_push(static_cast<int32_t>(alt_number % 256));
    alt_number = 0;
}

bool alt_alone(DWORD state) {
    return (state & kAltPressed) && !(state & (kCtrlPressed | kShiftPressed));
}

}  // namespace

uint32_t console_alt_number() { return alt_number; }

void console_input_event(const INPUT_RECORD& record) {
    // Mouse, focus, menu and size events are not keys.
    if (record.EventType != KEY_EVENT) return;
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    const DWORD state = key.dwControlKeyState;
    if (!key.bKeyDown) {
        if (!alt_alone(state)) deliver_alt_number();
        return;
    }
    if (key.wRepeatCount == 0) return;
    const WORD vk = key.wVirtualKeyCode;
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9 && alt_alone(state)) {
        // A digit of the number being composed, and nothing else: Alt with
        // keypad 5 would otherwise add a stray extended key to the
        // composed character.
        alt_number = alt_number * 10 + (vk - VK_NUMPAD0);
        return;
    }
    // The console reports the character in its input code page; one that
    // code page 437 lacks types nothing.
    const int32_t typed = code_page_to_437(static_cast<uint8_t>(key.uChar.AsciiChar), GetConsoleCP());
    uint8_t character = typed > 0 ? static_cast<uint8_t>(typed) : 0;
    // Some consoles (Wine's on a terminal) report Escape without the
    // character it types, which would leave it no code at all.
    if (character == 0 && vk == VK_ESCAPE) character = 27;
    const int32_t code = translate_key_event(character, key.wVirtualScanCode, vk, state, 0);
    if (code != -1) {
        alt_number = 0;
        console_queue_push(code);
    } else if (!alt_alone(state)) {
        deliver_alt_number();
    }
}

BOOL WINAPI console_close_handler(DWORD event) {
    switch (event) {
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT: console_queue_push(kCloseKey); return TRUE;
        default: return FALSE;
    }
}

void console_input_watch(void (*watcher)(const INPUT_RECORD&)) { record_watcher = watcher; }

void pump_console_input() {
    if (!handler_installed) install_close_handler();
    const HANDLE input = reinterpret_cast<HANDLE>(std_handles.input);
    if (!input_is_console(input)) {
        pump_stream_input(standard_input, input);
        return;
    }
    // A record gives at most one code: only as many are taken as the queue
    // holds without dropping a waiting code, the rest wait (a paste).
    const size_t room = static_cast<size_t>(console_queue_room());
    if (console_reader_start(input)) {
        std::vector<INPUT_RECORD> records;
        console_reader_take(records, room);
        for (const INPUT_RECORD& record : records) handle_record(record);
        return;
    }
    INPUT_RECORD record;
    DWORD count = 0;
    for (size_t taken = 0; taken < room && PeekConsoleInputA(input, &record, 1, &count) && count > 0; ++taken) {
        if (!ReadConsoleInputA(input, &record, 1, &count) || count == 0) return;
        handle_record(record);
    }
}

void console_wait_input(int32_t ms) {
    if (ms <= 0 || !console_queue_empty() || standard_input.ended) return;
    const HANDLE input = reinterpret_cast<HANDLE>(std_handles.input);
    if (input_is_console(input)) {
        if (console_reader_running())
            console_reader_wait(ms);
        else
            console_input_wait(input, static_cast<uint32_t>(ms));
        return;
    }
    // A pipe cannot be waited on for data; a short sleep still spares the
    // processor, unless the stream has a reader of its own.
    if (stream_reader_reads(input))
        stream_reader_wait(ms);
    else
        Sleep(static_cast<DWORD>(ms));
}

}  // namespace pantalla::detail
