// Widgets in an SDL2 program with an OpenGL 3.3 core context: the host's own shader draws a lit cube,
// a panel of widgets stands beside it through two batches, and SDL's mouse events reach the widgets
// through a dispatcher after a ray from the pointer meets the panel. Runs on SDL's offscreen (EGL)
// video driver in CI: it pushes a click and a drag as SDL events, checks the widgets' values, and with
// --png writes the last frame.
#include <GL/glew.h>
#include <SDL.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include <vrtools/batch.h>
#include <vrtools/dispatch.h>
#include <vrtools/pick.h>

#include "headless.h"
#include "placement.h"
#include "scene.h"

namespace {

constexpr int WIDTH = 640, HEIGHT = 400;
constexpr float BACKING_GAP = 10.0f;                    // scene units between the backing's face and the widgets' plane
const float LIGHT_WORLD[3] = {0.408f, 0.816f, 0.408f};  // toward the light, unit length
const float LIGHT_COLOR[3] = {0.85f, 0.85f, 0.85f}, AMBIENT[3] = {0.22f, 0.22f, 0.22f};

// [SECTION] The host's cube: its own program, vertex array and buffer.

const char* const CUBE_VERTEX = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec3 normal;
uniform mat4 projection, model_view;
out vec3 eye_normal;
void main()
{
    eye_normal = mat3(model_view) * normal;
    gl_Position = projection * model_view * vec4(position, 1.0);
}
)";
const char* const CUBE_FRAGMENT = R"(#version 330 core
in vec3 eye_normal;
uniform vec3 toward, light, ambient, colour;
out vec4 frag;
void main()
{
    float d = max(dot(normalize(eye_normal), toward), 0.0);
    frag = vec4(colour * (ambient + light * d), 1.0);
}
)";

struct Cube {
    GLuint program = 0, vao = 0, vbo = 0;

    bool Init()
    {
        GLuint shaders[2] = {glCreateShader(GL_VERTEX_SHADER), glCreateShader(GL_FRAGMENT_SHADER)};
        const char* sources[2] = {CUBE_VERTEX, CUBE_FRAGMENT};
        program = glCreateProgram();
        for (int i = 0; i < 2; ++i) {
            glShaderSource(shaders[i], 1, &sources[i], nullptr);
            glCompileShader(shaders[i]);
            glAttachShader(program, shaders[i]);
        }
        glLinkProgram(program);
        for (GLuint s : shaders)
            glDeleteShader(s);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        if (!linked) {
            char log[512] = {};
            glGetProgramInfoLog(program, sizeof log, nullptr, log);
            std::fprintf(stderr, "sdl: the cube's program did not link: %s\n", log);
            return false;
        }
        // Six faces of two triangles: position and normal per vertex.
        float data[36 * 6];
        int n = 0;
        for (int axis = 0; axis < 3; ++axis)
            for (int side = -1; side <= 1; side += 2) {
                const int u = (axis + 1) % 3, v = (axis + 2) % 3;
                const float corners[6][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, -1}, {1, 1}, {-1, 1}};
                for (const auto& c : corners) {
                    float p[3], normal[3] = {0, 0, 0};
                    p[axis] = 0.5f * side;
                    // Counter-clockwise seen from outside on either side.
                    p[u] = 0.5f * c[0] * side, p[v] = 0.5f * c[1];
                    normal[axis] = static_cast<float>(side);
                    for (int k = 0; k < 3; ++k)
                        data[n++] = p[k];
                    for (int k = 0; k < 3; ++k)
                        data[n++] = normal[k];
                }
            }
        glGenVertexArrays(1, &vao);
        glBindVertexArray(vao);
        glGenBuffers(1, &vbo);
        glBindBuffer(GL_ARRAY_BUFFER, vbo);
        glBufferData(GL_ARRAY_BUFFER, sizeof data, data, GL_STATIC_DRAW);
        glVertexAttribPointer(0, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float), nullptr);
        glVertexAttribPointer(1, 3, GL_FLOAT, GL_FALSE, 6 * sizeof(float), reinterpret_cast<void*>(3 * sizeof(float)));
        glEnableVertexAttribArray(0);
        glEnableVertexAttribArray(1);
        glBindVertexArray(0);
        return true;
    }

    void Draw(const Matrix& projection, const Matrix& model_view, const float toward[3])
    {
        glUseProgram(program);
        glUniformMatrix4fv(glGetUniformLocation(program, "projection"), 1, GL_FALSE, projection.m);
        glUniformMatrix4fv(glGetUniformLocation(program, "model_view"), 1, GL_FALSE, model_view.m);
        glUniform3fv(glGetUniformLocation(program, "toward"), 1, toward);
        glUniform3fv(glGetUniformLocation(program, "light"), 1, LIGHT_COLOR);
        glUniform3fv(glGetUniformLocation(program, "ambient"), 1, AMBIENT);
        glUniform3f(glGetUniformLocation(program, "colour"), 0.85f, 0.45f, 0.25f);
        glBindVertexArray(vao);
        glDrawArrays(GL_TRIANGLES, 0, 36);
        glBindVertexArray(0);
        glUseProgram(0);
    }

    void Free()
    {
        glDeleteBuffers(1, &vbo);
        glDeleteVertexArrays(1, &vao);
        glDeleteProgram(program);
    }
};

// [SECTION] The panel: widgets, batches, dispatcher.

struct Console {
    VR_Frames backing;
    VR_Labels title;
    VR_Buttons power;
    VR_Valuators level;
    VR_Batches backing_batch, widget_batch;
    VR_Dispatchers input;
    Matrix model;  // panel scene units -> world

    bool Init()
    {
        // Captions need a window handle; SDL's window stays SDL's, any non-null handle does.
        HWND window = reinterpret_cast<HWND>(1);
        Widget_Place(backing, 0, 0, 360, 220, 4).Depth = 12;
        backing.Color_Set(0xB4BEC8u);
        backing.Init(window);
        Widget_Place(title, 14, 176, 300, 30, 2, "Reactor").Font_Style = "Bold";
        title.Color_Set(0x302820u);
        title.Init(window);
        Widget_Place(power, 20, 92, 150, 70, 10, "Power").Flags = VR_BUTTON_LAMP | VR_TEXT_VCENTER;
        power.Color_Set(0x90A8C0u);
        power.Init(window);
        Widget_Place(level, 20, 24, 320, 52, 5, "Level").Flags = VR_TEXT_VCENTER;
        level.Value_Min = 0.0f, level.Value_Max = 100.0f, level.Value = 20.0f;
        level.Format = "%.0f %%";
        level.Color_Set(0xA0C8E0u);
        level.Init(window);
        input.Add(power);
        input.Add(level);
        backing_batch.Add(backing);
        widget_batch.Add(title);
        widget_batch.Add(power);
        widget_batch.Add(level);
        model = Translation(0.5f, 0.05f, 0.0f) * Rotation(-20.0f, 0.0f, 1.0f, 0.0f) * Scaling(0.004f) *
                Translation(-180.0f, -110.0f, 0.0f);
        return backing_batch.Init() == 1 && widget_batch.Init() == 1;
    }

    void Draw(const Matrix& projection, const Matrix& view, const float toward[3])
    {
        const Matrix widgets = view * model, behind = widgets * Translation(0.0f, 0.0f, -BACKING_GAP);
        backing_batch.Draw(projection.m, behind.m, toward, LIGHT_COLOR, AMBIENT);
        widget_batch.Draw(projection.m, widgets.m, toward, LIGHT_COLOR, AMBIENT);
    }
};

// [SECTION] The frame and the pointer.

struct Scene {
    Matrix projection, view;
    float toward_eye[3];
    Cube cube;
    Console panel;

    Scene()
    {
        const float n = 0.1f, t = n * std::tan(0.5f * 40.0f * 3.14159265f / 180.0f), r = t * WIDTH / HEIGHT;
        projection = Frustum(-r, r, -t, t, n, 50.0f);
        view = Translation(0.0f, -0.15f, -3.2f) * Rotation(12.0f, 1.0f, 0.0f, 0.0f);
        for (int row = 0; row < 3; ++row)
            toward_eye[row] =
                view.m[row] * LIGHT_WORLD[0] + view.m[4 + row] * LIGHT_WORLD[1] + view.m[8 + row] * LIGHT_WORLD[2];
    }

    void Draw()
    {
        glViewport(0, 0, WIDTH, HEIGHT);
        glClearColor(0.16f, 0.18f, 0.22f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        // What the batch expects of the host: the depth test with GL_LEQUAL; back faces culled.
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        glEnable(GL_CULL_FACE);
        const Matrix cube_model =
            Translation(-0.75f, 0.05f, -0.1f) * Rotation(30.0f, 0.0f, 1.0f, 0.0f) * Scaling(0.55f);
        cube.Draw(projection, view * cube_model, toward_eye);
        panel.Draw(projection, view, toward_eye);
    }

    // SDL's window position (y downward) to the panel's scene units; false off the panel, or with
    // `plane` off its plane only.
    bool Pointer(int wx, int wy, float* x, float* y, bool plane = false) const
    {
        const Matrix inverse_source = projection * view;
        float inverse[16];
        const int viewport[4] = {0, 0, WIDTH, HEIGHT};
        VR_Picks pick;
        if (!VR_Picks::Matrix_Invert(inverse_source.m, inverse) ||
            !pick.Ray_Set_Window(wx + 0.5f, HEIGHT - wy - 0.5f, viewport, inverse) ||
            !(plane ? pick.Hit(panel.model.m) : pick.Hit(panel.model.m, panel.backing)))
            return false;
        *x = pick.X, *y = pick.Y;
        return true;
    }

    // One SDL event to the dispatcher; the lamp follows the button's state.
    void Event(const SDL_Event& e)
    {
        float x = -30000.0f, y = -30000.0f;  // off the panel: far outside every widget
        int changes = 0;
        switch (e.type) {
        case SDL_MOUSEMOTION:
            // A drag keeps its slider even off the panel: the point on its plane still counts.
            Pointer(e.motion.x, e.motion.y, &x, &y, panel.input.Captured() != nullptr);
            changes = panel.input.Move(x, y);
            break;
        case SDL_MOUSEBUTTONDOWN:
            if (e.button.button == SDL_BUTTON_LEFT && Pointer(e.button.x, e.button.y, &x, &y))
                changes = panel.input.Press(x, y);
            break;
        case SDL_MOUSEBUTTONUP:
            if (e.button.button == SDL_BUTTON_LEFT) {
                Pointer(e.button.x, e.button.y, &x, &y);
                changes = panel.input.Release(x, y);
            }
            break;
        case SDL_MOUSEWHEEL: {
            int mx = 0, my = 0;
            SDL_GetMouseState(&mx, &my);
            if (Pointer(mx, my, &x, &y))
                changes = panel.input.Wheel(x, y, static_cast<float>(e.wheel.y));
            break;
        }
        default: break;
        }
        for (int i = 0; i < changes; ++i)
            if (panel.input.Change(i).Widget == &panel.power)
                panel.power.Lamp = panel.power.State;
    }

    // The SDL window position of the panel's point (x, y).
    void Window_Of(float x, float y, int* wx, int* wy) const
    {
        const Matrix m = projection * view * panel.model;
        float clip[4];
        for (int r = 0; r < 4; ++r)
            clip[r] = m.m[r] * x + m.m[4 + r] * y + m.m[12 + r];
        *wx = static_cast<int>(std::lround(0.5f * (clip[0] / clip[3] + 1.0f) * WIDTH));
        *wy = static_cast<int>(std::lround(HEIGHT - 0.5f * (clip[1] / clip[3] + 1.0f) * HEIGHT));
    }
};

void Push_Mouse(Uint32 type, int x, int y)
{
    SDL_Event e{};
    e.type = type;
    if (type == SDL_MOUSEMOTION) {
        e.motion.x = x, e.motion.y = y;
    } else {
        e.button.x = x, e.button.y = y, e.button.button = SDL_BUTTON_LEFT;
        e.button.state = type == SDL_MOUSEBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.clicks = 1;
    }
    SDL_PushEvent(&e);
}

}  // namespace

int main(int argc, char** argv)
{
    std::string png;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc)
            png = argv[++i];
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "sdl: %s\n", SDL_GetError());
        return 1;
    }
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    SDL_Window* window = SDL_CreateWindow("vrtools in SDL2", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, WIDTH,
                                          HEIGHT, SDL_WINDOW_OPENGL);
    SDL_GLContext context = window ? SDL_GL_CreateContext(window) : nullptr;
    if (!context) {
        std::fprintf(stderr, "sdl: %s\n", SDL_GetError());
        SDL_Quit();
        return 1;
    }
    // SDL keeps the context current on this thread from here on: widget calls may come from the
    // event loop directly.
    glewExperimental = GL_TRUE;
    glewInit();  // on EGL it answers "no GLX display" after filling the entry points
    int failures = 0;
    {
        auto scene = std::make_unique<Scene>();
        if (!glGenVertexArrays || !scene->cube.Init() || !scene->panel.Init()) {
            std::fprintf(stderr, "sdl: the cube or the panel could not be set up\n");
            failures = 1;
        }
        auto frame = [&] {
            SDL_Event e;
            while (SDL_PollEvent(&e))
                scene->Event(e);
            scene->Draw();
            // The batches restore what they change and leave no GL error for the host to find.
            for (GLenum error = glGetError(); error != GL_NO_ERROR; error = glGetError()) {
                std::fprintf(stderr, "sdl: GL error 0x%04x after a frame\n", error);
                ++failures;
            }
            SDL_GL_SwapWindow(window);
        };
        Console& panel = scene->panel;
        if (!failures) {
            frame();
            int x = 0, y = 0;
            // A click on Power lights its lamp.
            scene->Window_Of(panel.power.X + 75.0f, panel.power.Y + 35.0f, &x, &y);
            Push_Mouse(SDL_MOUSEMOTION, x, y);
            Push_Mouse(SDL_MOUSEBUTTONDOWN, x, y);
            Push_Mouse(SDL_MOUSEBUTTONUP, x, y);
            frame();
            if (panel.power.State != 1 || panel.power.Lamp != 1) {
                std::fprintf(stderr, "sdl: the click left Power at state %d, lamp %d\n", panel.power.State,
                             panel.power.Lamp);
                ++failures;
            }
            // A drag along Level from a fifth of its track to beyond the panel's right edge: the
            // slider keeps the drag off the panel and stops at its maximum.
            const float start = panel.level.Value, mid = panel.level.Y + 0.5f * panel.level.Height;
            int x0, y0, x1, y1;
            scene->Window_Of(panel.level.X + 0.2f * panel.level.Width, mid, &x0, &y0);
            scene->Window_Of(panel.level.X + 1.2f * panel.level.Width, mid, &x1, &y1);
            Push_Mouse(SDL_MOUSEMOTION, x0, y0);
            Push_Mouse(SDL_MOUSEBUTTONDOWN, x0, y0);
            frame();
            for (int step = 1; step <= 4; ++step) {
                Push_Mouse(SDL_MOUSEMOTION, x0 + (x1 - x0) * step / 4, y0 + (y1 - y0) * step / 4);
                frame();
            }
            Push_Mouse(SDL_MOUSEBUTTONUP, x1, y1);
            Push_Mouse(SDL_MOUSEMOTION, 5, 5);  // off the panel: the highlights go
            frame();
            if (panel.level.Value != panel.level.Value_Max) {
                std::fprintf(stderr, "sdl: the drag left Level at %.1f (was %.1f)\n", panel.level.Value, start);
                ++failures;
            }
            scene->Draw();
            if (!png.empty() && !headless::Png_Write(png, WIDTH, HEIGHT)) {
                std::fprintf(stderr, "sdl: could not write %s\n", png.c_str());
                ++failures;
            }
            std::printf("sdl: %s, Power %s, Level %.1f -> %.1f\n",
                        reinterpret_cast<const char*>(glGetString(GL_VERSION)), panel.power.State ? "on" : "off", start,
                        panel.level.Value);
        }
        // Teardown while the context is still current: the batches, the widgets, the cube.
        scene->cube.Free();
        scene.reset();
    }
    SDL_GL_DeleteContext(context);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return failures ? 1 : 0;
}
