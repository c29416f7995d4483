// Labels: a caption rendered once into a texture and drawn as one quad in the widget's colour.
#include "core/core.h"
#include <vrtools/label.h>
#include "looks.h"
#include "render/immediate/script.h"

namespace {
constexpr const char* SOURCE = "label";
}

void VR_Labels::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_Labels:%ls)"))
        return;
    if (Color.Red == 0 && Color.Green == 0 && Color.Blue == 0) {
        Color.Red = Color.Green = Color.Blue = 255;
        Color.Extra = 0;
    }
    core::Texture_Prepare(Text_Texture, GL_CLAMP_TO_EDGE);
    core::Text_Size text;
    text.tex_w = text.tex_h = text.text_w = text.text_h = 1;
    Text(W_Name, &Text_Bitmap, Font_Name, Font_Style, Font_Size, &text.tex_w, &text.tex_h, &text.text_w, &text.text_h);
    // A label's margin is the bevel on every side, with no extra inset.
    const core::Caption_Offset o = core::Caption_Offsets(Flags, Width, Height, Bevel, text, Bevel, 0);
    if (!core::Caption_Quad(Text_Vertex_Array, Text_Coord_Array, X + o.x, Y + o.y, 0, text, SOURCE)) {
        core::Buffer_Free(Text_Vertex_VBO);
        core::Buffer_Free(Text_Coord_VBO);
        return;
    }
    core::Caption_Upload(Text_Vertex_VBO, Text_Coord_VBO, Text_Vertex_Array, Text_Coord_Array);
}

void VR_Labels::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_Labels::Draw");
    if (Status & VR_STATUS_UNLOADED)
        core::Look_Load(*this);
    core::Caption_Unpark(*this, GL_CLAMP_TO_EDGE);
    core::Look& look = core::Look_Scratch();
    core::Look_Describe(*this, look);
    core::Look_Draw(*this, look, SOURCE, __LINE__);
}

void core::Look_Unload(VR_Labels& l, bool keep_pixels)
{
    core::Tool_Unload(l, keep_pixels);
}

void core::Look_Load(VR_Labels& l)
{
    core::Tool_Load(l);
}

void core::Look_Describe(VR_Labels& l, Look& look)
{
    if ((l.Flags & VR_HIDDEN) || l.Width < 1 || l.Height < 1 || !l.W_Name || !l.Text_Vertex_VBO)
        return;
    core::Look_Caption(look, l, core::Look_Wrap::EDGE, 1.5f, l.Color_Get());
}
