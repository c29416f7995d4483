// Headless EGL context on Mesa's surfaceless platform, projection and light set-up, PNG output.
#include "headless.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glew.h>
#include <stb/stb_image_write.h>

#include <vector>

namespace headless {

namespace {
EGLDisplay display = EGL_NO_DISPLAY;
EGLSurface surface = EGL_NO_SURFACE;
EGLContext context = EGL_NO_CONTEXT;

bool Fail(std::string* error, const char* what)
{
    if (error)
        *error = std::string("EGL: ") + what + " (error 0x" + std::to_string(eglGetError()) + ")";
    Context_Destroy();
    return false;
}
}  // namespace

bool Context_Create(int width, int height, std::string* error)
{
    auto get_platform_display =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (get_platform_display)
        display = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        return Fail(error, "Failed to get the surfaceless display");
    if (!eglInitialize(display, nullptr, nullptr))
        return Fail(error, "Failed to initialise the display");
    const EGLint config_attributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                        EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                        EGL_DEPTH_SIZE, 24, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, config_attributes, &config, 1, &count) || count < 1)
        return Fail(error, "No RGBA8 pbuffer configuration for desktop OpenGL");
    const EGLint surface_attributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, surface_attributes);
    if (surface == EGL_NO_SURFACE)
        return Fail(error, "Failed to create the pbuffer");
    if (!eglBindAPI(EGL_OPENGL_API))
        return Fail(error, "Failed to bind the desktop OpenGL API");
    const EGLint context_attributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                         EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, context_attributes);
    if (context == EGL_NO_CONTEXT)
        return Fail(error, "Failed to create a compatibility context");
    if (!eglMakeCurrent(display, surface, surface, context))
        return Fail(error, "Failed to make the context current");
    // NOTE: without GLX, glewInit answers GLEW_ERROR_NO_GLX_DISPLAY after it has filled the entry
    // points; what matters is that the buffer-object functions are there.
    glewExperimental = GL_TRUE;
    glewInit();
    if (!glGenBuffers || !glBindBuffer || !glBufferData || !glDeleteBuffers || !glGetBufferSubData) {
        if (error)
            *error = "GLEW: buffer-object entry points missing";
        Context_Destroy();
        return false;
    }
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
}

void Projection_Pixels(int width, int height)
{
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1000.0, 1000.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

void Light_Default()
{
    const GLfloat position[] = {-0.3f, 0.4f, 1.0f, 0.0f};
    const GLfloat white[] = {0.75f, 0.75f, 0.75f, 1.0f};
    const GLfloat ambient[] = {0.25f, 0.25f, 0.25f, 1.0f};
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
