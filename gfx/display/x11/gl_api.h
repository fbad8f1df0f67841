// The GLX and GL 1.1 functions that the "OpenGL" driver uses, taken by
// name: both from libGL.so.1, or from libGLX.so.0 and libOpenGL.so.0 where
// only those are installed. Nothing is linked against them.
#pragma once

#include <GL/gl.h>
#include <GL/glx.h>

struct GlxApi {
    decltype(&::glXQueryExtension) glXQueryExtension;
    decltype(&::glXChooseVisual) glXChooseVisual;
    decltype(&::glXCreateContext) glXCreateContext;
    decltype(&::glXDestroyContext) glXDestroyContext;
    decltype(&::glXMakeCurrent) glXMakeCurrent;
    decltype(&::glXSwapBuffers) glXSwapBuffers;
};

struct GlApi {
    decltype(&::glViewport) glViewport;
    decltype(&::glMatrixMode) glMatrixMode;
    decltype(&::glLoadIdentity) glLoadIdentity;
    decltype(&::glOrtho) glOrtho;
    decltype(&::glEnable) glEnable;
    decltype(&::glDisable) glDisable;
    decltype(&::glClearColor) glClearColor;
    decltype(&::glClear) glClear;
    decltype(&::glPixelStorei) glPixelStorei;
    decltype(&::glGenTextures) glGenTextures;
    decltype(&::glBindTexture) glBindTexture;
    decltype(&::glTexParameteri) glTexParameteri;
    decltype(&::glTexEnvi) glTexEnvi;
    decltype(&::glTexImage2D) glTexImage2D;
    decltype(&::glTexSubImage2D) glTexSubImage2D;
    decltype(&::glBegin) glBegin;
    decltype(&::glEnd) glEnd;
    decltype(&::glTexCoord2f) glTexCoord2f;
    decltype(&::glVertex2f) glVertex2f;
    decltype(&::glGetError) glGetError;
};

extern GlxApi libglx;
extern GlApi libgl;

// Loads both tables once, on the program's thread; false when a library or
// a function is missing, and both tables then stay empty.
bool libgl_load();
