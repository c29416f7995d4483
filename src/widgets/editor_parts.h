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

}  // namespace editor
