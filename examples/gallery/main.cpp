// Gallery host: builds every registered scene in a grid, then runs a GLFW window or renders one PNG headless.
#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "gallery.h"
#include "headless.h"
#include <vrtools/label.h>

namespace {

constexpr int COLUMNS = 3;

std::vector<std::pair<int, Scene* (*)()>>& Makers()
{
    static std::vector<std::pair<int, Scene* (*)()>> makers;
    return makers;
}

struct Gallery {
    std::vector<std::unique_ptr<Scene>> scenes;
    std::vector<std::unique_ptr<VR_Labels>> titles;
    int width = 0;
    int height = 0;

    void Init(HWND window)
    {
        std::stable_sort(Makers().begin(), Makers().end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        const int count = static_cast<int>(Makers().size());
        const int rows = std::max(1, (count + COLUMNS - 1) / COLUMNS);
        width = COLUMNS * GALLERY_CELL_W;
        height = rows * GALLERY_CELL_H;
        for (int i = 0; i < count; ++i) {
            const int x = (i % COLUMNS) * GALLERY_CELL_W;
            const int y = height - (i / COLUMNS + 1) * GALLERY_CELL_H;
            scenes.emplace_back(Makers()[i].second());
            // Each cell: a title strip at its top, the scene below it.
            auto title = std::make_unique<VR_Labels>();
            title->Name = scenes.back()->Title();
            title->X = static_cast<short>(x + 10);
            title->Y = static_cast<short>(y + GALLERY_CELL_H - 30);
            title->Width = GALLERY_CELL_W - 20;
            title->Height = 26;
            title->Font_Name = GALLERY_FONT;
            title->Font_Style = "Bold";
            title->Font_Size = 16;
            title->Color_Set(0xF0F0F0u);
            title->Init(window);
            titles.push_back(std::move(title));
            scenes.back()->Init(window, x + 10, y + 10, GALLERY_CELL_W - 20, GALLERY_CELL_H - 45);
        }
    }

    void Draw()
    {
        glClearColor(0.16f, 0.18f, 0.22f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        for (auto& t : titles)
            t->Draw();
        for (auto& s : scenes)
            s->Draw();
    }
};

void Frame_Setup(int width, int height)
{
    headless::Projection_Pixels(width, height);
    headless::Light_Default();
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
}

int Run_Headless(const std::string& png)
{
    // The grid size depends on the number of scenes, known before any GL work.
    const int count = static_cast<int>(Makers().size());
    const int width = COLUMNS * GALLERY_CELL_W;
    const int height = std::max(1, (count + COLUMNS - 1) / COLUMNS) * GALLERY_CELL_H;
    std::string error;
    if (!headless::Context_Create(width, height, &error)) {
        std::fprintf(stderr, "gallery: %s\n", error.c_str());
        return 1;
    }
    int status = 0;
    {
        Gallery gallery;
        gallery.Init(reinterpret_cast<HWND>(0x1));
        Frame_Setup(gallery.width, gallery.height);
        // A few frames, so that animated widgets show a moved state.
        for (int i = 0; i < 3; ++i)
            gallery.Draw();
        glFinish();
        if (!headless::Png_Write(png, gallery.width, gallery.height)) {
            std::fprintf(stderr, "gallery: cannot write %s\n", png.c_str());
            status = 1;
        } else {
            std::printf("gallery: wrote %s (%dx%d)\n", png.c_str(), gallery.width, gallery.height);
        }
    }
    headless::Context_Destroy();
    return status;
}

struct Window_State {
    Gallery* gallery = nullptr;
    int buttons = 0;
    double x = 0.0, y = 0.0;  // pointer in scene units, y upward
};

void On_Cursor(GLFWwindow* window, double x, double y)
{
    auto* state = static_cast<Window_State*>(glfwGetWindowUserPointer(window));
    int fw = 0, fh = 0, ww = 0, wh = 0;
    glfwGetFramebufferSize(window, &fw, &fh);
    glfwGetWindowSize(window, &ww, &wh);
    state->x = x * fw / std::max(1, ww);
    state->y = fh - y * fh / std::max(1, wh);
    for (auto& s : state->gallery->scenes)
        s->Pointer(state->buttons, static_cast<float>(state->x), static_cast<float>(state->y));
}

void On_Button(GLFWwindow* window, int button, int action, int)
{
    auto* state = static_cast<Window_State*>(glfwGetWindowUserPointer(window));
    if (button != GLFW_MOUSE_BUTTON_LEFT)
        return;
    if (action == GLFW_PRESS) {
        state->buttons |= 1;
        for (auto& s : state->gallery->scenes)
            s->Press(static_cast<float>(state->x), static_cast<float>(state->y));
    } else {
        state->buttons &= ~1;
        for (auto& s : state->gallery->scenes)
            s->Release();
    }
}

void On_Scroll(GLFWwindow* window, double, double dy)
{
    auto* state = static_cast<Window_State*>(glfwGetWindowUserPointer(window));
    for (auto& s : state->gallery->scenes)
        s->Wheel(static_cast<float>(state->x), static_cast<float>(state->y), static_cast<float>(dy));
}

int Run_Window()
{
    if (!glfwInit())
        return -1;
    const int count = static_cast<int>(Makers().size());
    const int width = COLUMNS * GALLERY_CELL_W;
    const int height = std::max(1, (count + COLUMNS - 1) / COLUMNS) * GALLERY_CELL_H;
    glfwWindowHint(GLFW_SAMPLES, 4);
    GLFWwindow* window = glfwCreateWindow(width, height, "vrtools gallery", nullptr, nullptr);
    if (!window) {
        glfwTerminate();
        return -1;
    }
    glfwMakeContextCurrent(window);
    glfwSwapInterval(1);
    glewExperimental = GL_TRUE;
    glewInit();
    {
        Gallery gallery;
        gallery.Init(reinterpret_cast<HWND>(window));
        Window_State state;
        state.gallery = &gallery;
        glfwSetWindowUserPointer(window, &state);
        glfwSetCursorPosCallback(window, On_Cursor);
        glfwSetMouseButtonCallback(window, On_Button);
        glfwSetScrollCallback(window, On_Scroll);
        while (!glfwWindowShouldClose(window)) {
            int fw = 0, fh = 0;
            glfwGetFramebufferSize(window, &fw, &fh);
            headless::Projection_Pixels(fw, fh);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            glOrtho(0.0, gallery.width, 0.0, gallery.height, -1000.0, 1000.0);
            glMatrixMode(GL_MODELVIEW);
            headless::Light_Default();
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(GL_LEQUAL);
            gallery.Draw();
            glfwSwapBuffers(window);
            glfwPollEvents();
        }
    }
    glfwDestroyWindow(window);
    glfwTerminate();
    return 0;
}

}  // namespace

int Scene_Register(int order, Scene* (*make)())
{
    Makers().emplace_back(order, make);
    return static_cast<int>(Makers().size());
}

int main(int argc, char** argv)
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
        const int status = Run_Window();
        if (status >= 0)
            return status;
        std::fprintf(stderr, "gallery: no window could be opened; rendering headless instead\n");
    }
    return Run_Headless(png.empty() ? "gallery.png" : png);
}
