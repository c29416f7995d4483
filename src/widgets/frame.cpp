// Frames: a solid slab in the widget's colour, its front face on the plane the other widgets stand on.
#include "core/core.h"
#include "looks.h"
#include "render/immediate/script.h"
#include <vrtools/frame.h>

namespace {

constexpr const char* SOURCE = "frame";
constexpr int SLAB_QUADS = 6;

// Band above the upper edge that still counts as the frame (a title strip), scene units.
constexpr float TITLE_BAND = 30.0f;

}  // namespace

void VR_Frames::Init(HWND hwnd)
{
    if (!core::Init_Begin(*this, hwnd, "Tools: WARNING! (VR_Frames:%ls)"))
        return;
    // A frame left in the rim grey would vanish against the rims in front of it.
    const Colors rim(core::COLOR_RIM);
    if (Color.Red == rim.Red && Color.Green == rim.Green && Color.Blue == rim.Blue)
        Color = Colors(core::COLOR_DEFAULT);

    core::Mesh_Reset(*this);

    // Computed in int, stored as the 16-bit coordinates of the mesh.
    const short x0 = X, y0 = Y, x1 = static_cast<short>(X + Width), y1 = static_cast<short>(Y + Height);
    const short d = static_cast<short>(-Depth);
    const unsigned int c = core::Mesh_Color(Color_Get());
    core::Mesh_Builder m(core::Base_Mesh(*this), SOURCE);
    m.Add({{x1, y0, d}, {x1, y0, 0}, {x0, y0, 0}, {x0, y0, d}}, c);
    m.Add({{x1, y1, d}, {x1, y1, 0}, {x1, y0, 0}, {x1, y0, d}}, c);
    m.Add({{x0, y1, d}, {x0, y1, 0}, {x1, y1, 0}, {x1, y1, d}}, c);
    m.Add({{x0, y0, d}, {x0, y0, 0}, {x0, y1, 0}, {x0, y1, d}}, c);
    m.Add({{x0, y0, d}, {x0, y1, d}, {x1, y1, d}, {x1, y0, d}}, c);  // back
    m.Add({{x1, y0, 0}, {x1, y1, 0}, {x0, y1, 0}, {x0, y0, 0}}, c);  // front
    if (m.Ok())
        core::Mesh_Upload(core::Base_Mesh(*this), Vertex_VBO, Normal_VBO, Color_VBO);
}

void VR_Frames::Draw()
{
    if (Flags & VR_HIDDEN)
        return;
    core::Guard(*this, "VR_Frames::Draw");
    if (Status & VR_STATUS_UNLOADED)
        core::Look_Load(*this);
    core::Look& look = core::Look_Scratch();
    core::Look_Describe(*this, look);
    core::Look_Draw(*this, look, SOURCE, __LINE__);
}

int VR_Frames::Select(int buttons, float x, float y)
{
    core::Guard(*this, "VR_Frames::Select");
    return Width > 0 && Height > 0 && static_cast<float>(X) < x && x <= static_cast<float>(X + Width) &&
           static_cast<float>(Y) < y && y <= static_cast<float>(Y + Height) + TITLE_BAND;
}

void core::Look_Unload(VR_Frames& f, bool keep_pixels)
{
    core::Tool_Unload(f, keep_pixels);
}

void core::Look_Load(VR_Frames& f)
{
    core::Tool_Load(f);
}

void core::Look_Describe(VR_Frames& f, Look& look)
{
    if ((f.Flags & VR_HIDDEN) || f.Width < 1 || f.Height < 1 || f.Vertex_VBO == 0 || f.Quad_Count != SLAB_QUADS)
        return;
    // No translation: the front face stays at z 0, under everything that stands on the panel.
    core::Look_Mesh(look, f, f.Quad_Count);
}
