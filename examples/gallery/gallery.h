// The gallery: a host program that shows every widget class in its states, one scene per class.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include <vrtools/batch.h>
#include <vrtools/dispatch.h>
#include <vrtools/label.h>

// The widgets the scenes show, handed over once: the gallery draws them either one by one with
// their own Draw or all together through one VR_Batches, so no scene knows which.
class Scene_Widgets {
public:
    // Shows `widget` (initialised, living as long as the gallery) from the next frame on.
    template <class Widget>
    void Add(Widget& widget)
    {
        entries.push_back({&widget, &Draw_One<Widget>, &Batch_One<Widget>});
    }
    // A plain rectangle [x0, x1) x [y0, y1) in a packed colour behind all widgets.
    void Backdrop(int x0, int y0, int x1, int y1, unsigned int colour);

    // Fills the backdrops into the current viewport, which shows a grid_w x grid_h grid; works in
    // every context.
    void Backdrops_Fill(int grid_w, int grid_h) const;
    // Draws every widget with its own Draw, in the order they were added.
    void Draw() const;
    // Adds every widget to `batch`.
    void Batch_Add(VR_Batches& batch) const;

private:
    template <class Widget>
    static void Draw_One(void* widget)
    {
        static_cast<Widget*>(widget)->Draw();
    }
    template <class Widget>
    static void Batch_One(void* widget, VR_Batches& batch)
    {
        batch.Add(*static_cast<Widget*>(widget));
    }

    struct Entry {
        void* widget;
        void (*draw)(void*);
        void (*batch)(void*, VR_Batches&);
    };
    struct Rectangle {
        int x0, y0, x1, y1;
        unsigned int colour;
    };
    std::vector<Entry> entries;
    std::vector<Rectangle> backdrops;
};

// One scene of the gallery: a few widgets of one class in a cell of the window. Coordinates are
// scene units, one per pixel, y upward, widgets standing on z = 0.
class Scene {
public:
    virtual ~Scene() = default;
    // Caption of the cell.
    virtual const char* Title() const = 0;
    // Creates and initialises the widgets inside the cell [x, x + w) x [y, y + h).
    virtual void Init(HWND window, int x, int y, int w, int h) = 0;
    // Hands the widgets it shows to the gallery, in drawing order (after Init).
    virtual void Shown_Add(Scene_Widgets& shown) = 0;
    // Hands the widgets that take pointer input to the gallery's dispatcher, in a fixed order.
    virtual void Widgets_Add(VR_Dispatchers& input) {}
    // One of this scene's widgets changed through the dispatcher: the scene gives it a meaning.
    virtual void Changed(const VR_Changes& change) {}
};

// Every registered scene in a grid of cells, with titles, and one dispatcher for all their input.
class Gallery {
public:
    int width = 0;  // scene units, one per pixel
    int height = 0;

    // Builds and initialises every scene, then hands their widgets to the dispatcher; `batched`:
    // also the batch that draws them all, its text as glyph quads when `sharp`. False when that
    // batch cannot draw in the context (its Init has reported why).
    bool Init(HWND window, bool batched = false, bool sharp = false);
    // Clears the frame, fills the backdrops and draws the titles and the scenes, one by one or
    // through the batch. In a compatibility context the current matrices and GL_LIGHT0 apply; in
    // the others the batch gets the grid's one-unit-per-pixel projection and the default light.
    void Draw();
    // Pointer events in scene units (y upward); each change goes to the scene that owns the widget.
    // Each returns the number of changes the event made.
    int Move(float x, float y);
    int Press(float x, float y);
    int Release(float x, float y);
    int Wheel(float x, float y, float amount);
    // Keys, gamepad and fingertips, through the same dispatcher (see VR_Dispatchers); each returns
    // the number of changes and hands them to the scenes as the pointer events do.
    int Focus_Move(float dx, float dy);
    int Focus_Next(int step);
    int Activate(bool down);
    int Step(int n);
    int Poke(int finger, float x, float y, float z);
    VR_Tools* Focused() const { return input.Focused(); }
    int Focused_Part() const { return input.Focused_Part(); }
    // One line per widget a change has reached ("<scene title>/<index> <kind> <value>"), then the
    // focus ("focus <scene title>/<index>.<part> <X> <Y> <Width> <Height> <Bevel>" or "focus none"):
    // what a scripted run compares.
    std::string State() const;
    // The widgets a scene handed to the dispatcher, in its order; empty for an unknown title.
    std::vector<VR_Tools*> Widgets(const char* title) const;
    // Change `i` of the last event, and the widget being dragged (see VR_Dispatchers).
    const VR_Changes& Last(int i) const { return input.Change(i); }
    VR_Tools* Captured() const { return input.Captured(); }

private:
    int Notify(int changes);
    // "<scene title>/<index in its scene>" of dispatcher widget `w`.
    std::string Name_Of(int w) const;

    std::vector<std::unique_ptr<Scene>> scenes;
    std::vector<std::unique_ptr<VR_Labels>> titles;
    std::vector<int> first;  // per scene: index of its first widget in `input`, and one past the last
    VR_Dispatchers input;
    std::map<int, VR_Changes> reached;  // by dispatcher index: the last change of each widget
    Scene_Widgets shown;
    // Last: released before the widgets it draws.
    std::unique_ptr<VR_Batches> batch;
};

// Grid size of the gallery, known before any GL work.
void Gallery_Size(int* width, int* height);

// Adds a scene maker; `order` places the scene in the grid (lower first).
int Scene_Register(int order, Scene* (*make)());

// Registers a scene class at static-initialisation time.
#define GALLERY_SCENE(Class, order)                                                                                    \
    static const int gallery_scene_##Class = Scene_Register(order, []() -> Scene* { return new Class; })

// Cell size and the font every scene uses, so that the picture looks the same everywhere.
constexpr int GALLERY_CELL_W = 520;
constexpr int GALLERY_CELL_H = 300;
constexpr const char* GALLERY_FONT = "DejaVu Sans";
constexpr short GALLERY_FONT_SIZE = 14;
