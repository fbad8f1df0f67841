// The GL 1.1 and WGL functions that the "OpenGL" driver uses, taken from
// "opengl32.dll" by name so that nothing is linked against it.
#pragma once

#include <windows.h>

#include <GL/gl.h>

struct GlApi {
    decltype(&wglCreateContext) create_context;
    decltype(&wglMakeCurrent) make_current;
    decltype(&wglDeleteContext) delete_context;
    decltype(&glViewport) viewport;
    decltype(&glMatrixMode) matrix_mode;
    decltype(&glLoadIdentity) load_identity;
    decltype(&glOrtho) ortho;
    decltype(&glEnable) enable;
    decltype(&glDisable) disable;
    decltype(&glClearColor) clear_color;
    decltype(&glClear) clear;
    decltype(&glPixelStorei) pixel_store;
    decltype(&glGenTextures) gen_textures;
    decltype(&glDeleteTextures) delete_textures;
    decltype(&glBindTexture) bind_texture;
    decltype(&glTexParameteri) tex_parameter;
    decltype(&glTexEnvi) tex_env;
    decltype(&glTexImage2D) tex_image;
    decltype(&glTexSubImage2D) tex_sub_image;
    decltype(&glBegin) begin;
    decltype(&glEnd) end;
    decltype(&glTexCoord2f) tex_coord;
    decltype(&glVertex2f) vertex;
    decltype(&glGetError) get_error;
};

extern GlApi gl_api;

// Loads the library and every function once; false when any is missing.
bool gl_api_load();
