// One-call pointer routines of the interactive widgets: thin wrappers of the calls a host makes,
// Select, Is_Select, Read, Scroll and Adjust, that store the result and say whether it changed.
#include <cmath>

#include <vrtools/button.h>
#include <vrtools/color.h>
#include <vrtools/hue.h>
#include <vrtools/select.h>
#include <vrtools/tabs.h>
#include <vrtools/valuator.h>

namespace {

// Stores a colour that an editor's Read or Scroll returned and loads it, as a host does.
template <class Editor>
int Editor_Store(Editor& e, unsigned long color)
{
    const unsigned int packed = static_cast<unsigned int>(color);
    const bool changed = packed != e.Color_Value;
    e.Color_Value = packed;
    e.Adjust();
    return changed ? 1 : 0;
}

template <class Editor>
int Editor_Drag(Editor& e, float x, float y)
{
    // NOTE: Read answers 0 (black) on an inactive editor; storing that would lose the colour.
    if (e.Flags & VR_INACTIVE)
        return 0;
    if (e.Hit)
        e.Is_Select(x);
    else if (!e.Select(1, x, y))
        return 0;
    return Editor_Store(e, e.Read());
}

template <class Editor>
int Editor_Wheel(Editor& e, float x, float y, float amount)
{
    if ((e.Flags & VR_INACTIVE) || !e.Select(0, x, y))
        return 0;
    return Editor_Store(e, e.Scroll(amount));
}

// Stores a slider value that Read or Scroll returned and applies it; Adjust may clamp it.
int Valuator_Store(VR_Valuators& v, float value)
{
    const float before = v.Value;
    v.Value = value;
    v.Adjust();
    return v.Value != before ? 1 : 0;
}

}  // namespace

int VR_Buttons::Click(float x, float y)
{
    if (!Select(1, x, y))
        return 0;
    State = Read() ? 0 : 1;
    return 1;
}

int VR_Valuators::Drag(float x, float y)
{
    // NOTE: Read answers 0 on an inactive slider, which is no value of the pointer's.
    if (Flags & VR_INACTIVE)
        return 0;
    if (Selected)
        Is_Select(x);
    else if (!Select(1, x, y))
        return 0;
    return Valuator_Store(*this, Read());
}

int VR_Valuators::Wheel(float x, float y, float amount)
{
    if (!Select(0, x, y))
        return 0;
    return Valuator_Store(*this, Scroll(amount));
}

int VR_Selects::Click(float x, float y)
{
    const short before = Current;
    if (Select(1, x, y) & 0x6)
        Adjust();
    return Current != before ? 1 : 0;
}

int VR_Selects::Wheel(float x, float y, float amount)
{
    const short before = Current;
    if (Select(0, x, y))
        Current = static_cast<short>(Scroll(amount));
    return Current != before ? 1 : 0;
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

int VR_Colors::Drag(float x, float y) { return Editor_Drag(*this, x, y); }
int VR_Colors::Wheel(float x, float y, float amount) { return Editor_Wheel(*this, x, y, amount); }
int VR_Hues::Drag(float x, float y) { return Editor_Drag(*this, x, y); }
int VR_Hues::Wheel(float x, float y, float amount) { return Editor_Wheel(*this, x, y, amount); }
