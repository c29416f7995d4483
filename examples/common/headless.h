// A headless OpenGL context for tests, the gallery and the benchmarks: Mesa's surfaceless EGL and a pbuffer.
#pragma once

#include <string>

namespace headless {

// Makes a compatibility-profile OpenGL context with a width x height pbuffer (RGBA8, 24-bit depth)
// current on the calling thread and initialises GLEW. Returns false with a reason in `error`.
bool Context_Create(int width, int height, std::string* error);
// Releases the context, the surface and the display.
void Context_Destroy();

// Sets the viewport and an orthographic projection of one scene unit per pixel, y upward, with
// room from z = -1000 (far) to z = 1000 (near), and an identity model-view matrix.
void Projection_Pixels(int width, int height);
// A white directional light from the viewer's upper left, enabled as GL_LIGHT0 (lighting itself
// stays off: each widget switches it on for its lit pass), and GL_NORMALIZE for the widgets'
// integer normals.
void Light_Default();

// Reads the colour buffer (RGBA, first row at the top) and writes it as a PNG. False on failure.
bool Png_Write(const std::string& path, int width, int height);

}  // namespace headless
