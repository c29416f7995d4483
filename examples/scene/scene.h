// The 3-D scene example: panels of widgets standing in a lit room, seen through a perspective camera.
#pragma once

#include <memory>
#include <vector>

#include <vrtools/batch.h>
#include <vrtools/dispatch.h>
#include <vrtools/frame.h>

// World units are metres, y upward; panels are built in scene units and scaled into the room.
constexpr float SCENE_UNIT = 0.004f;  // metres per scene unit of a panel
constexpr const char* SCENE_FONT = "DejaVu Sans";
constexpr short SCENE_FONT_SIZE = 16;

// Column-major 4 x 4 matrices of the camera and the panels, computed on the CPU: a core-profile
// context has no matrix stack.
struct Matrix {
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};
Matrix operator*(const Matrix& a, const Matrix& b);
Matrix Translation(float x, float y, float z);
// Rotation by `degrees` about the axis (x, y, z) of unit length, as glRotatef.
Matrix Rotation(float degrees, float x, float y, float z);
Matrix Scaling(float s);
Matrix Frustum(float left, float right, float bottom, float top, float near_plane, float far_plane);
Matrix Ortho(float width, float height);  // one unit per pixel, z from -1000 to 1000

// A panel of widgets: a backing frame at (0, 0) to (Width, Height) in its own scene units, placed in
// the room by a model matrix. The pointer arrives already in the panel's scene units and goes to the
// widgets through the panel's dispatcher; a panel reacts to what changed in Changed.
class Panel {
public:
    virtual ~Panel() = default;
    // Builds the backing and the widgets and adds the interactive ones to Input.
    virtual void Init(HWND window) = 0;
    // Draws the widgets in the panel's own units (the caller has applied the model matrix).
    virtual void Draw() = 0;
    // Adds the widgets that Draw draws to `batch`.
    virtual void Widgets(VR_Batches& batch) = 0;

    // Pointer events in the panel's scene units; a drag begun on the panel keeps the capture.
    void Pointer(float x, float y);
    void Press(float x, float y);
    void Release(float x, float y);
    void Wheel(float x, float y, float amount);
    // The pointer went to another panel or into the room: drop every highlight.
    void Leave();

    // Keys, once the panel has them (see VR_Dispatchers): arrows on the panel's plane, Tab along
    // its widgets. Focus_Next returns false when the step ran past the panel's first or last widget
    // (the panel keeps no focus then): the host hands the keys to the next panel.
    void Focus_Move(float dx, float dy);
    bool Focus_Next(int step);
    void Activate(bool down);
    void Step(int n);
    void Focus_Drop();
    // A fingertip at (x, y) and `z` above the panel, in its scene units; End lifts it away.
    void Poke(float x, float y, float z);
    void Poke_End();

    // Places the panel: its centre at (x, y, z) metres, turned by `yaw` degrees about the vertical
    // and leaned back by `tilt` degrees, like a desk console.
    void Place(float x, float y, float z, float yaw, float tilt);
    // From now on draws through two batches (the backing, the widgets) instead of each widget's Draw,
    // their text as glyph quads when `sharp`.
    void Batch_Make(bool sharp);
    // Applies the model matrix, draws the backing first (its captions and widgets stand in front of
    // it and write depth over their whole rectangles) and then the widgets.
    void Draw_Placed();
    // The same through the batches in any context, under `view` (world -> eye) and `projection`.
    void Draw_Batched(const Matrix& projection, const Matrix& view);

    VR_Frames Backing;     // the panel's slab; also its area for picking
    float Model[16] = {};  // panel scene units -> world, column-major
    float Centre[3] = {};  // world position of the middle of the panel

protected:
    // One field that an event changed (a button's State, a slider's Value, a list's Current, ...).
    virtual void Changed(const VR_Changes& change) {}

    VR_Dispatchers Input;  // the panel's interactive widgets

private:
    void React(int changes);

    std::unique_ptr<VR_Batches> backing_batch, widget_batch;
};

// The colour the room's sphere takes from the colour panel, packed (red in the low byte).
extern unsigned int Sphere_Color;

// The three panels of the scene, initialised with `window` and placed in the room.
std::vector<std::unique_ptr<Panel>> Panels_Make(HWND window);

// The room: floor, walls, a pedestal with the sphere, a cube, the lamp. Room_Light sets the lights
// (call it with the view matrix loaded): GL_LIGHT1 at the lamp for the room, GL_LIGHT0 from its
// direction for the widgets. Room_Draw leaves GL_LIGHT0 enabled and lighting switched off, as the
// widgets expect.
void Room_Light();
void Room_Draw();
// The same room in a core-profile context, through a shader of its own; Init reports a failed
// shader build ("Scene: ...") and returns false.
bool Room_Core_Init();
void Room_Core_Draw(const float projection[16], const float view[16]);
void Room_Core_Free();
// The widgets' light: the direction toward it (world units, unit length), its colour, the ambient.
const float* Widget_Light();
const float* Widget_Light_Color();
const float* Widget_Ambient();
