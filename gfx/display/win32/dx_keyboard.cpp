#include "gfx/display/win32/dx_keyboard.h"

// The keyboard needs nothing newer than the version 7 interfaces, and only
// these declare DirectInputCreateA.
#define DIRECTINPUT_VERSION 0x0700
#include <dinput.h>

#include "gfx/display/win32/dinput_state.h"

namespace pantalla::detail {

namespace {

using DirectInputCreateFn = HRESULT(WINAPI*)(HINSTANCE, DWORD, IDirectInputA**, IUnknown*);

// Defined here rather than taken from dxguid, which is not linked.
constexpr GUID kGuidSysKeyboard = {0x6F1D2B61, 0xD5A0, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
constexpr GUID kGuidKey = {0x55728220, 0xD33C, 0x11CF, {0xBF, 0xC7, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};

struct DxKeyboard {
    HMODULE library;
    DirectInputCreateFn create;
    IDirectInputA* input;
    IDirectInputDeviceA* device;
};

DxKeyboard kb;

// The keyboard data format, one optional button per byte of the state:
// the layout dinput's own c_dfDIKeyboard has, built here as that object
// lives in a static library.
DIOBJECTDATAFORMAT key_objects[kDinputStateSize];
DIDATAFORMAT keyboard_format;

void build_keyboard_format() {
    for (int32_t i = 0; i < kDinputStateSize; ++i)
        key_objects[i] = DIOBJECTDATAFORMAT{&kGuidKey, static_cast<DWORD>(i),
                                            DIDFT_OPTIONAL | DIDFT_BUTTON | DIDFT_MAKEINSTANCE(i), 0};
    keyboard_format = DIDATAFORMAT{sizeof(DIDATAFORMAT), sizeof(DIOBJECTDATAFORMAT), DIDF_RELAXIS,
                                   kDinputStateSize, kDinputStateSize, key_objects};
}

}  // namespace

bool dx_keyboard_load() {
    if (kb.create) return true;
    kb.library = LoadLibraryA("dinput.dll");
    if (!kb.library) return false;
    kb.create = reinterpret_cast<DirectInputCreateFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(kb.library, "DirectInputCreateA")));
    if (!kb.create) {
        FreeLibrary(kb.library);
        kb.library = nullptr;
        return false;
    }
    build_keyboard_format();
    return true;
}

bool dx_keyboard_open(HWND hwnd) {
    dx_keyboard_close();
    if (!kb.create) return false;
    if (FAILED(kb.create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, &kb.input, nullptr))) {
        kb.input = nullptr;
        return false;
    }
    const bool ready = SUCCEEDED(kb.input->CreateDevice(kGuidSysKeyboard, &kb.device, nullptr)) &&
                       SUCCEEDED(kb.device->SetDataFormat(&keyboard_format)) &&
                       SUCCEEDED(kb.device->SetCooperativeLevel(hwnd, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND));
    if (!ready) {
        dx_keyboard_close();
        return false;
    }
    kb.device->Acquire();  // may fail until the window has the focus; read retries
    return true;
}

void dx_keyboard_close() {
    if (kb.device) {
        kb.device->Unacquire();
        kb.device->Release();
        kb.device = nullptr;
    }
    if (kb.input) {
        kb.input->Release();
        kb.input = nullptr;
    }
}

bool dx_keyboard_read(uint8_t* key_down) {
    if (!kb.device) return false;
    uint8_t state[kDinputStateSize] = {};
    HRESULT hr = kb.device->GetDeviceState(sizeof state, state);
    if (hr == DIERR_INPUTLOST || hr == DIERR_NOTACQUIRED) {
        if (FAILED(kb.device->Acquire())) return false;
        hr = kb.device->GetDeviceState(sizeof state, state);
    }
    if (FAILED(hr)) return false;
    dinput_held_keys(state, key_down);
    return true;
}

}  // namespace pantalla::detail
