// The table of widget classes: each routine a class has is found by its name, and where a class
// behaves its own way under the keys, the change records or a fingertip, an overload for it below
// says how.
#include "widgets/classes.h"

#include <vrtools/dispatch.h>

#include <cmath>
#include <cstdlib>
#include <type_traits>
#include <utility>

#include "core/items.h"
#include "render/batch/widget_snapshots.h"
#include "widgets/looks.h"

namespace {

// [SECTION] Routines a class has, by name --------------------------------------------------------

// Whether `Call<W>` names a call a widget of class W answers.
template <class W, template <class> class Call, class = void>
struct Answers : std::false_type {};
template <class W, template <class> class Call>
struct Answers<W, Call, std::void_t<Call<W>>> : std::true_type {};

template <class W>
using Select_Call = decltype(std::declval<W&>().Select(0, 0.0f, 0.0f));
template <class W>
using Deselect_Call = decltype(std::declval<W&>().Deselect());
template <class W>
using Click_Call = decltype(std::declval<W&>().Click(0.0f, 0.0f));
template <class W>
using Drag_Call = decltype(std::declval<W&>().Drag(0.0f, 0.0f));
template <class W>
using Wheel_Call = decltype(std::declval<W&>().Wheel(0.0f, 0.0f, 0.0f));

template <class W>
int Select_Of(VR_Tools& w, int buttons, float x, float y)
{
    return static_cast<W&>(w).Select(buttons, x, y);
}
template <class W>
void Deselect_Of(VR_Tools& w)
{
    static_cast<W&>(w).Deselect();
}
template <class W>
int Click_Of(VR_Tools& w, float x, float y)
{
    return static_cast<W&>(w).Click(x, y);
}
template <class W>
int Drag_Of(VR_Tools& w, float x, float y)
{
    return static_cast<W&>(w).Drag(x, y);
}
template <class W>
int Wheel_Of(VR_Tools& w, float x, float y, float amount)
{
    return static_cast<W&>(w).Wheel(x, y, amount);
}

template <class W>
void Describe_Of(VR_Tools& w, core::Look& look)
{
    core::Look_Prepare(static_cast<W&>(w));
    core::Look_Describe(static_cast<W&>(w), look);
}

template <class W>
using Unload_Call = decltype(core::Look_Unload(std::declval<W&>(), false));
template <class W>
void Unload_Of(VR_Tools& w, bool keep_pixels)
{
    core::Look_Unload(static_cast<W&>(w), keep_pixels);
}

// [SECTION] Shared by several classes ------------------------------------------------------------

float Mid_X(const VR_Tools& w)
{
    return static_cast<float>(w.X) + static_cast<float>(w.Width) / 2.0f;
}
float Mid_Y(const VR_Tools& w)
{
    return static_cast<float>(w.Y) + static_cast<float>(w.Height) / 2.0f;
}

// Runs one of a valuator's or an editor's wheel turns with its slider moving `speed` table entries
// per unit: the host's Scroll_Speed belongs to the wheel, not to a key.
template <class Turn>
int At_Speed(VR_Valuators& slider, float speed, Turn turn)
{
    const float kept = slider.Scroll_Speed;
    slider.Scroll_Speed = speed;
    const int changed = turn();
    slider.Scroll_Speed = kept;
    return changed;
}

// An editor channel steps until its packed colour moves: a table entry is about a quarter of one of
// the 256 levels, and a key that seems to do nothing is worse than one that skips a level.
constexpr int ENTRIES_PER_LEVEL_MAX = 8;

template <class Editor>
int Channel_Step(Editor& e, VR_Valuators& slider, int n)
{
    const float x = Mid_X(slider), y = Mid_Y(slider);
    const float unit = n > 0 ? 1.0f : -1.0f;
    // More steps than the table has entries reach an end anyway; fewer loops for a huge n.
    const int steps = n > 1024 ? 1024 : n < -1024 ? 1024 : (n < 0 ? -n : n);
    int changed = 0;
    for (int i = 0; i < steps; ++i) {
        int moved = 0;
        for (int tries = 0; tries < ENTRIES_PER_LEVEL_MAX && !moved; ++tries)
            moved = At_Speed(slider, 1.0f, [&] { return e.Wheel(x, y, unit); });
        if (!moved)
            break;  // at an end of the channel
        changed = 1;
    }
    return changed;
}

// [SECTION] Each class's own ways; a class not named here takes the defaults -----------------------

// Whether the widget's description can be kept while it stays as it is: a label's, a button's or a
// slider's follows from the widget's fields (and the arrays and bitmaps they point to, which only
// the library's calls on it change, each changing a field too), the strings it points to and the
// look globals. The other classes are described every frame: a progress bar moves at every frame,
// containers and editors describe their members.
constexpr core::Snapshot_Fields Snapshot_Of(const VR_Tools*)
{
    return core::Snapshot_Fields::NONE;
}
constexpr core::Snapshot_Fields Snapshot_Of(const VR_Labels*)
{
    return core::Snapshot_Fields::TOOL;
}
constexpr core::Snapshot_Fields Snapshot_Of(const VR_Buttons*)
{
    return core::Snapshot_Fields::BUTTON;
}
constexpr core::Snapshot_Fields Snapshot_Of(const VR_Valuators*)
{
    return core::Snapshot_Fields::VALUATOR;
}

// The members a composite holds: a list's boxes, a tab bar's tabs, an editor's frame, swatch and
// sliders.
using Member_Visit = void (*)(const void* context, const VR_Tools* member, const char* type);

template <class Item>
void Items_Visit(Item* const* items, Member_Visit visit, const void* context)
{
    for (Item* const* item = items; item && *item; ++item)
        visit(context, *item, core::Class_Get<Item>().Name);
}
void Members_Of(const VR_Tools&, Member_Visit, const void*)
{}
void Members_Of(const VR_Selects& l, Member_Visit visit, const void* context)
{
    Items_Visit(l.Item, visit, context);
}
void Members_Of(const VR_Tabs& t, Member_Visit visit, const void* context)
{
    Items_Visit(t.Item, visit, context);
}
void Members_Of(const VR_Colors& c, Member_Visit visit, const void* context)
{
    for (const VR_Boxs* box : {&c.Frame, &c.Swatch})
        visit(context, box, core::Class_Get<VR_Boxs>().Name);
    for (const VR_Valuators* slider : {&c.Slider_1, &c.Slider_2, &c.Slider_3})
        visit(context, slider, core::Class_Get<VR_Valuators>().Name);
}
void Members_Of(const VR_Hues& h, Member_Visit visit, const void* context)
{
    visit(context, &h.Swatch, core::Class_Get<VR_Boxs>().Name);
    visit(context, &h.Slider, core::Class_Get<VR_Valuators>().Name);
}

// The field a class's one-call routines change.
int Field(double* value, double field, int kind)
{
    *value = field;
    return kind;
}
int Changed_Of(const VR_Tools&, double*)
{
    return 0;
}
int Changed_Of(const VR_Buttons& b, double* value)
{
    return Field(value, b.State, VR_CHANGE_STATE);
}
int Changed_Of(const VR_Valuators& v, double* value)
{
    return Field(value, v.Value, VR_CHANGE_VALUE);
}
int Changed_Of(const VR_Selects& l, double* value)
{
    return Field(value, l.Current, VR_CHANGE_CURRENT);
}
int Changed_Of(const VR_Tabs& t, double* value)
{
    return Field(value, t.Current, VR_CHANGE_CURRENT);
}
int Changed_Of(const VR_Colors& c, double* value)
{
    return Field(value, c.Color_Value, VR_CHANGE_COLOR);
}
int Changed_Of(const VR_Hues& h, double* value)
{
    return Field(value, h.Color_Value, VR_CHANGE_COLOR);
}

// Focus stops: a colour editor's three sliders, one stop on the others.
constexpr int Parts_Of(const VR_Tools*)
{
    return 1;
}
constexpr int Parts_Of(const VR_Colors*)
{
    return 3;
}

const VR_Valuators& Editor_Slider(const VR_Colors& c, int part)
{
    return part == 0 ? c.Slider_1 : part == 1 ? c.Slider_2 : c.Slider_3;
}

const VR_Tools& Area_Of(const VR_Tools& w, int)
{
    return w;
}
const VR_Tools& Area_Of(const VR_Colors& c, int part)
{
    return Editor_Slider(c, part);
}

// The tab the focus lights: the current one, or the first while Current is outside the tabs.
const VR_TabItems* Focus_Tab(const VR_Tabs& t)
{
    if (!t.Item || t.Item_Count < 1)
        return nullptr;
    const int want = t.Current >= 0 && t.Current < t.Item_Count ? t.Current : 0;
    for (int i = 0; i <= want; ++i)
        if (!t.Item[i])
            return nullptr;
    return t.Item[want];
}

void Point_Of(const VR_Tools& w, int, float* x, float* y)
{
    *x = Mid_X(w);
    *y = Mid_Y(w);
}
void Point_Of(const VR_Colors& c, int part, float* x, float* y)
{
    Point_Of(Editor_Slider(c, part), 0, x, y);
}
void Point_Of(const VR_Hues& h, int, float* x, float* y)
{
    Point_Of(h.Slider, 0, x, y);
}
void Point_Of(const VR_Tabs& t, int, float* x, float* y)
{
    const VR_TabItems* tab = Focus_Tab(t);
    Point_Of(tab ? static_cast<const VR_Tools&>(*tab) : t, 0, x, y);
}
void Point_Of(const VR_Selects& l, int, float* x, float* y)
{
    // The forward arrow lights, the way Activate steps. Its far edge lies in its zone however narrow
    // the list is.
    if (l.Flags & VR_SELECT_VERTICAL) {
        *x = Mid_X(l);
        *y = static_cast<float>(l.Y + l.Height);
    } else {
        *x = static_cast<float>(l.X + l.Width);
        *y = Mid_Y(l);
    }
}

int Clicked_Of(const VR_Tools&)
{
    return 0;
}
int Clicked_Of(const VR_Colors& c)
{
    return c.Active_Slider == &c.Slider_2 ? 1 : c.Active_Slider == &c.Slider_3 ? 2 : 0;
}

// Current of `l` moved by n items, wrapping, over its inactive items as the wheel passes them; from
// outside the items the first step lands on an end. Written as a host writes Current, so that a
// flat list, whose arrows do not step it, steps too.
int List_Step(const VR_Selects& l, int n)
{
    const int count = l.Item_Count;
    const int live = l.Item ? core::Items_Count(l.Item) : 0;
    const auto active = [&](int i) { return i >= live || !(l.Item[i]->Flags & VR_INACTIVE); };
    int usable = 0;
    for (int i = 0; i < count; ++i)
        usable += active(i) ? 1 : 0;
    if (usable == 0 || n == 0)
        return l.Current;
    const int dir = n > 0 ? 1 : -1;
    int at = l.Current;
    int steps = std::abs(n % usable);
    if (at < 0 || at >= count) {
        at = dir > 0 ? count - 1 : 0;
        steps = steps == 0 ? usable : steps;
    }
    for (; steps > 0; --steps)
        do
            at = (at + dir + count) % count;
        while (!active(at));
    return at;
}

int List_Move(VR_Selects& l, int n)
{
    const short before = l.Current;
    l.Current = static_cast<short>(List_Step(l, n));
    return l.Current != before ? 1 : 0;
}

// Keys: `n` steps of the focused value.
int Step_Of_Class(VR_Valuators& v, int n, int)
{
    const float x = Mid_X(v), y = Mid_Y(v);
    return At_Speed(v, 1.0f, [&] { return v.Wheel(x, y, static_cast<float>(n)); });
}
int Step_Of_Class(VR_Selects& l, int n, int)
{
    return List_Move(l, n);
}
int Step_Of_Class(VR_Tabs& t, int n, int part)
{
    float x, y;
    Point_Of(t, part, &x, &y);
    return t.Wheel(x, y, static_cast<float>(n));
}
int Step_Of_Class(VR_Colors& c, int n, int part)
{
    return Channel_Step(c, const_cast<VR_Valuators&>(Editor_Slider(c, part)), n);
}
int Step_Of_Class(VR_Hues& h, int n, int)
{
    return Channel_Step(h, h.Slider, n);
}

// A key going down: a button is clicked at its focus point, a list or tab bar steps forward.
int Activate_Of_Class(VR_Buttons& b, int part)
{
    float x, y;
    Point_Of(b, part, &x, &y);
    return b.Click(x, y);
}
int Activate_Of_Class(VR_Selects& l, int)
{
    return Step_Of_Class(l, 1, 0);
}
int Activate_Of_Class(VR_Tabs& t, int)
{
    return Step_Of_Class(t, 1, 0);
}

// A fingertip: an arrow steps a list as a key does, so that a flat list steps under a finger too.
int Poke_Of_Class(VR_Selects& l, float x, float y)
{
    const int hit = l.Select(1, x, y);
    return List_Move(l, ((hit & 0x4) ? 1 : 0) - ((hit & 0x2) ? 1 : 0));
}

// A button's raised face stands three bevels high, every other widget's rim one.
constexpr float Top_Of(const VR_Tools*)
{
    return 1.0f;
}
constexpr float Top_Of(const VR_Buttons*)
{
    return 3.0f;
}

// [SECTION] The table ------------------------------------------------------------------------------

template <class W>
using Step_Call = decltype(Step_Of_Class(std::declval<W&>(), 0, 0));
template <class W>
using Activate_Call = decltype(Activate_Of_Class(std::declval<W&>(), 0));
template <class W>
using Poke_Call = decltype(Poke_Of_Class(std::declval<W&>(), 0.0f, 0.0f));

template <class W>
void Members_Entry(const VR_Tools& w, Member_Visit visit, const void* context)
{
    Members_Of(static_cast<const W&>(w), visit, context);
}
template <class W>
int Changed_Entry(const VR_Tools& w, double* value)
{
    return Changed_Of(static_cast<const W&>(w), value);
}
template <class W>
const VR_Tools& Area_Entry(const VR_Tools& w, int part)
{
    return Area_Of(static_cast<const W&>(w), part);
}
template <class W>
void Point_Entry(const VR_Tools& w, int part, float* x, float* y)
{
    Point_Of(static_cast<const W&>(w), part, x, y);
}
template <class W>
int Clicked_Entry(const VR_Tools& w)
{
    return Clicked_Of(static_cast<const W&>(w));
}
template <class W>
int Step_Entry(VR_Tools& w, int n, int part)
{
    return Step_Of_Class(static_cast<W&>(w), n, part);
}
template <class W>
int Activate_Entry(VR_Tools& w, int part)
{
    return Activate_Of_Class(static_cast<W&>(w), part);
}
// A fingertip presses as the class's own routine: a slider or editor starts a drag, a button or tab
// bar is clicked.
template <class W>
int Poke_Entry(VR_Tools& w, float x, float y)
{
    if constexpr (Answers<W, Poke_Call>::value)
        return Poke_Of_Class(static_cast<W&>(w), x, y);
    else if constexpr (Answers<W, Drag_Call>::value)
        return static_cast<W&>(w).Drag(x, y);
    else if constexpr (Answers<W, Click_Call>::value)
        return static_cast<W&>(w).Click(x, y);
    else
        return 0;
}

template <class W>
constexpr core::Class_Ops Ops_Make(core::Class_Id id, const char* name)
{
    core::Class_Ops ops{};
    ops.Id = id;
    ops.Name = name;
    ops.Describe = Describe_Of<W>;
    if constexpr (Answers<W, Unload_Call>::value)
        ops.Unload = Unload_Of<W>;
    ops.Snapshot = Snapshot_Of(static_cast<const W*>(nullptr));
    ops.Members = Members_Entry<W>;
    if constexpr (Answers<W, Select_Call>::value)
        ops.Select = Select_Of<W>;
    if constexpr (Answers<W, Deselect_Call>::value)
        ops.Deselect = Deselect_Of<W>;
    if constexpr (Answers<W, Click_Call>::value)
        ops.Click = Click_Of<W>;
    if constexpr (Answers<W, Drag_Call>::value)
        ops.Drag = Drag_Of<W>;
    if constexpr (Answers<W, Wheel_Call>::value)
        ops.Wheel = Wheel_Of<W>;
    ops.Changed = Changed_Entry<W>;
    ops.Focus_Parts = Parts_Of(static_cast<const W*>(nullptr));
    ops.Focus_Area = Area_Entry<W>;
    ops.Focus_Point = Point_Entry<W>;
    ops.Focus_Clicked = Clicked_Entry<W>;
    if constexpr (Answers<W, Step_Call>::value)
        ops.Step = Step_Entry<W>;
    if constexpr (Answers<W, Activate_Call>::value)
        ops.Activate = Activate_Entry<W>;
    ops.Poke = Poke_Entry<W>;
    ops.Top_Bevels = Top_Of(static_cast<const W*>(nullptr));
    return ops;
}

constexpr core::Class_Ops classes[] = {
#define VRTOOLS_CLASS_OPS(id, type) Ops_Make<type>(core::Class_Id::id, #type),
    VRTOOLS_WIDGET_CLASSES(VRTOOLS_CLASS_OPS)
#undef VRTOOLS_CLASS_OPS
};
static_assert(sizeof classes / sizeof classes[0] == core::CLASS_COUNT, "one row per class");

constexpr bool Rows_In_Order()
{
    for (int i = 0; i < core::CLASS_COUNT; ++i)
        if (static_cast<int>(classes[i].Id) != i)
            return false;
    return true;
}
static_assert(Rows_In_Order(), "Class_Get finds a class's row by its id");

}  // namespace

const core::Class_Ops& core::Class_Get(Class_Id id)
{
    return classes[static_cast<int>(id)];
}
