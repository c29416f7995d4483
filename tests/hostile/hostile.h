// What the careless-host tests share: the fixture, and a scope in which no GL context is current.
#pragma once

#include <EGL/egl.h>

#include <vector>

#include "gl_fixture.h"

// The whole frame, RGBA, as glReadPixels gives it.
inline std::vector<unsigned char> Frame_Bytes()
{
    std::vector<unsigned char> bytes(static_cast<std::size_t>(GL_Test::WIDTH) * GL_Test::HEIGHT * 4);
    glReadPixels(0, 0, GL_Test::WIDTH, GL_Test::HEIGHT, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    return bytes;
}

// Remembers the calling thread's display, surfaces and context, and makes them current again at its
// end: the base of the scopes below.
class Context_Kept {
public:
    Context_Kept()
        : display_(eglGetCurrentDisplay()), draw_(eglGetCurrentSurface(EGL_DRAW)),
          read_(eglGetCurrentSurface(EGL_READ)), context_(eglGetCurrentContext())
    {}
    ~Context_Kept() { eglMakeCurrent(display_, draw_, read_, context_); }
    Context_Kept(const Context_Kept&) = delete;
    Context_Kept& operator=(const Context_Kept&) = delete;

protected:
    EGLDisplay display_;
    EGLSurface draw_, read_;
    EGLContext context_;
};

// Releases the calling thread's context for the life of the object, as a scene graph's viewer does
// between frames.
class No_Context : Context_Kept {
public:
    No_Context() { eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT); }
};

// A second context of the same configuration, sharing nothing with the fixture's, current on the
// fixture's surface for the life of the object.
class Other_Context : Context_Kept {
public:
    Other_Context()
    {
        EGLint id = 0, count = 0;
        eglQueryContext(display_, context_, EGL_CONFIG_ID, &id);
        const EGLint wanted[] = {EGL_CONFIG_ID, id, EGL_NONE};
        EGLConfig config = nullptr;
        eglChooseConfig(display_, wanted, &config, 1, &count);
        const EGLint compat[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                 EGL_NONE};
        other_ = count == 1 ? eglCreateContext(display_, config, EGL_NO_CONTEXT, compat) : EGL_NO_CONTEXT;
        made_ = other_ != EGL_NO_CONTEXT && eglMakeCurrent(display_, draw_, read_, other_);
    }
    ~Other_Context()
    {
        eglMakeCurrent(display_, draw_, read_, context_);
        if (other_ != EGL_NO_CONTEXT)
            eglDestroyContext(display_, other_);
    }
    bool Made() const { return made_; }

private:
    EGLContext other_ = EGL_NO_CONTEXT;
    bool made_ = false;
};
