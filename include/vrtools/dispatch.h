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

// What an event changed.
enum : int {
    VR_CHANGE_STATE = 1,    // a button's State (Click)
    VR_CHANGE_VALUE = 2,    // a slider's Value (Drag, Wheel)
    VR_CHANGE_CURRENT = 3,  // a list's or tab bar's Current (Click, Wheel)
    VR_CHANGE_COLOR = 4,    // a colour or hue editor's Color_Value (Drag, Wheel)
};

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

private:
    friend struct Dispatcher_Holding;
    enum class Classes { BOX, BUTTON, VALUATOR, SELECT, TABS, COLORS, HUES };
    struct Entry {
        Classes Class;
        VR_Tools* Widget;
    };

    void Entry_Add(Classes type, VR_Tools* widget);
    void Hover(float x, float y);
    void Record(const Entry& entry, int changed);

    std::vector<Entry> Entries;
    std::vector<VR_Changes> Changes;
    int Capture = -1;  // index into Entries of the drag, or -1
};
