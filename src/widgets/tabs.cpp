// Tab bars: a row of owned tab items, the current one in front and the others stacked behind it.
#include <cmath>
#include <utility>

#include "core/core.h"
#include "core/items.h"
#include "looks.h"
#include "render/immediate/script.h"
#include <vrtools/tabs.h>

namespace {

constexpr const char* SOURCE = "tabs";

// Tab items the bar may touch: those Init counted that still exist (a Grow since Init can have
// shrunk the array below Item_Count).
int Reach(const VR_Tabs& t)
{
    const int live = core::Items_Count(t.Item);
    return t.Item_Count < live ? (t.Item_Count > 0 ? t.Item_Count : 0) : live;
}

void Marks_Set(VR_Tabs& t)
{
    const int n = Reach(t);
    for (int i = 0; i < n; ++i)
        t.Item[i]->Active = 0;
    if (t.Current >= 0 && t.Current < n)
        t.Item[t.Current]->Active = 1;
}

// Each tab the bar draws, in the order Stack_Look describes them: the current one first.
template <class Each>
void Stack_Each(VR_Tabs& t, Each each)
{
    const int n = Reach(t);
    const bool front = t.Current >= 0 && t.Current < n;
    if (front)
        each(*t.Item[t.Current]);
    for (int i = 0; i < n; ++i) {
        if (!(front && i == t.Current))
            each(*t.Item[i]);
    }
}

// The current tab in front, every other one a further BORDER back in index order. With Current
// outside the tabs no tab is in front: all of them recede from the first, so the bar reads as having
// no selection.
void Stack_Look(VR_Tabs& t, core::Look& look)
{
    const int n = Reach(t);
    const bool front = t.Current >= 0 && t.Current < n;
    bool in_front = front;
    float dz = 0.0f;
    Stack_Each(t, [&](VR_TabItems& item) {
        const std::size_t first = look.Size();
        core::Look_Describe(item, look);
        if (in_front) {
            in_front = false;
            return;
        }
        dz -= static_cast<float>(BORDER);
        look.Shift_From(first, dz);
    });
}

void Stack_Draw(VR_Tabs& t)
{
    // Each tab is checked first as its own Draw would; lint mode is told of a Current outside the tabs.
    const int n = Reach(t);
    if (core::Lint_On() && n > 0 && !(t.Current >= 0 && t.Current < n))
        core::Lint_Current(t, "VR_Tabs", t.Current, n);
    Stack_Each(t, [](VR_TabItems& item) {
        if (!(item.Flags & VR_HIDDEN))
            core::Guard(item, "VR_TabItems::Draw");
        core::Look_Prepare(item);
    });
    core::Look& look = core::Look_Scratch();
    Stack_Look(t, look);
    core::Look_Draw(t, look, SOURCE);
}

void Own_Copy(VR_Tabs& to, const VR_Tabs& from)
{
    to.Current = from.Current;
    to.Item_Count = from.Item_Count;
    to.Item = from.Item;
    to.Shown = from.Shown;
}

constexpr core::Own_Fields<VR_Tabs> OWN{Own_Copy, core::Items_Held<VR_Tabs>, "VR_Tabs", core::Items_Emptied<VR_Tabs>,
                                        core::Items_Release<VR_Tabs>};

}  // namespace

VR_Tabs::VR_Tabs(const VR_Tabs& other) : VR_Tools(other)
{
    OWN.Copied(*this, other);
}

VR_Tabs::VR_Tabs(VR_Tabs&& other) noexcept : VR_Tools(std::move(other))
{
    OWN.Moved(*this, other);
}

VR_Tabs& VR_Tabs::operator=(const VR_Tabs& other)
{
    if (this != &other) {
        VR_Tools::operator=(other);
        OWN.Assigned(*this, other);
    }
    return *this;
}

VR_Tabs& VR_Tabs::operator=(VR_Tabs&& other) noexcept
{
    if (this != &other) {
        VR_Tools::operator=(std::move(other));
        OWN.Move_Assigned(*this, other);
    }
    return *this;
}

VR_Tabs::~VR_Tabs()
{
    OWN.Released(*this);
}

int VR_Tabs::Grow(int count, int flags)
{
    // Item_Count stays as Init counted it: the host names the new tabs, then calls Init.
    return core::Items_Resize(Item, count, static_cast<unsigned int>(flags), "VR_Tabs::Grow", SOURCE, __LINE__);
}

void VR_Tabs::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_Tabs:%ls)"))
        return;
    Shown = Current;
    if (Color_Get() == 0)
        Color = Colors(core::COLOR_DEFAULT);
    if (Bevel == 0)
        Bevel = 1;
    Item_Count = static_cast<short>(core::Items_Count(Item));
    if (Item_Count == 0)
        return;
    // Each foot reaches s beyond its tab on both sides: the gaps of s between tabs let the feet of
    // neighbours overlap, and the first foot starts at the bar's left edge.
    const int s = Height / 4;
    const int w = (Width - s * (Item_Count + 1)) / Item_Count;
    for (int i = 0; i < Item_Count; ++i) {
        VR_TabItems* tab = Item[i];
        tab->Flags |= Flags;
        tab->Active = i == Current ? 1 : 0;
        tab->X = static_cast<short>(X + s * (i + 1) + i * w);
        tab->Y = Y;
        tab->Width = static_cast<short>(w);
        tab->Height = Height;
        tab->Bevel = Bevel;
        tab->Font_Name = Font_Name;
        tab->Font_Style = Font_Style;
        tab->Font_Extra = Font_Extra;
        tab->Font_Size = Font_Size;
        if (tab->Color_Get() == 0)
            tab->Color = Color;
        tab->Init(Window);
    }
}

void VR_Tabs::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_Tabs::Draw");
    if (Width < 1 || Height < 1)
        return;
    Shown = Current;
    Marks_Set(*this);
    Stack_Draw(*this);
}

int VR_Tabs::Select(int buttons, float x, float y)
{
    core::Guard(*this, "VR_Tabs::Select");
    if (Width <= 0 || Height <= 0 || (Flags & VR_INACTIVE))
        return 0;
    const int n = Reach(*this);
    if (!(X < x && x <= X + Width && Y < y && y <= Y + Height)) {
        Deselect();
        return 0;
    }
    if (Item_Count <= 0)
        return 0;
    // Every tab is asked, not only up to the first hit, so that each one updates its Hover.
    int any = 0;
    for (int i = 0; i < n; ++i)
        if (Item[i]->Select(buttons & 0xF, x, y))
            any = 1;
    return any;
}

void VR_Tabs::Deselect()
{
    const int n = core::Items_Count(Item);
    for (int i = 0; i < n; ++i)
        Item[i]->Deselect();
}

int VR_Tabs::Read()
{
    core::Guard(*this, "VR_Tabs::Read");
    if (Width < 1 || Height < 1 || (Flags & VR_INACTIVE) || Item_Count <= 0)
        return -1;
    for (int i = Reach(*this) - 1; i >= 0; --i)
        if (Item[i]->Hover)
            return i;
    return -1;
}

int VR_Tabs::Click(float x, float y)
{
    Select(1, x, y);
    const int tab = Read();
    if (tab < 0 || tab == Current)
        return 0;
    Current = static_cast<short>(tab);
    return 1;
}

int VR_Tabs::Wheel(float x, float y, float amount)
{
    const long steps = std::isfinite(amount) ? std::lround(std::fmod(amount, 32768.0f)) : 0;
    if (Item_Count < 1 || steps == 0 || !Select(0, x, y))
        return 0;
    // From outside the tabs a turn counts from the first one.
    const long from = Current >= 0 && Current < Item_Count ? Current : 0;
    const long to = ((from + steps) % Item_Count + Item_Count) % Item_Count;
    if (to == Current)
        return 0;
    Current = static_cast<short>(to);
    return 1;
}

void VR_Tabs::Adjust()
{
    if (Width < 1 || Height < 1)
        return;
    if (Shown == Current || (Flags & VR_INACTIVE))
        return;
    Marks_Set(*this);
    Shown = Current;
    if (!(Flags & VR_HIDDEN))
        Stack_Draw(*this);
}

void core::Look_Prepare(VR_Tabs& t)
{
    if ((t.Flags & VR_HIDDEN) || t.Width < 1 || t.Height < 1)
        return;
    t.Shown = t.Current;
    Marks_Set(t);
    Stack_Each(t, [](VR_TabItems& item) { core::Look_Prepare(item); });
}

void core::Look_Describe(VR_Tabs& t, Look& look)
{
    if ((t.Flags & VR_HIDDEN) || t.Width < 1 || t.Height < 1)
        return;
    Stack_Look(t, look);
}
