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
    float x = 0.0f, y = 0.0f;   // pointer in framebuffer pixels, y upward
    unsigned int pad_held = 0;  // bit per Keys value held on the gamepad at the last poll
};

Window_State& State_Of(GLFWwindow* window)
{
    return *static_cast<Window_State*>(glfwGetWindowUserPointer(window));
}

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

void On_Key(GLFWwindow* window, int key, int, int action, int mods)
{
    if (action == GLFW_RELEASE && key != GLFW_KEY_ENTER && key != GLFW_KEY_KP_ENTER && key != GLFW_KEY_SPACE)
        return;  // only activation tells a key's coming up from its going down
    const bool down = action != GLFW_RELEASE;
    bool shift = (mods & GLFW_MOD_SHIFT) != 0;
    int k = -1;
    switch (key) {
    case GLFW_KEY_LEFT: k = KEY_LEFT; break;
    case GLFW_KEY_RIGHT: k = KEY_RIGHT; break;
    case GLFW_KEY_UP: k = KEY_UP; break;
    case GLFW_KEY_DOWN: k = KEY_DOWN; break;
    case GLFW_KEY_TAB: k = KEY_TAB; break;
    case GLFW_KEY_ENTER:
    case GLFW_KEY_KP_ENTER:
    case GLFW_KEY_SPACE: k = KEY_ENTER; break;
    // '+' is Shift and '=' on many layouts: Shift makes no big step there.
    case GLFW_KEY_EQUAL:
    case GLFW_KEY_KP_ADD: k = KEY_PLUS, shift = false; break;
    case GLFW_KEY_MINUS:
    case GLFW_KEY_KP_SUBTRACT: k = KEY_MINUS, shift = false; break;
    case GLFW_KEY_PAGE_UP: k = KEY_PLUS, shift = true; break;
    case GLFW_KEY_PAGE_DOWN: k = KEY_MINUS, shift = true; break;
    case GLFW_KEY_ESCAPE: glfwSetWindowShouldClose(window, GLFW_TRUE); return;
    default: return;
    }
    State_Of(window).program->Key(k, down, shift);
}

// The first gamepad, polled once a frame: what went down or up since the last poll becomes keys.
void Gamepad_Poll(GLFWwindow* window, Window_State& state)
{
    GLFWgamepadstate pad;
    int id = GLFW_JOYSTICK_1;
    while (id <= GLFW_JOYSTICK_LAST && !glfwGetGamepadState(id, &pad))
        ++id;
    if (id > GLFW_JOYSTICK_LAST) {
        state.pad_held = 0;
        return;
    }
    // NOTE: a stick gives a key only past half way, and again only after coming back inside a
    // third, so that a stick resting near the edge does not repeat.
    const float sx = pad.axes[GLFW_GAMEPAD_AXIS_LEFT_X], sy = pad.axes[GLFW_GAMEPAD_AXIS_LEFT_Y];
    const auto stick = [&](int key, bool out, bool in) {
        const bool was = (state.pad_held >> key) & 1u;
        return was ? !in : out;
    };
    bool held[KEY_ESCAPE + 2] = {};
    held[KEY_LEFT] = pad.buttons[GLFW_GAMEPAD_BUTTON_DPAD_LEFT] || stick(KEY_LEFT, sx<-0.5f, sx> - 0.33f);
    held[KEY_RIGHT] = pad.buttons[GLFW_GAMEPAD_BUTTON_DPAD_RIGHT] || stick(KEY_RIGHT, sx > 0.5f, sx < 0.33f);
    held[KEY_UP] = pad.buttons[GLFW_GAMEPAD_BUTTON_DPAD_UP] || stick(KEY_UP, sy<-0.5f, sy> - 0.33f);
    held[KEY_DOWN] = pad.buttons[GLFW_GAMEPAD_BUTTON_DPAD_DOWN] || stick(KEY_DOWN, sy > 0.5f, sy < 0.33f);
    held[KEY_TAB] = pad.buttons[GLFW_GAMEPAD_BUTTON_RIGHT_BUMPER];
    held[KEY_ENTER] = pad.buttons[GLFW_GAMEPAD_BUTTON_A];
    held[KEY_PLUS] = pad.buttons[GLFW_GAMEPAD_BUTTON_Y];
    held[KEY_MINUS] = pad.buttons[GLFW_GAMEPAD_BUTTON_X];
    held[KEY_ESCAPE] = pad.buttons[GLFW_GAMEPAD_BUTTON_B];
    held[KEY_ESCAPE + 1] = pad.buttons[GLFW_GAMEPAD_BUTTON_LEFT_BUMPER];  // Shift-Tab
    unsigned int now = 0;
    for (int k = 0; k <= KEY_ESCAPE + 1; ++k)
        now |= held[k] ? 1u << k : 0u;
    const unsigned int went_down = now & ~state.pad_held, went_up = state.pad_held & ~now;
    state.pad_held = now;
    if (went_down & (1u << KEY_ESCAPE))
        glfwSetWindowShouldClose(window, GLFW_TRUE);
    for (int k = 0; k < KEY_ESCAPE; ++k) {
        if (went_down & (1u << k))
            state.program->Key(k, true, false);
        else if (k == KEY_ENTER && (went_up & (1u << k)))
            state.program->Key(k, false, false);
    }
    if (went_down & (1u << (KEY_ESCAPE + 1)))
        state.program->Key(KEY_TAB, true, true);
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
int Run_Window(const Options& options, Program* (*make)(), const std::string& shot)
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
        glfwSetKeyCallback(window, On_Key);
        while (true) {
            int fw = 0, fh = 0;
            glfwGetFramebufferSize(window, &fw, &fh);
            program->Frame(fw, fh);
            if (glfwWindowShouldClose(window)) {
                // The frame of the state the user left, drawn once more and read before the swap.
                if (!shot.empty() && !headless::Png_Write(shot, fw, fh))
                    std::fprintf(stderr, "%s: cannot write %s\n", options.name, shot.c_str());
                break;
            }
            glfwSwapBuffers(window);
            glfwPollEvents();
            Gamepad_Poll(window, state);
        }
    }
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}

}  // namespace

int Main(int argc, char** argv, const Options& options, Program* (*make)())
{
    std::string png, shot;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
            png = argv[++i];
        } else if (std::strcmp(argv[i], "--shot") == 0 && i + 1 < argc) {
            shot = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--png FILE] [--shot FILE]\n", argv[0]);
            return 2;
        }
    }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (png.empty() && ((display && *display) || (wayland && *wayland))) {
        const int status = Run_Window(options, make, shot);
        if (status >= 0)
            return status;
        std::fprintf(stderr, "%s: no window could be opened; rendering headless instead\n", options.name);
    }
    return Run_Headless(options, make, png.empty() ? std::string(options.name) + ".png" : png);
}

}  // namespace viewer
