// What the careless-host tests share: the fixture, and a scope in which no GL context is current.
#pragma once

#include <EGL/egl.h>

#include "gl_fixture.h"

// Releases the calling thread's context for the life of the object, as a scene graph's viewer does
// between frames, and makes the same context, surfaces and display current again at its end.
class No_Context {
public:
    No_Context()
        : display_(eglGetCurrentDisplay()), draw_(eglGetCurrentSurface(EGL_DRAW)),
          read_(eglGetCurrentSurface(EGL_READ)), context_(eglGetCurrentContext())
    {
        eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    ~No_Context() { eglMakeCurrent(display_, draw_, read_, context_); }
    No_Context(const No_Context&) = delete;
    No_Context& operator=(const No_Context&) = delete;

private:
    EGLDisplay display_;
    EGLSurface draw_, read_;
    EGLContext context_;
};
