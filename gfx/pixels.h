// The per-depth pixel routines that all drawing goes through, chosen for
// the open screen's depth at every set-up.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pantalla::detail {

struct PixelRoutines {
    void (*pixel_put)(int32_t x, int32_t y, uint32_t value);
    uint32_t (*pixel_get)(int32_t x, int32_t y);
    void (*pixels_fill)(uint8_t* destination, uint32_t value, int32_t count);
    void (*pixels_copy)(uint8_t* destination, const uint8_t* source, int32_t count);
    void (*row_fill)(uint8_t* destination, uint8_t byte, size_t count);
    void (*row_copy)(uint8_t* destination, const uint8_t* source, size_t count);
};

extern PixelRoutines pixel_routines;

// Fills the slots for the open screen's depth; with MMX reported sets the
// screen's MMX flag and takes the fast row routines.
void pixel_routines_choose();

// The plain byte routines and the fast ones (the library's vectorised
// fill and copy), for tests that compare them.
void row_fill_plain(uint8_t* destination, uint8_t byte, size_t count);
void row_copy_plain(uint8_t* destination, const uint8_t* source, size_t count);
void row_fill_fast(uint8_t* destination, uint8_t byte, size_t count);
void row_copy_fast(uint8_t* destination, const uint8_t* source, size_t count);

}  // namespace pantalla::detail
