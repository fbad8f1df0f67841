// What both "OpenGL" drivers draw with: the converted frame (32-bit
// pixels, red in the low byte, tightly packed) kept in a texture whose sides
// are powers of two, as GL 1.1 wants, and drawn as one quad. The platform
// parts make the context and fill the function table by name: nothing is
// linked against a GL library.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace pantalla::detail {

struct GlFunctions {
    decltype(&::glViewport) viewport;
    decltype(&::glMatrixMode) matrix_mode;
    decltype(&::glLoadIdentity) load_identity;
    decltype(&::glOrtho) ortho;
    decltype(&::glEnable) enable;
    decltype(&::glDisable) disable;
    decltype(&::glClearColor) clear_color;
    decltype(&::glClear) clear;
    decltype(&::glPixelStorei) pixel_store;
    decltype(&::glGenTextures) gen_textures;
    decltype(&::glBindTexture) bind_texture;
    decltype(&::glTexParameteri) tex_parameter;
    decltype(&::glTexEnvi) tex_env;
    decltype(&::glTexImage2D) tex_image;
    decltype(&::glTexSubImage2D) tex_sub_image;
    decltype(&::glBegin) begin;
    decltype(&::glEnd) end;
    decltype(&::glTexCoord2f) tex_coord;
    decltype(&::glVertex2f) vertex;
    decltype(&::glGetError) get_error;
};

// Fills every slot through `find` (the platform's symbol lookup in
// `library`); false, with the table emptied, when any is missing.
bool gl_functions_load(GlFunctions& g, void* (*find)(void* library, const char* name), void* library);

struct GlFrame {
    GLuint texture = 0;
    int32_t texture_width = 0, texture_height = 0;
    int32_t width = 0, height = 0;  // the frame's, in pixels
    std::vector<uint8_t> pixels;
};

// With the context current: a projection on which client pixels map one
// to one, top row first, and the texture for a width x height frame.
void gl_frame_set_up(const GlFunctions& g, GlFrame& f, int32_t width, int32_t height, int32_t client_width,
                     int32_t client_height);
// Sends frame rows first..end-1 to the texture.
void gl_frame_upload(const GlFunctions& g, const GlFrame& f, int32_t first, int32_t end);
// Clears and draws the frame over client rectangle (x0, y0)-(x1, y1).
void gl_frame_draw(const GlFunctions& g, const GlFrame& f, float x0, float y0, float x1, float y1);

}  // namespace pantalla::detail
