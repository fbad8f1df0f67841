#include "gfx/display/win32/dx_surface.h"

#include <ddraw.h>

#include <mutex>

#include "gfx/display/window.h"

namespace pantalla::detail {

namespace {

using DirectDrawCreateFn = HRESULT(WINAPI*)(GUID*, IDirectDraw**, IUnknown*);

// Defined here rather than taken from dxguid, which is not linked.
constexpr GUID kIidDirectDraw2 = {0xB3A6F3E0, 0x2B43, 0x11CF, {0xA2, 0xDE, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

struct DxSurface {
    HMODULE library;
    DirectDrawCreateFn create;
    HWND hwnd;
    bool full_screen;
    bool mode_set;
    IDirectDraw* draw;
    IDirectDrawSurface* primary;
    IDirectDrawSurface* back;
    IDirectDrawClipper* clipper;
    IDirectDrawPalette* palette;
    int32_t width, height;
    bool back_locked;
};

DxSurface dx;
// wait_vsync runs on the program's thread while the update thread may be
// re-creating the display for Alt+Enter.
std::mutex draw_mutex;

template <class T>
void release(T*& object) {
    if (object) object->Release();
    object = nullptr;
}

bool set_display_mode(int32_t bits, int32_t refresh) {
    if (refresh <= 0) return SUCCEEDED(dx.draw->SetDisplayMode(dx.width, dx.height, bits));
    IDirectDraw2* draw2 = nullptr;
    if (FAILED(dx.draw->QueryInterface(kIidDirectDraw2, reinterpret_cast<void**>(&draw2)))) return false;
    const bool set = SUCCEEDED(draw2->SetDisplayMode(dx.width, dx.height, bits, refresh, 0));
    draw2->Release();
    return set;
}

// The screen's own depth if the display offers it, else a deeper one that
// the blitter converts to.
bool switch_mode(int32_t depth, int32_t refresh) {
    const int32_t tries[] = {depth, 32, 16};
    for (const int32_t bits : tries)
        if (set_display_mode(bits, refresh)) return true;
    return false;
}

// The display's depth as the blitter names it (15 for 5-5-5), or 0.
int32_t display_depth(const DDPIXELFORMAT& pf) {
    if (pf.dwFlags & DDPF_PALETTEINDEXED8) return 8;
    if (!(pf.dwFlags & DDPF_RGB)) return 0;
    if (pf.dwRGBBitCount == 16 && pf.dwGBitMask == 0x3E0) return 15;
    return static_cast<int32_t>(pf.dwRGBBitCount);
}

bool create_surfaces(int32_t* dst_depth, bool* red_low) {
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS;
    desc.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE;
    if (FAILED(dx.draw->CreateSurface(&desc, &dx.primary, nullptr))) return false;
    DDPIXELFORMAT pf{};
    pf.dwSize = sizeof pf;
    if (FAILED(dx.primary->GetPixelFormat(&pf))) return false;
    *dst_depth = display_depth(pf);
    *red_low = (pf.dwFlags & DDPF_RGB) && (pf.dwRBitMask & 1);
    // The back surface takes the primary's format, so Blt only copies.
    // System memory first: the processor writes every converted row.
    const DWORD places[] = {DDSCAPS_SYSTEMMEMORY, DDSCAPS_VIDEOMEMORY};
    for (const DWORD place : places) {
        desc = DDSURFACEDESC{};
        desc.dwSize = sizeof desc;
        desc.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
        desc.dwWidth = static_cast<DWORD>(dx.width);
        desc.dwHeight = static_cast<DWORD>(dx.height);
        desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN | place;
        if (SUCCEEDED(dx.draw->CreateSurface(&desc, &dx.back, nullptr))) return true;
        dx.back = nullptr;
    }
    return false;
}

bool attach_palette() {
    PALETTEENTRY entries[256] = {};
    if (FAILED(dx.draw->CreatePalette(DDPCAPS_8BIT | DDPCAPS_ALLOW256, entries, &dx.palette, nullptr))) return false;
    return SUCCEEDED(dx.primary->SetPalette(dx.palette));
}

bool attach_clipper() {
    if (FAILED(dx.draw->CreateClipper(0, &dx.clipper, nullptr))) return false;
    return SUCCEEDED(dx.clipper->SetHWnd(0, dx.hwnd)) && SUCCEEDED(dx.primary->SetClipper(dx.clipper));
}

// Rows first..end-1 of the back surface onto the screen.
void copy_rows(int32_t first, int32_t end) {
    if (!dx.primary || !dx.back || first >= end) return;
    RECT src{0, first, dx.width, end};
    RECT dst = src;
    if (!dx.full_screen) {
        POINT origin{0, 0};
        if (!ClientToScreen(dx.hwnd, &origin)) return;
        OffsetRect(&dst, origin.x, origin.y);
    }
    dx.primary->Blt(&dst, dx.back, &src, DDBLT_WAIT, nullptr);
}

void unlock_back() {
    if (dx.back_locked) dx.back->Unlock(nullptr);
    dx.back_locked = false;
}

}  // namespace

bool dx_surface_load() {
    if (dx.create) return true;
    dx.library = LoadLibraryA("ddraw.dll");
    if (!dx.library) return false;
    dx.create = reinterpret_cast<DirectDrawCreateFn>(
        reinterpret_cast<void (*)()>(GetProcAddress(dx.library, "DirectDrawCreate")));
    if (!dx.create) {
        FreeLibrary(dx.library);
        dx.library = nullptr;
        return false;
    }
    return true;
}

bool dx_surface_open(HWND hwnd, bool full_screen, int32_t width, int32_t height, int32_t depth, int32_t refresh) {
    dx_surface_close();
    if (!dx.create) return false;
    std::lock_guard<std::mutex> guard(draw_mutex);
    dx.hwnd = hwnd;
    dx.full_screen = full_screen;
    dx.width = width;
    dx.height = height;
    if (FAILED(dx.create(nullptr, &dx.draw, nullptr))) {
        dx.draw = nullptr;
        return false;
    }
    // Two threads use the object: the update thread and wait_vsync.
    const DWORD level = (full_screen ? DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN : DDSCL_NORMAL) | DDSCL_MULTITHREADED;
    if (FAILED(dx.draw->SetCooperativeLevel(hwnd, level))) return false;
    if (full_screen) {
        if (!switch_mode(depth, refresh)) return false;
        dx.mode_set = true;
    }
    int32_t dst_depth = 0;
    bool red_low = false;
    if (!create_surfaces(&dst_depth, &red_low)) return false;
    if (dst_depth == 8 && !attach_palette()) return false;
    if (!full_screen && !attach_clipper()) return false;
    return window_choose_blitter(dst_depth, red_low);
}

void dx_surface_close() {
    std::lock_guard<std::mutex> guard(draw_mutex);
    if (dx.back) unlock_back();
    release(dx.clipper);
    release(dx.palette);
    release(dx.back);
    release(dx.primary);
    if (dx.draw) {
        if (dx.mode_set) dx.draw->RestoreDisplayMode();
        dx.draw->SetCooperativeLevel(dx.hwnd, DDSCL_NORMAL);
    }
    release(dx.draw);
    dx.mode_set = false;
    dx.hwnd = nullptr;
}

bool dx_surface_restore() {
    bool lost = false;
    for (IDirectDrawSurface* s : {dx.primary, dx.back}) {
        if (s && s->IsLost() == DDERR_SURFACELOST) {
            lost = true;
            s->Restore();
        }
    }
    return lost;
}

uint8_t* dx_surface_begin(int32_t* pitch) {
    if (!dx.back) return nullptr;
    unlock_back();
    DDSURFACEDESC desc{};
    desc.dwSize = sizeof desc;
    HRESULT hr = dx.back->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    if (hr == DDERR_SURFACELOST) {
        dx_surface_restore();
        window_redraw_all();  // the restored surface has lost its pixels
        desc = DDSURFACEDESC{};
        desc.dwSize = sizeof desc;
        hr = dx.back->Lock(nullptr, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    }
    if (FAILED(hr) || !desc.lpSurface) return nullptr;
    dx.back_locked = true;
    *pitch = static_cast<int32_t>(desc.lPitch);
    return static_cast<uint8_t*>(desc.lpSurface);
}

void dx_surface_present(int32_t first, int32_t end) {
    if (!dx.back) return;
    unlock_back();
    copy_rows(first, end);
}

void dx_surface_paint() { copy_rows(0, dx.height); }

void dx_surface_send_palette(const uint32_t* palette) {
    if (!dx.palette) return;
    PALETTEENTRY entries[256];
    for (int32_t i = 0; i < 256; ++i)
        entries[i] = PALETTEENTRY{static_cast<BYTE>(palette[i]), static_cast<BYTE>(palette[i] >> 8),
                                  static_cast<BYTE>(palette[i] >> 16), 0};
    dx.palette->SetEntries(0, 0, 256, entries);
}

bool dx_surface_wait_vsync() {
    std::lock_guard<std::mutex> guard(draw_mutex);
    if (!dx.draw) return false;
    return SUCCEEDED(dx.draw->WaitForVerticalBlank(DDWAITVB_BLOCKBEGIN, nullptr));
}

}  // namespace pantalla::detail
