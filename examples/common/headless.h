// A headless OpenGL context for tests, the gallery and the benchmarks: Mesa's surfaceless EGL and a pbuffer.
#pragma once

#include <string>

namespace headless {

// The kind of context a host program runs in.
enum class Profile {
    COMPAT,  // OpenGL compatibility profile: fixed-function matrices and lights
    CORE,    // OpenGL 3.3 core profile: shaders, vertex array objects, no client arrays
    GLES     // OpenGL ES 3.0
};

// "compat", "core" or "gles".
const char* Profile_Name(Profile profile);
// Parses a name as Profile_Name writes it; false (and `profile` unchanged) for anything else.
bool Profile_Parse(const char* name, Profile* profile);

// Makes a context of the given profile with a width x height pbuffer (RGBA8, 24-bit depth) current on
// the calling thread and initialises GLEW. Returns false with a reason in `error`.
bool Context_Create(int width, int height, std::string* error, Profile profile = Profile::COMPAT);
// Releases the context, the surface and the display.
void Context_Destroy();
// The profile of the current headless context (COMPAT when there is none), or the one declared
// with Context_Profile_Set for a context made elsewhere (a window).
Profile Context_Profile();
void Context_Profile_Set(Profile profile);

// Sets the viewport and, in a compatibility context, an orthographic projection of one scene unit
// per pixel, y upward, with room from z = -1000 (far) to z = 1000 (near), and an identity model-view
// matrix. The other profiles have no fixed-function matrices: they pass Matrix_Pixels to a renderer.
void Projection_Pixels(int width, int height);
// The projection of Projection_Pixels as a column-major matrix, as glLoadMatrixf takes it.
void Matrix_Pixels(int width, int height, float projection[16]);

// The library's default light (VR_Tools_Default_Light): a white directional light from the
// viewer's upper left and a dim ambient term.
struct Light {
    float direction[3];  // eye space, unit length, toward the light
    float color[3];      // diffuse intensity
    float ambient[3];    // scene ambient
};
const Light& Light_Values();
// In a compatibility context, sets Light_Values as GL_LIGHT0 and enables it (lighting itself stays
// off: each widget switches it on for its lit pass), and GL_NORMALIZE for the widgets' integer
// normals. Does nothing in the other profiles.
void Light_Default();

// Reads the colour buffer (RGBA, first row at the top) and writes it as a PNG. False on failure.
bool Png_Write(const std::string& path, int width, int height);

}  // namespace headless
