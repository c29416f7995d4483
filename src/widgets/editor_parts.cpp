// What the colour editor and the hue editor do alike with their member sliders and swatch.
#include "editor_parts.h"

#include "core/core.h"

namespace editor {

void Slider_Place(VR_Valuators& s, const VR_Tools& editor, int x, int y, int w, int h, float max)
{
    s.Flags = editor.Flags;
    s.Bevel = editor.Bevel;
    s.Font_Name = editor.Font_Name;
    s.Font_Style = editor.Font_Style;
    s.Font_Extra = editor.Font_Extra;
    s.Font_Size = editor.Font_Size;
    s.Value_Min = 0.0f;
    s.Value_Max = max;
    s.X = static_cast<short>(x);
    s.Y = static_cast<short>(y);
    s.Width = static_cast<short>(w);
    s.Height = static_cast<short>(h);
}

void Slider_Follow_Pointer(VR_Valuators& s)
{
    s.Value = s.Read();
    s.Adjust();
}

void Slider_Follow_Wheel(VR_Valuators& s, float amount)
{
    s.Value = s.Scroll(amount);
    s.Adjust();
}

void Swatch_Show(VR_Boxs& swatch, unsigned int color)
{
    swatch.Color_Set(color);
    // Init with no context would leave the swatch without buffers; its next Draw builds it.
    if (core::GL_Deferred(swatch, VR_STATUS_INIT_PENDING, "VR_Boxs"))
        return;
    swatch.Init(nullptr);
}

}  // namespace editor
