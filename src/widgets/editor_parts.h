// What the colour editor and the hue editor do alike with their member sliders and swatch.
#pragma once

#include <vrtools/box.h>
#include <vrtools/valuator.h>

namespace editor {

// Gives a member slider the editor's flags, bevel and fonts, the range 0 .. `max` and its place.
void Slider_Place(VR_Valuators& slider, const VR_Tools& editor, int x, int y, int w, int h, float max);

// Moves the slider to the pointer (Read) or by the wheel (Scroll) and applies the value, as a host
// would: the value is stored into the slider and its Adjust brings the cursor to it.
void Slider_Follow_Pointer(VR_Valuators& slider);
void Slider_Follow_Wheel(VR_Valuators& slider, float amount);

// Shows a packed colour in the swatch (its mesh is rebuilt with the window it has).
void Swatch_Show(VR_Boxs& swatch, unsigned int color);

// Stores a colour that an editor's Read or Scroll returned and loads it, as a host does.
template <class Editor>
int Color_Store(Editor& e, unsigned long color)
{
    const unsigned int packed = static_cast<unsigned int>(color);
    const bool changed = packed != e.Color_Value;
    e.Color_Value = packed;
    e.Adjust();
    return changed ? 1 : 0;
}

// The editors' one-call Drag and Wheel.
template <class Editor>
int Pointer_Drag(Editor& e, float x, float y)
{
    // NOTE: Read answers 0 (black) on an inactive editor; storing that would lose the colour.
    if (e.Flags & VR_INACTIVE)
        return 0;
    if (e.Hit)
        e.Is_Select(x);
    else if (!e.Select(1, x, y))
        return 0;
    return Color_Store(e, e.Read());
}

template <class Editor>
int Pointer_Wheel(Editor& e, float x, float y, float amount)
{
    if ((e.Flags & VR_INACTIVE) || !e.Select(0, x, y))
        return 0;
    return Color_Store(e, e.Scroll(amount));
}

}  // namespace editor
