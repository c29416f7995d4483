// Scene host: a perspective camera around the room, panels drawn far to near, the pointer turned into
// a ray and handed to the nearest panel in its own scene units.
//
// [SECTION] Frame
// [SECTION] Pointer routing
// [SECTION] Camera and picking
// [SECTION] Command line
#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include <vrtools/batch.h>
#include <vrtools/label.h>
#include <vrtools/pick.h>

#include "scene.h"
#include "viewer.h"

namespace {

constexpr int WIDTH = 1280;
constexpr int HEIGHT = 720;

// [SECTION] Frame

class Scene_Program : public viewer::Program {
public:
    Scene_Program(bool batched, bool core, bool sharp) : batched(batched || core), core(core), sharp(sharp) {}

    ~Scene_Program() override
    {
        if (core)
            Room_Core_Free();
    }

    void Init(HWND window) override
    {
        panels = Panels_Make(window);
        if (batched)
            for (auto& p : panels)
                p->Batch_Make(sharp);
        if (core)
            Room_Core_Init();
        if (closeup) {
            // A step in front of the console, a little to its side: its captions and read-outs
            // large on the screen and seen at an angle.
            const Panel& console = *panels.front();
            for (int i = 0; i < 3; ++i)
                target[i] = console.Centre[i];
            yaw = 44.0f;
            pitch = 30.0f;
            distance = 1.6f;
        }
        // NOTE: the keys (Tab, arrows, Enter, +/-) and the middle button's fingertip are left out of
        // this line: the reference pictures show it as it is.
        help.Name = "Left button: the widgets on any panel   Right drag: orbit   Wheel: lists, sliders or zoom";
        help.X = 12, help.Y = 8, help.Width = 900, help.Height = 24, help.Bevel = 2;
        help.Font_Name = SCENE_FONT;
        help.Font_Size = 14;
        help.Color_Set(0xE8E8E8u);
        help.Init(window);
        if (core) {
            help_batch = std::make_unique<VR_Batches>();
            help_batch->Add(help);
            // Flat on the screen at a pixel a unit its bitmap is as sharp as text gets, and the
            // line stays the one the compatibility context's own Draw shows.
            help_batch->Init();
        }
    }

    void Frame(int width, int height) override
    {
        if (check_pointer) {
            check_pointer = false;
            Pointer_Check(width, height);
        }
        glViewport(0, 0, width, height);
        glClearColor(0.12f, 0.13f, 0.16f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_DEPTH_TEST);
        glDepthFunc(GL_LEQUAL);
        Matrix projection, view;
        Camera(width, height, projection, view);

        // Far to near: a caption writes depth over its whole rectangle, so a nearer panel drawn first
        // would hide the panel behind it wherever its captions stand.
        std::vector<Panel*> order;
        for (auto& p : panels)
            order.push_back(p.get());
        std::sort(order.begin(), order.end(),
                  [this](const Panel* a, const Panel* b) { return Eye_Distance(*a) > Eye_Distance(*b); });
        const Matrix screen = Ortho(static_cast<float>(width), static_cast<float>(height));
        if (core) {
            Room_Core_Draw(projection.m, view.m);
            for (Panel* p : order)
                p->Draw_Batched(projection, view);
            glClear(GL_DEPTH_BUFFER_BIT);
            const Matrix identity;
            const float toward_viewer[3] = {0.0f, 0.0f, 1.0f};
            help_batch->Draw(screen.m, identity.m, toward_viewer, Widget_Light_Color(), Widget_Ambient());
            return;
        }
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(projection.m);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(view.m);
        Room_Light();
        Room_Draw();
        for (Panel* p : order)
            p->Draw_Placed();

        // The same widgets work flat on the screen too: a caption in window pixels, over everything.
        glClear(GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(screen.m);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        help.Draw();
    }

    // [SECTION] Pointer routing

    // Every panel takes the pointer from every view: from cameras all around the room, points spread
    // over each panel are projected into the window, and the pointer there must reach that panel at
    // that point, unless a nearer panel covers it. Failures are reported ("Scene: ...").
    void Pointer_Check(int width, int height)
    {
        const float kept[2] = {yaw, pitch};
        int tried = 0, failed = 0;
        for (float y : {-75.0f, -35.0f, 8.0f, 40.0f, 75.0f}) {
            for (float p : {3.0f, 25.0f, 60.0f}) {
                yaw = y, pitch = p;
                Matrix projection, view;
                Camera(width, height, projection, view);
                const Matrix pv = projection * view;
                for (size_t i = 0; i < panels.size(); ++i) {
                    const Panel& panel = *panels[i];
                    for (float fx : {0.1f, 0.37f, 0.63f, 0.9f}) {
                        for (float fy : {0.15f, 0.5f, 0.85f}) {
                            const float px = fx * panel.Backing.Width, py = fy * panel.Backing.Height;
                            float world[3], clip[4];
                            for (int r = 0; r < 3; ++r)
                                world[r] = panel.Model[r] * px + panel.Model[4 + r] * py + panel.Model[12 + r];
                            for (int r = 0; r < 4; ++r)
                                clip[r] =
                                    pv.m[r] * world[0] + pv.m[4 + r] * world[1] + pv.m[8 + r] * world[2] + pv.m[12 + r];
                            if (clip[3] <= 0.0f)
                                continue;
                            const float wx = (clip[0] / clip[3] + 1.0f) * 0.5f * width;
                            const float wy = (clip[1] / clip[3] + 1.0f) * 0.5f * height;
                            if (wx < 0 || wy < 0 || wx >= width || wy >= height)
                                continue;
                            // Nearly edge-on, a hair's turn of the ray slides far along the panel:
                            // nobody points there.
                            const float* n = panel.Model + 8;
                            const float ray[3] = {world[0] - eye[0], world[1] - eye[1], world[2] - eye[2]};
                            const float cosine = (n[0] * ray[0] + n[1] * ray[1] + n[2] * ray[2]) /
                                                 (std::hypot(n[0], n[1], n[2]) * std::hypot(ray[0], ray[1], ray[2]));
                            if (std::fabs(cosine) < 0.1f)
                                continue;
                            ++tried;
                            VR_Picks pick;
                            const int hit = Nearest(wx, wy, pick);
                            const float away = std::hypot(world[0] - eye[0], world[1] - eye[1], world[2] - eye[2]);
                            const bool reached = hit == static_cast<int>(i) && std::fabs(pick.X - px) < 0.5f &&
                                                 std::fabs(pick.Y - py) < 0.5f;
                            const bool covered = hit >= 0 && hit != static_cast<int>(i) && pick.Distance < away;
                            if (!reached && !covered && ++failed <= 5)
                                Error_Fct(::hwnd, 0x80000001u,
                                          "Scene: from yaw %.0f pitch %.0f the pointer at (%.1f, %.1f) meant panel %d "
                                          "at (%.1f, %.1f) and reached %d at (%.1f, %.1f)",
                                          y, p, wx, wy, static_cast<int>(i), px, py, hit, pick.X, pick.Y);
                        }
                    }
                }
            }
        }
        if (tried == 0)
            Error_Fct(::hwnd, 0x80000001u, "Scene: the pointer check saw no panel");
        std::printf("scene: %d pointer positions checked, %d missed\n", tried, failed);
        yaw = kept[0], pitch = kept[1];
        Matrix projection, view;
        Camera(width, height, projection, view);
    }

    void Pointer(int buttons, float x, float y) override
    {
        if (buttons & 2) {
            // Right button held: orbit the room.
            yaw -= 0.3f * (x - last_x);
            pitch = std::clamp(pitch - 0.3f * (y - last_y), 2.0f, 70.0f);
        } else if ((buttons & 4) && poked >= 0) {
            Finger(x, y, true);
        } else if ((buttons & 1) && active >= 0) {
            // Dragging a slider: keep meeting the plane of its panel, wherever the pointer goes.
            VR_Picks pick;
            if (Ray(x, y, pick) && pick.Hit(panels[active]->Model))
                panels[active]->Pointer(pick.X, pick.Y);
        } else {
            Hover(x, y);
        }
        last_x = x, last_y = y;
    }

    void Press(int button, float x, float y) override
    {
        last_x = x, last_y = y;
        if (button == 2)
            Finger(x, y, true);
        if (button != 0)
            return;
        VR_Picks pick;
        active = Nearest(x, y, pick);
        if (active >= 0)
            panels[active]->Press(pick.X, pick.Y);
    }

    void Release(int button, float x, float y) override
    {
        if (button == 2)
            Finger(x, y, false);
        if (button != 0 || active < 0)
            return;
        VR_Picks pick;
        if (Ray(x, y, pick) && pick.Hit(panels[active]->Model))
            panels[active]->Release(pick.X, pick.Y);
        else
            panels[active]->Release(-30000.0f, -30000.0f);
        active = -1;
    }

    void Wheel(float x, float y, float amount) override
    {
        VR_Picks pick;
        const int hit = Nearest(x, y, pick);
        if (hit >= 0)
            panels[hit]->Wheel(pick.X, pick.Y, amount);
        else
            distance = std::clamp(distance * std::pow(0.9f, amount), 1.5f, 12.0f);
    }

    // Keys: the panel that has them takes arrows, Enter and +/-; Tab runs through its widgets and
    // on to the next panel.
    void Key(int key, bool down, bool shift) override
    {
        if (panels.empty())
            return;
        if (keyed < 0 || keyed >= static_cast<int>(panels.size()))
            keyed = 0;
        Panel& p = *panels[static_cast<std::size_t>(keyed)];
        switch (key) {
        case viewer::KEY_LEFT: p.Focus_Move(-1.0f, 0.0f); break;
        case viewer::KEY_RIGHT: p.Focus_Move(1.0f, 0.0f); break;
        case viewer::KEY_UP: p.Focus_Move(0.0f, 1.0f); break;
        case viewer::KEY_DOWN: p.Focus_Move(0.0f, -1.0f); break;
        case viewer::KEY_ENTER: p.Activate(down); break;
        case viewer::KEY_PLUS: p.Step(shift ? 32 : 1); break;
        case viewer::KEY_MINUS: p.Step(shift ? -32 : -1); break;
        case viewer::KEY_TAB: {
            const int step = shift ? -1 : 1;
            const int count = static_cast<int>(panels.size());
            // A panel without a widget to stop at passes the keys on; a round of all ends somewhere.
            for (int tries = 0; tries <= count && !panels[static_cast<std::size_t>(keyed)]->Focus_Next(step); ++tries)
                keyed = (keyed + step + count) % count;
            break;
        }
        default: break;
        }
    }

    // The middle button is a fingertip: it pokes the panel under the pointer in while held (a slider
    // follows it) and comes back out when let go.
    void Finger(float x, float y, bool down)
    {
        VR_Picks pick;
        const int hit = poked >= 0 ? poked : Nearest(x, y, pick);
        if (hit < 0 || !Ray(x, y, pick) || !pick.Hit(panels[static_cast<std::size_t>(hit)]->Model))
            return;
        panels[static_cast<std::size_t>(hit)]->Poke(pick.X, pick.Y, down ? FINGER_IN : FINGER_OUT);
        if (!down) {
            panels[static_cast<std::size_t>(hit)]->Poke_End();
            poked = -1;
        } else {
            poked = hit;
        }
    }

private:
    static constexpr float FOV_DEGREES = 50.0f;
    // Fingertip depths in a panel's scene units: under the face, then well above it.
    static constexpr float FINGER_IN = -1.0f;
    static constexpr float FINGER_OUT = 40.0f;
    static constexpr float TARGET[3] = {0.2f, 1.0f, -0.9f};

    // [SECTION] Camera and picking

    // The camera's matrices for a width x height frame, kept for turning window positions into rays.
    void Camera(int width, int height, Matrix& projection, Matrix& view)
    {
        const float near_plane = 0.05f, half_height = near_plane * std::tan(0.5f * FOV_DEGREES * 3.14159265f / 180.0f);
        const float aspect = static_cast<float>(width) / static_cast<float>(std::max(1, height));
        projection = Frustum(-half_height * aspect, half_height * aspect, -half_height, half_height, near_plane, 50.0f);
        view = Translation(0.0f, 0.0f, -distance) * Rotation(pitch, 1.0f, 0.0f, 0.0f) *
               Rotation(-yaw, 0.0f, 1.0f, 0.0f) * Translation(-target[0], -target[1], -target[2]);
        Camera_Keep(projection, view, width, height);
    }

    // Keeps what turns a window position into a world ray: the viewport, the inverse of projection x
    // view, and the eye.
    void Camera_Keep(const Matrix& projection, const Matrix& view, int width, int height)
    {
        viewport[0] = viewport[1] = 0;
        viewport[2] = width, viewport[3] = height;
        camera_ok = VR_Picks::Matrix_Invert((projection * view).m, inverse_projection_view);
        float eye_matrix[16];
        if (VR_Picks::Matrix_Invert(view.m, eye_matrix))
            eye[0] = eye_matrix[12], eye[1] = eye_matrix[13], eye[2] = eye_matrix[14];
    }

    float Eye_Distance(const Panel& p) const
    {
        return std::hypot(p.Centre[0] - eye[0], p.Centre[1] - eye[1], p.Centre[2] - eye[2]);
    }

    bool Ray(float x, float y, VR_Picks& pick) const
    {
        return camera_ok && pick.Ray_Set_Window(x, y, viewport, inverse_projection_view);
    }

    // The panel under the window position, nearest first, with the point in its scene units; -1 when
    // the pointer is on the room.
    int Nearest(float x, float y, VR_Picks& pick) const
    {
        if (!Ray(x, y, pick))
            return -1;
        std::vector<const float*> models;
        std::vector<const VR_Tools*> areas;
        for (const auto& p : panels) {
            models.push_back(p->Model);
            areas.push_back(&p->Backing);
        }
        return pick.Nearest(static_cast<int>(panels.size()), models.data(), areas.data());
    }

    void Hover(float x, float y)
    {
        VR_Picks pick;
        const int hit = Nearest(x, y, pick);
        if (hovered >= 0 && hovered != hit)
            panels[hovered]->Leave();
        hovered = hit;
        if (hit >= 0)
            panels[hit]->Pointer(pick.X, pick.Y);
    }

    bool batched = false;  // each panel drawn through VR_Batches instead of each widget's Draw
    bool core = false;     // a 3.3 core-profile context: batches and the room's own shader
    bool sharp = true;     // the batches draw their text as glyph quads
public:
    bool check_pointer = false;  // after the first frame, check the pointer from many views
    bool closeup = false;        // the camera a step away from the console panel
private:
    std::vector<std::unique_ptr<Panel>> panels;
    VR_Labels help;
    std::unique_ptr<VR_Batches> help_batch;
    float yaw = 8.0f, pitch = 14.0f, distance = 4.6f;  // degrees, degrees, metres from `target`
    float target[3] = {TARGET[0], TARGET[1], TARGET[2]};
    int viewport[4] = {};
    float inverse_projection_view[16] = {};
    bool camera_ok = false;
    float eye[3] = {};
    float last_x = 0.0f, last_y = 0.0f;
    int hovered = -1;  // panel under the pointer at the last motion
    int active = -1;   // panel that took the last left press, while the button is held
    int keyed = 0;     // panel that takes the keys
    int poked = -1;    // panel the middle-button fingertip is in, while held
};

// [SECTION] Command line

bool batched_run = false;
bool core_run = false;
bool check_run = false;
bool exact_run = false;
bool closeup_run = false;

}  // namespace

// Options: --batch draws the panels through VR_Batches, their text as glyph quads (--sharp says the
// same; --exact-text keeps the widgets' own bitmap captions); --core runs in a 3.3 core-profile
// context (batches, and the room through a shader); --closeup puts the camera a step away from the
// console; --check-pointer checks picking from many views after the first frame; the shell takes the
// rest ([--png FILE]).
int main(int argc, char** argv)
{
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && (std::strcmp(argv[i], "--batch") == 0 || std::strcmp(argv[i], "--sharp") == 0))
            batched_run = true;
        else if (i > 0 && std::strcmp(argv[i], "--exact-text") == 0)
            exact_run = true;
        else if (i > 0 && std::strcmp(argv[i], "--closeup") == 0)
            closeup_run = true;
        else if (i > 0 && std::strcmp(argv[i], "--core") == 0)
            core_run = true;
        else if (i > 0 && std::strcmp(argv[i], "--check-pointer") == 0)
            check_run = true;
        else
            rest.push_back(argv[i]);
    }
    viewer::Options options;
    if (core_run)
        options.profile = headless::Profile::CORE;
    options.name = "scene";
    options.width = WIDTH;
    options.height = HEIGHT;
    // A few frames, so that the busy bar shows a moved state.
    options.frames = 3;
    return viewer::Main(static_cast<int>(rest.size()), rest.data(), options, []() -> viewer::Program* {
        auto* program = new Scene_Program(batched_run, core_run, !exact_run);
        program->check_pointer = check_run;
        program->closeup = closeup_run;
        return program;
    });
}
