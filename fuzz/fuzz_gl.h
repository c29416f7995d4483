// The headless GL context the fuzz targets draw into, made once per process.
#pragma once

#include <GL/glew.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "headless.h"
#include <vrtools/obrisk.h>

namespace fuzz {

constexpr int FRAME_W = 256;
constexpr int FRAME_H = 256;

// Makes the context current with the one-unit-per-pixel projection and the default light; a target
// that cannot have it stops at once rather than fuzzing nothing.
inline void Context_Once()
{
    static const bool made = [] {
        std::string error;
        if (!headless::Context_Create(FRAME_W, FRAME_H, &error)) {
            std::fprintf(stderr, "fuzz: %s\n", error.c_str());
            std::exit(1);
        }
        headless::Projection_Pixels(FRAME_W, FRAME_H);
        headless::Light_Default();
        glEnable(GL_DEPTH_TEST);
        return true;
    }();
    (void)made;
}

// Messages go nowhere (a fuzzer makes millions); the text is still read to its end.
inline void Quiet_Handler(HWND, unsigned int, const wchar_t* text)
{
    if (!text)
        std::abort();
    volatile wchar_t last = 0;
    for (const wchar_t* p = text; *p; ++p)
        last = *p;
    (void)last;
}

// Everything a widget must leave as it found it after Draw; a finding when not.
inline void Check_GL_State(const char* where)
{
    const GLenum error = glGetError();
    const bool leaked = glIsEnabled(GL_BLEND) || glIsEnabled(GL_TEXTURE_2D) || glIsEnabled(GL_LIGHTING) ||
                        glIsEnabled(GL_COLOR_MATERIAL) || glIsEnabled(GL_VERTEX_ARRAY) ||
                        glIsEnabled(GL_NORMAL_ARRAY) || glIsEnabled(GL_COLOR_ARRAY) ||
                        glIsEnabled(GL_TEXTURE_COORD_ARRAY);
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    if (error != GL_NO_ERROR || leaked || depth != 1) {
        std::fprintf(stderr, "fuzz: %s left GL error 0x%x, state %s, matrix depth %d\n", where, error,
                     leaked ? "switched on" : "clean", depth);
        std::abort();
    }
}

}  // namespace fuzz
