// An optional pointer dispatcher: routes a host's pointer events to a set of widgets.
#pragma once

#include <vector>

#include "box.h"
#include "button.h"
#include "color.h"
#include "hue.h"
#include "select.h"
#include "tabs.h"
#include "valuator.h"

namespace core {
struct Class_Ops;
}

// What an event changed.
enum : int {
    VR_CHANGE_STATE = 1,    // a button's State (Click)
    VR_CHANGE_VALUE = 2,    // a slider's Value (Drag, Wheel)
    VR_CHANGE_CURRENT = 3,  // a list's or tab bar's Current (Click, Wheel)
    VR_CHANGE_COLOR = 4,    // a colour or hue editor's Color_Value (Drag, Wheel)
};

// Fingertips tracked at once by Poke, and how far back above a widget's top a pressed tip must
// come, in scene units, to let go.
constexpr int VR_FINGERS = 10;
constexpr float VR_POKE_HYSTERESIS = 1.5f;

// One change made by an event.
struct VR_Changes {
    VR_Tools* Widget = nullptr;  // the widget whose field changed (compare with &your_widget)
    int Kind = 0;                // VR_CHANGE_*
    double Value = 0.0;          // the new State, Value, Current or Color_Value (packed colour)
};

// Holds a set of widgets (not owned) and turns pointer events, in scene units, into the widgets'
// one-call routines: Move hovers every widget or, during a drag, moves the slider or editor that
// holds the capture; Press clicks buttons, lists and tab bars and starts a drag on a slider or
// editor; Release ends the drag; Wheel turns what is under the pointer. Each event returns how many
// widget fields it changed, read with Change. A widget destroyed while added is removed (its drag
// ends); one moved is followed to the object it moved into. Adding reserves all the memory the events
// need: events allocate nothing.
class VRTOOLS_API VR_Dispatchers : private VR_Holders {
public:
    VR_Dispatchers() = default;
    VR_Dispatchers(const VR_Dispatchers&) = default;
    VR_Dispatchers& operator=(const VR_Dispatchers&) = default;
    // The moved-from dispatcher is left empty, with no drag, focus or fingertip.
    VR_Dispatchers(VR_Dispatchers&& other) noexcept;
    VR_Dispatchers& operator=(VR_Dispatchers&& other) noexcept;

    // Adds a widget; adding one twice has no effect. Boxes only hover; the others change a field.
    void Add(VR_Boxs& widget);
    void Add(VR_Buttons& widget);
    void Add(VR_Valuators& widget);
    void Add(VR_Selects& widget);
    void Add(VR_Tabs& widget);
    void Add(VR_Colors& widget);
    void Add(VR_Hues& widget);
    // Forgets a widget (and its drag); unknown widgets are ignored. A widget's destruction comes here.
    void Remove(const VR_Tools& widget);
    // Forgets every widget.
    void Clear();
    // Number of widgets held.
    int Count() const;
    // Widget `i` (0 .. Count() - 1) in the order added, or null outside.
    VR_Tools* Widget(int i) const;

    // Pointer moved to (x, y). Returns the number of changes (a drag changes at most one field).
    int Move(float x, float y);
    // Left button pressed at (x, y). Returns the number of changes.
    int Press(float x, float y);
    // Left button released at (x, y): the drag ends and every widget hovers again. Returns 0.
    int Release(float x, float y);
    // Wheel turned by `amount` notches (positive away from the user) at (x, y). Returns the number
    // of changes.
    int Wheel(float x, float y, float amount);

    // Change `i` (0 .. the last event's result - 1) of the last event; an empty change outside.
    const VR_Changes& Change(int i) const;
    // The slider or editor being dragged, or null.
    VR_Tools* Captured() const;

    // Keyboard, gamepad and knobs. Focus visits the widgets held that are neither hidden nor
    // inactive, each colour editor once per slider, and is shown with the widget's hover look (a
    // list lights its forward arrow, a tab bar its current tab). A key lights the focused widget
    // and drops the pointer's hover; a pointer over any widget hides the focus light until the
    // next key. Each call returns the number of changes, read with Change.
    //
    // Moves focus to the nearest widget in the direction (dx, dy), scene units on the panel's
    // plane, y up: of the widgets whose centre lies ahead within 45 degrees (a widget spanning the
    // line of the move counts as straight ahead), the one whose rectangle is nearest, sideways
    // distance counting double. Nothing there: focus stays (Tab reaches every widget). Without
    // focus, the first widget is focused.
    int Focus_Move(float dx, float dy);
    // Moves focus `step` places in the order of adding, wrapping around (Tab 1, Shift-Tab -1, a
    // knob's detents). Without focus, 1 focuses the first widget and -1 the last.
    int Focus_Next(int step);
    // Focuses `widget` (its first part) when it is held and neither hidden nor inactive; null
    // takes the focus and its light away (a host's other panel takes the keys). 1 when done.
    int Focus_Set(const VR_Tools* widget);
    // The focused widget as added (a colour editor, not its slider), or null.
    VR_Tools* Focused() const;
    // Which of the focused widget's parts has focus: a colour editor's slider 0 .. 2, else 0;
    // -1 without focus.
    int Focused_Part() const;
    // A key went down (`down`) or up over the focused widget: a button is clicked on the way down
    // (State toggles, as under the pointer), a list steps forward and a tab bar to its next tab.
    int Activate(bool down);
    // Moves the focused value by `n` steps: a slider one entry of its table per step, a list or tab
    // bar n items (wrapping), a colour editor's focused channel one level (of 256) per step.
    int Step(int n);

    // Fingertip `finger` (0 .. VR_FINGERS - 1) at (x, y), `z` above a panel, in its scene units:
    // hovers the widget under it; passing a widget's top presses it (a button clicks, a list
    // steps on its arrows as under Step, a tab bar is clicked there, a slider or editor starts a
    // drag that follows the tip while it stays down), and the tip must come back
    // VR_POKE_HYSTERESIS units above that top to let go.
    // A button's top is its raised face (three bevels), the others' their rim (one bevel). A tip
    // below the plane counts as pressed. Returns the number of changes.
    int Poke(int finger, float x, float y, float z);
    // Lifts `finger` off the panel: its hover and any drag end. Returns 0.
    int Poke_End(int finger);

private:
    friend struct Dispatcher_Holding;
    struct Entry {
        const core::Class_Ops* Class;
        VR_Tools* Widget;
    };

    void Entry_Add(const core::Class_Ops& type, VR_Tools* widget);
    void Take(VR_Dispatchers& other) noexcept;
    void Hover(float x, float y);
    void Record(const Entry& entry, int changed);

    // A place focus can stop: an entry, and for a colour editor one of its sliders.
    struct Stop {
        int Entry = -1;
        int Part = 0;
    };
    struct Finger {
        int Entry = -1;     // the widget under the tip, or -1
        bool Down = false;  // pressed past the widget's top
    };
    bool Stop_Valid(const Stop& stop) const;
    Stop Stop_Step(Stop from, int step) const;
    void Focus_Point(const Stop& stop, float* x, float* y) const;
    void Focus_Show();
    void Entry_Select(const Entry& entry, float x, float y);
    void Entry_Deselect(const Entry& entry);
    int Entry_At(float x, float y) const;
    void Focus_Forget(int entry);
    void Focus_Follow(float x, float y);
    void Finger_Hover(Finger& f, int entry, float x, float y);
    int Finger_Press(Finger& f, float x, float y);

    std::vector<Entry> Entries;
    std::vector<VR_Changes> Changes;
    int Capture = -1;        // index into Entries of the drag, or -1
    Stop Focus;              // Entry -1: no focus
    bool Focus_Lit = false;  // the focus light is on (the last input was not the pointer)
    Finger Fingers[VR_FINGERS];
};
