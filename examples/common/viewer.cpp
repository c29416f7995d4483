// The example programs' shell: command line, GLFW window with pointer events, or a headless frame as PNG.
#include "viewer.h"

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "headless.h"

namespace viewer {

namespace {

struct Window_State {
    Program* program = nullptr;
    int buttons = 0;
    float x = 0.0f, y = 0.0f;  // pointer in framebuffer pixels, y upward
};

Window_State& State_Of(GLFWwindow* window) { return *static_cast<Window_State*>(glfwGetWindowUserPointer(window)); }

void On_Cursor(GLFWwindow* window, double x, double y)
{
    Window_State& state = State_Of(window);
    // Window coordinates are screen points from the top; the frame counts pixels from the bottom.
    int fw = 0, fh = 0, ww = 0, wh = 0;
    glfwGetFramebufferSize(window, &fw, &fh);
    glfwGetWindowSize(window, &ww, &wh);
    state.x = static_cast<float>(x * fw / std::max(1, ww));
    state.y = static_cast<float>(fh - y * fh / std::max(1, wh));
    state.program->Pointer(state.buttons, state.x, state.y);
}

void On_Button(GLFWwindow* window, int button, int action, int)
{
    Window_State& state = State_Of(window);
    if (button < 0 || button > 2)
        return;
    if (action == GLFW_PRESS) {
        state.buttons |= 1 << button;
        state.program->Press(button, state.x, state.y);
    } else {
        state.buttons &= ~(1 << button);
        state.program->Release(button, state.x, state.y);
    }
}

void On_Scroll(GLFWwindow* window, double, double dy)
{
    Window_State& state = State_Of(window);
    state.program->Wheel(state.x, state.y, static_cast<float>(dy));
}

int Run_Headless(const Options& options, Program* (*make)(), const std::string& png)
{
    std::string error;
    if (!headless::Context_Create(options.width, options.height, &error, options.profile)) {
        std::fprintf(stderr, "%s: %s\n", options.name, error.c_str());
        return 1;
    }
    int status = 0;
    {
        // The widgets release their GL objects in their destructors: the program ends before the context.
        std::unique_ptr<Program> program(make());
        program->Init(reinterpret_cast<HWND>(0x1));
        for (int i = 0; i < std::max(1, options.frames); ++i)
            program->Frame(options.width, options.height);
        glFinish();
        if (!headless::Png_Write(png, options.width, options.height)) {
            std::fprintf(stderr, "%s: cannot write %s\n", options.name, png.c_str());
            status = 1;
        } else {
            std::printf("%s: wrote %s (%dx%d)\n", options.name, png.c_str(), options.width, options.height);
        }
    }
    headless::Context_Destroy();
    return status;
}

// -1 when no window could be opened.
int Run_Window(const Options& options, Program* (*make)())
{
    if (!glfwInit())
        return -1;
    glfwWindowHint(GLFW_SAMPLES, 4);
    if (options.profile == headless::Profile::CORE) {
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
        glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
        glfwWindowHint(GLFW_OPENGL_FORWARD_COMPAT, GLFW_TRUE);
    } else if (options.profile == headless::Profile::GLES) {
        glfwWindowHint(GLFW_CLIENT_API, GLFW_OPENGL_ES_API);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 3);
        glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 0);
    }
    std::string title = std::string("vrtools ") + options.name;
    GLFWwindow* window = glfwCreateWindow(options.width, options.height, title.c_str(), nullptr, nullptr);
    if (!window) {
        glfwTerminate();
        return -1;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(1);
    glewExperimental = GL_TRUE;
    glewInit();
    headless::Context_Profile_Set(options.profile);
    {
        std::unique_ptr<Program> program(make());
        program->Init(reinterpret_cast<HWND>(window));
        Window_State state;
        state.program = program.get();
        glfwSetWindowUserPointer(window, &state);
        glfwSetCursorPosCallback(window, On_Cursor);
        glfwSetMouseButtonCallback(window, On_Button);
        glfwSetScrollCallback(window, On_Scroll);
        while (!glfwWindowShouldClose(window)) {
            int fw = 0, fh = 0;
            glfwGetFramebufferSize(window, &fw, &fh);
            program->Frame(fw, fh);
            glfwSwapBuffers(window);
            glfwPollEvents();
        }
    }
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}

}  // namespace

int Main(int argc, char** argv, const Options& options, Program* (*make)())
{
    std::string png;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            png = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--png FILE]\n", argv[0]);
            return 2;
        }
    }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (png.empty() && ((display && *display) || (wayland && *wayland))) {
        const int status = Run_Window(options, make);
        if (status >= 0)
            return status;
        std::fprintf(stderr, "%s: no window could be opened; rendering headless instead\n", options.name);
    }
    return Run_Headless(options, make, png.empty() ? std::string(options.name) + ".png" : png);
}

}  // namespace viewer
