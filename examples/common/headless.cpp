// Headless EGL context on Mesa's surfaceless platform, projection and light set-up, PNG output.
#include "headless.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glew.h>
#include <stb/stb_image_write.h>
#include <vrtools/setup.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace headless {

namespace {
EGLDisplay display = EGL_NO_DISPLAY;
EGLSurface surface = EGL_NO_SURFACE;
EGLContext context = EGL_NO_CONTEXT;
Profile current = Profile::COMPAT;

bool Fail(std::string* error, const std::string& what)
{
    if (error) {
        char code[16];
        std::snprintf(code, sizeof code, "0x%04X", static_cast<unsigned>(eglGetError()));
        *error = "EGL: " + what + " (error " + code + ")";
    }
    Context_Destroy();
    return false;
}

// GLEW fills what the context offers; these are the calls the widgets (compatibility) or a
// shader-based renderer (core, ES) cannot do without.
bool Entry_Points_Present(Profile profile)
{
    const bool buffers = glGenBuffers && glBindBuffer && glBufferData && glBufferSubData && glDeleteBuffers;
    if (profile == Profile::COMPAT)
        return buffers && glGetBufferSubData;
    return buffers && glGenVertexArrays && glBindVertexArray && glDeleteVertexArrays && glCreateShader &&
           glShaderSource && glCompileShader && glCreateProgram && glAttachShader && glLinkProgram && glUseProgram &&
           glGetUniformLocation && glUniformMatrix4fv && glVertexAttribPointer && glEnableVertexAttribArray;
}
}  // namespace

const char* Profile_Name(Profile profile)
{
    switch (profile) {
    case Profile::CORE: return "core";
    case Profile::GLES: return "gles";
    case Profile::COMPAT: break;
    }
    return "compat";
}

bool Profile_Parse(const char* name, Profile* profile)
{
    if (!name)
        return false;
    for (Profile p : {Profile::COMPAT, Profile::CORE, Profile::GLES})
        if (std::strcmp(name, Profile_Name(p)) == 0) {
            *profile = p;
            return true;
        }
    return false;
}

Profile Context_Profile()
{
    return current;
}

void Context_Profile_Set(Profile profile)
{
    current = profile;
}

bool Context_Create(int width, int height, std::string* error, Profile profile)
{
    auto get_platform_display =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (get_platform_display)
        display = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        return Fail(error, "Failed to get the surfaceless display");
    if (!eglInitialize(display, nullptr, nullptr))
        return Fail(error, "Failed to initialise the display");
    const bool es = profile == Profile::GLES;
    const EGLint config_attributes[] = {EGL_SURFACE_TYPE,
                                        EGL_PBUFFER_BIT,
                                        EGL_RENDERABLE_TYPE,
                                        es ? EGL_OPENGL_ES3_BIT : EGL_OPENGL_BIT,
                                        EGL_RED_SIZE,
                                        8,
                                        EGL_GREEN_SIZE,
                                        8,
                                        EGL_BLUE_SIZE,
                                        8,
                                        EGL_ALPHA_SIZE,
                                        8,
                                        EGL_DEPTH_SIZE,
                                        24,
                                        EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, config_attributes, &config, 1, &count) || count < 1)
        return Fail(error,
                    std::string("No RGBA8 pbuffer configuration for ") + (es ? "OpenGL ES 3" : "desktop OpenGL"));
    const EGLint surface_attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, surface_attributes);
    if (surface == EGL_NO_SURFACE)
        return Fail(error, "Failed to create the pbuffer");
    if (!eglBindAPI(es ? EGL_OPENGL_ES_API : EGL_OPENGL_API))
        return Fail(error, es ? "Failed to bind the OpenGL ES API" : "Failed to bind the desktop OpenGL API");
    const EGLint compat_attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                        EGL_NONE};
    const EGLint core_attributes[] = {
        EGL_CONTEXT_MAJOR_VERSION,           3,       EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
        EGL_CONTEXT_OPENGL_CORE_PROFILE_BIT, EGL_NONE};
    const EGLint es_attributes[] = {EGL_CONTEXT_MAJOR_VERSION, 3, EGL_CONTEXT_MINOR_VERSION, 0, EGL_NONE};
    const EGLint* context_attributes = profile == Profile::CORE ? core_attributes
                                       : es                     ? es_attributes
                                                                : compat_attributes;
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, context_attributes);
    if (context == EGL_NO_CONTEXT)
        return Fail(error, std::string("Failed to create a ") + Profile_Name(profile) + " context");
    if (!eglMakeCurrent(display, surface, surface, context))
        return Fail(error, "Failed to make the context current");
    current = profile;
    // NOTE: without GLX, glewInit answers GLEW_ERROR_NO_GLX_DISPLAY after it has filled the entry
    // points; what matters is that the functions the profile needs are there.
    glewExperimental = GL_TRUE;
    glewInit();
    if (!Entry_Points_Present(profile)) {
        if (error)
            *error = std::string("GLEW: entry points missing in the ") + Profile_Name(profile) + " context";
        Context_Destroy();
        return false;
    }
    // GLEW's probing of extension strings can leave an error behind in a core or ES context.
    while (glGetError() != GL_NO_ERROR) {
    }
    return true;
}

void Context_Destroy()
{
    if (display != EGL_NO_DISPLAY) {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (context != EGL_NO_CONTEXT)
            eglDestroyContext(display, context);
        if (surface != EGL_NO_SURFACE)
            eglDestroySurface(display, surface);
        eglTerminate(display);
    }
    display = EGL_NO_DISPLAY;
    surface = EGL_NO_SURFACE;
    context = EGL_NO_CONTEXT;
    current = Profile::COMPAT;
}

void Projection_Pixels(int width, int height)
{
    glViewport(0, 0, width, height);
    if (current != Profile::COMPAT)
        return;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Matrix_Pixels(int width, int height, float m[16])
{
    // glOrtho(0, width, 0, height, -1000, 1000), column-major.
    for (int i = 0; i < 16; ++i)
        m[i] = 0.0f;
    m[0] = 2.0f / static_cast<float>(width > 0 ? width : 1);
    m[5] = 2.0f / static_cast<float>(height > 0 ? height : 1);
    m[10] = -2.0f / 2000.0f;
    m[12] = -1.0f;
    m[13] = -1.0f;
    m[15] = 1.0f;
}

const Light& Light_Values()
{
    static const Light light = [] {
        const VR_Tools_Light& l = VR_Tools_Default_Light();
        Light out;
        for (int i = 0; i < 3; ++i) {
            out.direction[i] = l.toward[i];
            out.color[i] = l.color[i];
            out.ambient[i] = l.ambient[i];
        }
        return out;
    }();
    return light;
}

void Light_Default()
{
    if (current != Profile::COMPAT)
        return;
    const Light& l = Light_Values();
    const GLfloat position[] = {l.direction[0], l.direction[1], l.direction[2], 0.0f};
    const GLfloat white[] = {l.color[0], l.color[1], l.color[2], 1.0f};
    const GLfloat ambient[] = {l.ambient[0], l.ambient[1], l.ambient[2], 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, position);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
    glEnable(GL_LIGHT0);
    // Mesh normals are 16-bit integers of length about 100, which GL maps to about 0.003: a host
    // that wants them lit has them renormalised.
    glEnable(GL_NORMALIZE);
}

bool Png_Write(const std::string& path, int width, int height)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    // GL's first row is the bottom one; PNG's is the top.
    stbi_flip_vertically_on_write(1);
    const int ok = stbi_write_png(path.c_str(), width, height, 4, pixels.data(), width * 4);
    stbi_flip_vertically_on_write(0);
    return ok != 0;
}

}  // namespace headless
