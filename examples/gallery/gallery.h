// The gallery: a host program that shows every widget class in its states, one scene per class.
#pragma once

#include <memory>
#include <vector>

#include <vrtools/dispatch.h>
#include <vrtools/label.h>

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
    // Hands the widgets that take pointer input to the gallery's dispatcher, in a fixed order.
    virtual void Widgets_Add(VR_Dispatchers& input) {}
    // One of this scene's widgets changed through the dispatcher: the scene gives it a meaning.
    virtual void Changed(const VR_Changes& change) {}
};

// Every registered scene in a grid of cells, with titles, and one dispatcher for all their input.
class Gallery {
public:
    int width = 0;   // scene units, one per pixel
    int height = 0;

    // Builds and initialises every scene, then hands their widgets to the dispatcher.
    void Init(HWND window);
    // Clears the frame and draws the titles and the scenes.
    void Draw();
    // Pointer events in scene units (y upward); each change goes to the scene that owns the widget.
    // Each returns the number of changes the event made.
    int Move(float x, float y);
    int Press(float x, float y);
    int Release(float x, float y);
    int Wheel(float x, float y, float amount);
    // The widgets a scene handed to the dispatcher, in its order; empty for an unknown title.
    std::vector<VR_Tools*> Widgets(const char* title) const;
    // Change `i` of the last event, and the widget being dragged (see VR_Dispatchers).
    const VR_Changes& Last(int i) const { return input.Change(i); }
    VR_Tools* Captured() const { return input.Captured(); }

private:
    int Notify(int changes);

    std::vector<std::unique_ptr<Scene>> scenes;
    std::vector<std::unique_ptr<VR_Labels>> titles;
    std::vector<int> first;  // per scene: index of its first widget in `input`, and one past the last
    VR_Dispatchers input;
};

// Grid size of the gallery, known before any GL work.
void Gallery_Size(int* width, int* height);

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
