// The gallery: a host program that shows every widget class in its states, one scene per class.
#pragma once

#include <vrtools/tools.h>

// One scene of the gallery: a few widgets of one class in a cell of the window. Coordinates are
// scene units, one per pixel, y upward, widgets standing on z = 0.
class Scene {
public:
    virtual ~Scene() = default;
    // Caption of the cell.
    virtual const char* Title() const = 0;
    // Creates and initialises the widgets inside the cell [x, x + w) x [y, y + h).
    virtual void Init(HWND window, int x, int y, int w, int h) = 0;
    // Draws the widgets; called once per frame with the GL context current.
    virtual void Draw() = 0;
    // Pointer motion; `buttons` bit 0 is the left button, held while dragging.
    virtual void Pointer(int buttons, float x, float y) {}
    // Left button pressed at (x, y).
    virtual void Press(float x, float y) {}
    // Left button released.
    virtual void Release() {}
    // Wheel turned by `amount` notches (positive away from the user) with the pointer at (x, y).
    virtual void Wheel(float x, float y, float amount) {}
};

// Adds a scene maker; `order` places the scene in the grid (lower first).
int Scene_Register(int order, Scene* (*make)());

// Registers a scene class at static-initialisation time.
#define GALLERY_SCENE(Class, order) \
    static const int gallery_scene_##Class = Scene_Register(order, []() -> Scene* { return new Class; })

// Cell size and the font every scene uses, so that the picture looks the same everywhere.
constexpr int GALLERY_CELL_W = 520;
constexpr int GALLERY_CELL_H = 300;
constexpr const char* GALLERY_FONT = "DejaVu Sans";
constexpr short GALLERY_FONT_SIZE = 14;
