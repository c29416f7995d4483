// A host outside the tree: installed headers and libraries only. It makes a headless GL context,
// draws one label and checks that its caption reached the pixels.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glew.h>
#include <vrtools/label.h>

#include <cstdio>

namespace {

bool Context(int width, int height)
{
    auto get_display = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    EGLDisplay display =
        get_display ? get_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr) : EGL_NO_DISPLAY;
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        return false;
    const EGLint config_attributes[] = {EGL_SURFACE_TYPE,
                                        EGL_PBUFFER_BIT,
                                        EGL_RENDERABLE_TYPE,
                                        EGL_OPENGL_BIT,
                                        EGL_RED_SIZE,
                                        8,
                                        EGL_GREEN_SIZE,
                                        8,
                                        EGL_BLUE_SIZE,
                                        8,
                                        EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, config_attributes, &config, 1, &count) || count < 1)
        return false;
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, size);
    eglBindAPI(EGL_OPENGL_API);
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT || !eglMakeCurrent(display, surface, surface, context))
        return false;
    glewExperimental = GL_TRUE;
    glewInit();  // answers "no GLX display" on this path after filling the entry points
    return glGenBuffers != nullptr;
}

}  // namespace

int main()
{
    const char* version = Get_Version_VR_Tools("1.1");
    if (!version || !Context(200, 60))
        return 1;
    std::printf("%s\n", version);
    glMatrixMode(GL_PROJECTION);
    glOrtho(0, 200, 0, 60, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);

    VR_Labels label;
    label.Name = "Installed";
    label.X = 0;
    label.Y = 0;
    label.Width = 200;
    label.Height = 60;
    label.Bevel = 5;
    label.Font_Name = "DejaVu Sans";
    label.Font_Size = 20;
    label.Color_Set(0x00FF00u);  // green
    label.Init(reinterpret_cast<HWND>(1));
    label.Draw();
    glFinish();

    static unsigned char pixels[200 * 60 * 4];
    glReadPixels(0, 0, 200, 60, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    int green = 0;
    for (int i = 0; i < 200 * 60; ++i)
        if (pixels[4 * i + 1] > 200 && pixels[4 * i] < 60 && pixels[4 * i + 2] < 60)
            ++green;
    std::printf("label pixels: %d\n", green);
    return green > 20 ? 0 : 1;
}
