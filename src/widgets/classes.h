// The widget classes, listed once, and a table of what each class does under the routines that
// hold widgets of several classes: the batch (description, snapshot, members) and the dispatcher
// (events, focus and fingertips).
#pragma once

#include <vrtools/box.h>
#include <vrtools/button.h>
#include <vrtools/color.h>
#include <vrtools/frame.h>
#include <vrtools/hue.h>
#include <vrtools/label.h>
#include <vrtools/progress.h>
#include <vrtools/select.h>
#include <vrtools/tabitem.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

// Every widget class: X(id, class). A new class is added here; the table below follows, with each
// routine the class has found by its name and only the class's own ways spelled out in classes.cpp.
#define VRTOOLS_WIDGET_CLASSES(X)                                                                                      \
    X(LABEL, VR_Labels)                                                                                                \
    X(BUTTON, VR_Buttons)                                                                                              \
    X(BOX, VR_Boxs)                                                                                                    \
    X(FRAME, VR_Frames)                                                                                                \
    X(PROGRESS, VR_Progress)                                                                                           \
    X(VALUATOR, VR_Valuators)                                                                                          \
    X(SELECT, VR_Selects)                                                                                              \
    X(TABITEM, VR_TabItems)                                                                                            \
    X(TABS, VR_Tabs)                                                                                                   \
    X(COLOR, VR_Colors)                                                                                                \
    X(HUE, VR_Hues)

namespace core {

class Look;
enum class Snapshot_Fields : unsigned char;

enum class Class_Id : unsigned char {
#define VRTOOLS_CLASS_ID(id, type) id,
    VRTOOLS_WIDGET_CLASSES(VRTOOLS_CLASS_ID)
#undef VRTOOLS_CLASS_ID
};

#define VRTOOLS_CLASS_ONE(id, type) +1
constexpr int CLASS_COUNT = 0 VRTOOLS_WIDGET_CLASSES(VRTOOLS_CLASS_ONE);
#undef VRTOOLS_CLASS_ONE

// The id of a widget class, known when compiling.
template <class W>
struct Class_Of;
#define VRTOOLS_CLASS_OF(id_, type)                                                                                    \
    template <>                                                                                                        \
    struct Class_Of<type> {                                                                                            \
        static constexpr Class_Id id = Class_Id::id_;                                                                  \
    };
VRTOOLS_WIDGET_CLASSES(VRTOOLS_CLASS_OF)
#undef VRTOOLS_CLASS_OF

// What a class does, on a widget of that class. A null routine: the class has none (a box is
// never clicked, a label never hovers).
struct Class_Ops {
    Class_Id Id;
    const char* Name;  // the class's name, for reports

    // Takes the widget's GL steps and appends what its Draw shows (Look_Prepare, then Look_Describe
    // of its class).
    void (*Describe)(VR_Tools& w, Look& look);
    // Lets go of what only the widget's own Draw reads, which makes it again (Look_Unload; its bitmaps
    // stay with `keep_pixels`); null for a class that keeps it.
    void (*Unload)(VR_Tools& w, bool keep_pixels);
    // The fields a kept description follows from; NONE: described every frame.
    Snapshot_Fields Snapshot;
    // Hands `visit` each member widget a composite holds, with its class's name.
    void (*Members)(const VR_Tools& w, void (*visit)(const void* context, const VR_Tools* member, const char* type),
                    const void* context);

    int (*Select)(VR_Tools& w, int buttons, float x, float y);
    void (*Deselect)(VR_Tools& w);
    // The one-call routines: 1 when they changed the widget's field.
    int (*Click)(VR_Tools& w, float x, float y);
    int (*Drag)(VR_Tools& w, float x, float y);
    int (*Wheel)(VR_Tools& w, float x, float y, float amount);
    // The field those routines change: a VR_CHANGE_* kind with its value in `value`; 0 for none.
    int (*Changed)(const VR_Tools& w, double* value);

    // Focus stops on one widget (a colour editor stops at each slider), the rectangle of stop
    // `part`, and the point whose hover look shows the focus there.
    int Focus_Parts;
    const VR_Tools& (*Focus_Area)(const VR_Tools& w, int part);
    void (*Focus_Point)(const VR_Tools& w, int part, float* x, float* y);
    // The stop a click on the widget leaves the keys at.
    int (*Focus_Clicked)(const VR_Tools& w);
    // Keys on the focused stop: `n` value steps, and a key going down.
    int (*Step)(VR_Tools& w, int n, int part);
    int (*Activate)(VR_Tools& w, int part);
    // A fingertip pressing past the widget's top, which stands `Top_Bevels` bevels high.
    int (*Poke)(VR_Tools& w, float x, float y);
    float Top_Bevels;
};

const Class_Ops& Class_Get(Class_Id id);

template <class W>
const Class_Ops& Class_Get()
{
    return Class_Get(Class_Of<W>::id);
}

}  // namespace core
